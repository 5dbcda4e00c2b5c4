// JPEG decoding with libjpeg from a copy of the whole file held in memory. readHeader() gives
// the picture's size; decode() writes every pixel as 24-bit rows (blue, green, red): colour
// files in their true colours, grayscale files through the library's one-pass quantiser to 236
// gray levels with Floyd-Steinberg dithering, CMYK and YCCK files converted to RGB here.
// The library's warnings are ignored; its fatal errors become "JPEG error #n".
#pragma once

#include "picture/PictureRows.h"

#include <QByteArray>

#include <memory>

struct JpegSession;

class JpegReader
{
public:
    // Shares the file's bytes; they stay untouched while the reader lives.
    explicit JpegReader(const QByteArray &file);
    ~JpegReader();
    JpegReader(const JpegReader &) = delete;
    JpegReader &operator=(const JpegReader &) = delete;

    // Reads the header. An empty file is a 0 x 0 picture whose decoding fails. Throws
    // "JPEG error #n", or "Out of system resources" when the framed picture exceeds the cap.
    void readHeader();

    int width() const { return m_width; }
    int height() const { return m_height; }

    // Decodes at full size into the caller's rows, with the floating-point DCT and block
    // smoothing. Throws "JPEG error #n"; "Out of system resources" when the library would need
    // more working memory than the store cap.
    void decode(const PictureRowAt &rowAt);

private:
    void readHeaderOnce();
    [[noreturn]] void fail() const;

    QByteArray m_file;
    std::unique_ptr<JpegSession> m_session;
    bool m_headerRead = false;
    int m_width = 0;
    int m_height = 0;
};

// The number shown for a library message code. It follows the library, except that "not a
// JPEG file" reads 52 and "empty input file" 41, each swapped with the message that would have
// had that number, so that no two messages share one.
int JpegErrorNumber(int libraryCode);
