// A hostile JPEG written out byte by byte: shared by the memory tests and the memory bench, which
// builds without the test libraries, so it lives in this header alone.
#pragma once

#include <QByteArray>

// One marker segment: FF, the marker, the big-endian length (counting itself) and the payload.
inline QByteArray JpegSegment(int marker, const QByteArray &payload)
{
    QByteArray bytes;
    bytes.append(char(0xFF)).append(char(marker));
    bytes.append(char((payload.size() + 2) >> 8)).append(char((payload.size() + 2) & 0xFF));
    return bytes + payload;
}

// A progressive grayscale JPEG of 18916 x 18916 pixels, restart interval 1, with 500 empty DC
// scans: 5 KB that would keep the decoder busy for most of a minute without a bound on its work.
inline QByteArray EmptyScansJpeg()
{
    QByteArray file = QByteArray::fromHex("FFD8");
    file += JpegSegment(0xDB, QByteArray(1, '\0') + QByteArray(64, '\1'));
    file += JpegSegment(0xC2, QByteArray::fromHex("0849E449E401011100"));
    file += JpegSegment(0xC4, QByteArray::fromHex("0001") + QByteArray(16, '\0'));
    file += JpegSegment(0xDD, QByteArray::fromHex("0001"));
    for (int i = 0; i < 500; ++i)
        file += JpegSegment(0xDA, QByteArray::fromHex("010100000000"));
    return file + QByteArray::fromHex("FFD9");
}
