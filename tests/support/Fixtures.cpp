#include "tests/support/Fixtures.h"

#include <cstring>

std::vector<Point> pts(std::initializer_list<std::pair<int, int>> list)
{
    std::vector<Point> out;
    for (auto [x, y] : list)
        out.push_back({x, y});
    return out;
}

std::vector<std::uint8_t> codes(const std::string &digits)
{
    std::vector<std::uint8_t> out;
    for (const char c : digits)
        out.push_back(std::uint8_t(c - '0'));
    return out;
}

std::vector<std::string> randomPicture(
    std::mt19937 &random, int width, int height, const std::string &kinds)
{
    std::uniform_int_distribution<std::size_t> pick(0, kinds.size() - 1);
    std::vector<std::string> picture(std::size_t(height), std::string(std::size_t(width), '.'));
    for (auto &row : picture) {
        for (char &c : row)
            c = kinds[pick(random)];
    }
    return picture;
}

std::vector<std::string> randomPicture(std::mt19937 &random, int width, int height, int darkPercent)
{
    std::uniform_int_distribution<int> percent(0, 99);
    std::vector<std::string> picture(std::size_t(height), std::string(std::size_t(width), '.'));
    for (auto &row : picture) {
        for (char &c : row)
            c = percent(random) < darkPercent ? '#' : '.';
    }
    return picture;
}

int countPixels(const TBitmap &raster, Bgr colour, const QRect &area)
{
    const QRect inside = area.intersected(QRect(0, 0, raster.width(), raster.height()));
    int n = 0;
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x)
            n += pixelAt(raster, x, y) == colour;
    }
    return n;
}

int countPixels(const TBitmap &raster, Bgr colour)
{
    return countPixels(raster, colour, QRect(0, 0, raster.width(), raster.height()));
}

bool allPixels(const TBitmap &raster, const QRect &area, Bgr colour)
{
    return countPixels(raster, colour, area) == area.width() * area.height();
}

bool sameRasters(const TBitmap &a, const TBitmap &b)
{
    if (a.width() != b.width() || a.height() != b.height())
        return false;
    for (int y = 0; y < a.height(); ++y) {
        if (std::memcmp(a.scanLine(y), b.scanLine(y), std::size_t(kBytesPerPixel) * a.width()) != 0)
            return false;
    }
    return true;
}

void drawRing(TCanvas &canvas, int x, int y)
{
    canvas.Pen.Width = 5;
    canvas.moveTo(x, y);
    canvas.lineTo(x + 30, y);
    canvas.lineTo(x + 30, y + 40);
    canvas.lineTo(x, y + 40);
    canvas.lineTo(x, y);
}
