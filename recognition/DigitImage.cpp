#include "recognition/DigitImage.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

namespace {

// Adds `amount` times the overlap of [from, to) with each unit cell to that cell's weight.
// The cells run from 0 to `cells` - 1; `from` and `to` lie within [0, cells].
template<typename Add> void spread(double from, double to, int cells, Add add)
{
    int first = std::clamp(int(std::floor(from)), 0, cells - 1);
    const int last = std::clamp(int(std::ceil(to)) - 1, 0, cells - 1);
    for (int c = first; c <= last; ++c) {
        const double overlap = std::min(to, double(c + 1)) - std::max(from, double(c));
        if (overlap > 0)
            add(c, overlap);
    }
}

// The cells that each of `lines` pixels of a side reaches into once scaled, and by how much:
// line i's overlaps are overlaps[first[i]] up to overlaps[first[i + 1]].
struct Overlaps
{
    std::vector<std::int32_t> first;
    std::vector<std::pair<int, double>> overlaps;
};

Overlaps overlapsOf(int lines, double scale, int cells)
{
    Overlaps result;
    result.first.reserve(std::size_t(lines) + 1);
    for (int i = 0; i < lines; ++i) {
        result.first.push_back(std::int32_t(result.overlaps.size()));
        const double from = i * scale;
        spread(from, std::min(from + scale, double(cells)), cells,
            [&](int cell, double amount) { result.overlaps.emplace_back(cell, amount); });
    }
    result.first.push_back(std::int32_t(result.overlaps.size()));
    return result;
}

} // namespace

void NormaliseDigit(std::span<const Point> points, DigitImage &image)
{
    image.fill(0.0f);
    if (points.empty())
        return;
    const Box box = BoundingBox(points);
    const double longer = double(std::max(box.width, box.height));
    const double scale = kDigitBox / longer;
    // One scale for both axes; the fitted box is the cells that the scaled box reaches into.
    const double scaleX = scale, scaleY = scale;
    const int cellsX = std::clamp(int(std::ceil(box.width * scale - 1e-9)), 1, kDigitBox);
    const int cellsY = std::clamp(int(std::ceil(box.height * scale - 1e-9)), 1, kDigitBox);

    // Area averaging into the fitted box: each pixel covers a scaleX x scaleY rectangle. A
    // pixel's share of a cell is its column's overlap with the cell's columns times its row's
    // with the cell's rows; those overlaps are worked out once per column and per row of the
    // box, then taken pixel by pixel in the same order and with the same products.
    const Overlaps columns = overlapsOf(box.width, scaleX, cellsX);
    const Overlaps rows = overlapsOf(box.height, scaleY, cellsY);
    std::array<double, kDigitBox * kDigitBox> fitted {};
    for (const Point &p : points) {
        const std::size_t x = std::size_t(p.x - box.x), y = std::size_t(p.y - box.y);
        for (std::int32_t r = rows.first[y]; r < rows.first[y + 1]; ++r) {
            const auto [row, dy] = rows.overlaps[std::size_t(r)];
            double *line = &fitted[std::size_t(row * kDigitBox)];
            for (std::int32_t c = columns.first[x]; c < columns.first[x + 1]; ++c) {
                const auto [column, dx] = columns.overlaps[std::size_t(c)];
                line[column] += dx * dy;
            }
        }
    }

    // Centre of mass of the fitted box, in cells (cell c's centre is c + 0.5).
    double mass = 0, sumX = 0, sumY = 0;
    for (int row = 0; row < cellsY; ++row)
        for (int column = 0; column < cellsX; ++column) {
            const double value = std::min(1.0, fitted[std::size_t(row * kDigitBox + column)]);
            mass += value;
            sumX += value * (column + 0.5);
            sumY += value * (row + 0.5);
        }
    const double centreX = mass > 0 ? sumX / mass : cellsX / 2.0;
    const double centreY = mass > 0 ? sumY / mass : cellsY / 2.0;
    const int left =
        std::clamp(int(std::lround(kDigitSide / 2.0 - centreX)), 0, kDigitSide - cellsX);
    const int top =
        std::clamp(int(std::lround(kDigitSide / 2.0 - centreY)), 0, kDigitSide - cellsY);

    // Grey levels are whole 255ths, so that a training set stored in bytes holds exactly the
    // pictures the program makes.
    for (int row = 0; row < cellsY; ++row)
        for (int column = 0; column < cellsX; ++column) {
            const double value = std::min(1.0, fitted[std::size_t(row * kDigitBox + column)]);
            image[std::size_t((top + row) * kDigitSide + left + column)] =
                float(std::lround(value * 255.0)) / 255.0f;
        }
}
