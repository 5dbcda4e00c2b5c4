// BMP reading: a Windows BMP file, read from a device, decoded into 24-bit rows (blue, green,
// red). readHeaders() reads and checks everything before the pixel data (file header, info
// header, masks, colour table) and allocates nothing that the file has not paid for;
// readPixels() then writes every pixel of the picture into rows that the caller owns.
//
//   file header   14 bytes   "BM", file size, reserved, pixel-data offset
//   info header   s bytes    s = 12: short header (16-bit sizes, 3-byte table entries)
//                            s >= 40: long header; s >= 52 holds the masks in bytes 40..51
//   masks         12 bytes   only after a 40-byte header with compression 3
//   colour table  n entries  n = colours used, or 2/16/256 for 1/4/8 bits when that is 0
//   pixel data               from the pixel-data offset when it is sound, else right after
//                            the colour table; rows bottom first unless the height is negative
#pragma once

#include "picture/PictureRows.h"

#include <cstdint>
#include <vector>

class QIODevice;

class BmpReader
{
public:
    // Reads from the device's start. The device must stay open while the reader is used.
    explicit BmpReader(QIODevice &device);

    // Throws AppError: "Stream read error" when the file ends inside the file header, the masks
    // or the colour table; "Bitmap image is not valid" for anything else that cannot be read
    // soundly; "Out of system resources" when the framed picture would exceed the store cap.
    // An empty file is a 0 x 0 picture.
    void readHeaders();

    int width() const { return m_width; }
    int height() const { return m_height; }

    // Writes every pixel of the picture; bytes missing from the file count as 0, run-length
    // pixels that the data never sets take colour-table entry 0. Needs readHeaders() first.
    void readPixels(const PictureRowAt &rowAt);

private:
    struct Channel
    {
        int shift = 0;
        int drop = 0; // low bits dropped so that the scaling table stays at 65536 entries
        std::vector<std::uint8_t> scale;
        std::uint32_t mask = 0;
        std::uint8_t of(std::uint32_t pixel) const
        {
            return scale[((pixel & mask) >> shift) >> drop];
        }
    };

    // The steps of readHeaders, in order.
    struct Header;
    Header readInfoHeader();
    void validate(Header &header);
    std::int64_t readMasks(const Header &header); // returns where the colour table starts
    std::int64_t readColourTable(const Header &header, std::int64_t position); // and ends
    void findPixelData(const Header &header, std::int64_t tableEnd);

    void readExactly(void *buffer, std::int64_t bytes, const char *errorText);
    void prepareChannels(const std::uint32_t masks[3]);
    void convertRow(const std::uint8_t *source, std::int64_t available, std::uint8_t *row) const;
    void readUncompressed(const PictureRowAt &rowAt);
    void readRunLength(const PictureRowAt &rowAt);

    QIODevice &m_device;
    std::int64_t m_fileSize = 0;
    int m_width = 0;
    int m_height = 0;
    bool m_topDown = false;
    int m_bitsPerPixel = 0;
    std::uint32_t m_compression = 0;
    bool m_bitFields = false;
    Channel m_channels[3]; // blue, green, red
    // Indexes beyond the colour table take entry 0.
    std::uint8_t m_palette[256][kBytesPerPixel] = {};
    std::uint8_t m_zeroPixel[kBytesPerPixel] = {}; // what a pixel of all-zero bytes becomes
    std::int64_t m_rowBytes = 0;
    std::int64_t m_dataStart = 0;
    std::int64_t m_dataBytes = 0; // pixel bytes that the file holds, at most what is needed
};
