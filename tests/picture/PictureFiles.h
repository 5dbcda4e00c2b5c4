// Test pictures made in the tests themselves: BMP files written byte by byte from a description,
// JPEG files compressed with libjpeg, and a scratch folder to load them from.
#pragma once

#include "tests/support/BmpFiles.h"
#include "tests/support/Fixtures.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// --- JPEG ----------------------------------------------------------------------------------

struct JpegFields
{
    int width = 8;
    int height = 8;
    int components = 3;                // 1 gray, 3 RGB, 4 CMYK, others "unknown" colour space
    std::vector<std::uint8_t> samples; // interleaved, components per pixel, top row first
    bool ycck = false;                 // store CMYK as YCCK
    bool adobeMarker = true;           // for CMYK: write the Adobe marker
    bool progressive = false;
    int quality = 95;
};

QByteArray jpegFile(const JpegFields &fields);

// A picture of one colour (components values) throughout.
JpegFields uniformJpeg(int width, int height, std::vector<std::uint8_t> colour);

// --- Loading -------------------------------------------------------------------------------

// A scratch folder; files are written into it under the given name.
class PictureFolder
{
public:
    QString write(const QString &name, const QByteArray &bytes);
    QString path(const QString &name) const;

private:
    QTemporaryDir m_dir;
};

// The text of the AppError that the action throws, or "no error".
std::string errorOf(const std::function<void()> &action);
