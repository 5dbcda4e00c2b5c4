// Test pictures made in the tests themselves: BMP files written byte by byte from a description,
// JPEG files compressed with libjpeg, and a scratch folder to load them from.
#pragma once

#include "Fixtures.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// --- BMP -----------------------------------------------------------------------------------

struct BmpFields
{
    std::uint32_t headerSize = 40; // 12 writes the short header
    std::int32_t width = 1;
    std::int32_t height = 1; // negative: rows stored top first
    std::uint16_t planes = 1;
    std::uint16_t bitsPerPixel = 24;
    std::uint32_t compression = 0;
    std::uint32_t imageSize = 0;
    std::uint32_t colorsUsed = 0;
    std::vector<std::uint32_t> masks;                 // red, green, blue; after a 40-byte header,
                                                      // else in header bytes 40..51
    std::vector<std::array<std::uint8_t, 3>> palette; // blue, green, red per entry
    std::size_t gap = 0;                              // unused bytes before the pixel data
    std::optional<std::uint32_t> pixelOffset;         // default: where the pixel data starts
    std::vector<std::uint8_t> pixels;                 // the pixel data as stored
};

// The whole file.
QByteArray bmpFile(const BmpFields &fields);

// Packs pixel values, top row first, into stored rows of `bits` bits per pixel padded to 4 bytes:
// bottom row first unless topDown. Values of 16 and 32 bits are little-endian; 24-bit values are
// 0xRRGGBB, stored blue first.
std::vector<std::uint8_t> packRows(
    const std::vector<std::vector<std::uint32_t>> &rows, int bits, bool topDown = false);

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
