#include "tests/support/AsciiRaster.h"

#include <stdexcept>

namespace {

Bgr colourOf(char c)
{
    switch (c) {
    case '.':
        return {255, 255, 255};
    case '#':
        return {0, 0, 0};
    case '8':
        return {0, 0, 128};
    case 'g':
        return {0, 255, 0};
    case 'r':
        return {0, 0, 255};
    }
    throw std::invalid_argument(std::string("unknown fixture pixel ") + c);
}

} // namespace

void drawAscii(TBitmap &raster, RowTable &rows, const std::vector<std::string> &picture)
{
    const int height = int(picture.size());
    const int width = height ? int(picture.front().size()) : 0;
    raster.setSize(width, height);
    for (int y = 0; y < height; ++y) {
        if (int(picture[std::size_t(y)].size()) != width)
            throw std::invalid_argument("fixture rows differ in length");
        for (int x = 0; x < width; ++x)
            setPixel(raster, x, y, colourOf(picture[std::size_t(y)][std::size_t(x)]));
    }
    RebuildRowTable(rows, raster);
}

std::vector<std::string> asciiOf(const TBitmap &raster)
{
    std::vector<std::string> picture;
    for (int y = 0; y < raster.height() && !raster.isEmpty(); ++y) {
        std::string row;
        for (int x = 0; x < raster.width(); ++x) {
            const Bgr p = pixelAt(raster, x, y);
            char c = '?';
            for (char candidate : {'.', '#', '8', 'g', 'r'}) {
                if (colourOf(candidate) == p)
                    c = candidate;
            }
            row += c;
        }
        picture.push_back(row);
    }
    return picture;
}

Bgr pixelAt(const TBitmap &raster, int x, int y)
{
    const std::uint8_t *pixel = raster.scanLine(y) + kBytesPerPixel * x;
    return {pixel[kBlueByte], pixel[kGreenByte], pixel[kRedByte]};
}

void setPixel(TBitmap &raster, int x, int y, Bgr value)
{
    std::uint8_t *pixel = raster.scanLine(y) + kBytesPerPixel * x;
    pixel[kBlueByte] = std::uint8_t(value.blue);
    pixel[kGreenByte] = std::uint8_t(value.green);
    pixel[kRedByte] = std::uint8_t(value.red);
}
