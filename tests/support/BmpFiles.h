// BMP files written byte by byte from a description of their header fields, colour table and
// stored rows, for the tests of every layer that need a file the reader must take apart.
#pragma once

#include <QByteArray>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

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
