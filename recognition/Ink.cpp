#include "recognition/Ink.h"

#include "picture/PixelLayout.h"
#include "picture/RowTable.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <stdexcept>

namespace {

// The polarity is judged on at most this many pixels, spread evenly over the page.
constexpr std::int64_t kMostSamples = std::int64_t(1) << 18;

// The grid: a cell's side grows with the picture (about 220 cells along the geometric mean of
// its sides), within these bounds.
constexpr double kCellsAcross = 220;
constexpr int kLeastCell = 4;
constexpr int kMostCell = 16;

// The background is each cell's lightest tone, closed over (2r + 1) x (2r + 1) cells; the ink
// near a cell is the darkest tone within r cells. Strokes up to about 2r cells wide vanish from
// the background, which still follows a shadow's slope.
constexpr int kCloseRadius = 2;
constexpr int kInkRadius = 2;

// Ink must stand this far below its background, in levels and as a share of the background's
// tone, or the cell has none: noise, grain, gradients and a bare shadow's edge stay background.
constexpr float kLeastContrast = 48;
constexpr float kMostInkShare = 0.8f;
// On a grainy page ink must stand out further: by this many times the grain, the median
// difference in lightness between a pixel and the next one in its row (about the grain's
// standard deviation). On clean pages, flat paper and flat ink, that median is 0.
constexpr float kGrainFactor = 8;

// Where the background is at least this light and the ink at least this dark, the fixed rule's
// limit separates them well and is kept, so that clean pages keep their regions exactly.
constexpr float kFixedLimit = 128;
constexpr float kFixedLeastBackground = 192;
constexpr float kFixedMostInk = 64;

// Elsewhere the threshold lies this far from the ink towards the background: nearer the
// background than half way, so that a stroke keeps its blurred or glowing edge and a lit
// display's segments stay joined (chosen on the validation pages).
constexpr float kDarkSplit = 0.7f;
constexpr float kLightSplit = 0.75f;

// The bytes InkInRaster writes.
constexpr std::uint8_t kInkRed = 0, kInkGreen = 0;
constexpr std::uint8_t kBackgroundRed = 255, kBackgroundGreen = 254;
constexpr std::uint8_t kMarkedGreen = 255;

std::int64_t cellsOf(std::int64_t width, std::int64_t height, int cell)
{
    return ((width + cell - 1) / cell) * ((height + cell - 1) / cell);
}

int cellSide(std::int64_t width, std::int64_t height)
{
    const double side = std::sqrt(double(width) * double(height)) / kCellsAcross;
    return std::clamp(int(std::lround(side)), kLeastCell, kMostCell);
}

// The loops over a row's pixels, written so that the compiler takes many pixels at once; on
// x86 each has a second version for processors with AVX2, chosen when the program starts.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SANITIZE_ADDRESS__)
#define UMNOGLAZ_PIXEL_LOOP __attribute__((target_clones("avx2", "default")))
#else
#define UMNOGLAZ_PIXEL_LOOP
#endif

// The tones of `count` pixels of a row.
UMNOGLAZ_PIXEL_LOOP void darkTones(const std::uint8_t *row, int count, std::uint8_t *tones)
{
    for (int x = 0; x < count; ++x) {
        const std::uint8_t b = row[3 * x], g = row[3 * x + 1], r = row[3 * x + 2];
        const std::uint8_t bg = b < g ? b : g;
        tones[x] = bg < r ? bg : r;
    }
}

UMNOGLAZ_PIXEL_LOOP void lightTones(const std::uint8_t *row, int count, std::uint8_t *tones)
{
    for (int x = 0; x < count; ++x) {
        const std::uint8_t b = row[3 * x], g = row[3 * x + 1], r = row[3 * x + 2];
        const std::uint8_t bg = b > g ? b : g;
        tones[x] = std::uint8_t(255 - (bg > r ? bg : r));
    }
}

template<bool Light> void rowTones(const std::uint8_t *row, int count, std::uint8_t *tones)
{
    if constexpr (Light)
        lightTones(row, count, tones);
    else
        darkTones(row, count, tones);
}

// Keeps each pixel's red and green and writes what the ink mask (255: ink) says.
UMNOGLAZ_PIXEL_LOOP void lendRow(
    std::uint8_t *row, const std::uint8_t *ink, std::uint8_t *keep, int width)
{
    for (int x = 0; x < width; ++x) {
        const std::uint8_t b = row[3 * x], g = row[3 * x + 1], r = row[3 * x + 2];
        keep[2 * x] = r;
        keep[2 * x + 1] = g;
        row[3 * x] = b;
        row[3 * x + 1] = std::uint8_t(~ink[x] & kBackgroundGreen);
        row[3 * x + 2] = std::uint8_t(~ink[x] & kBackgroundRed);
    }
}

// Puts back what lendRow kept, except the walk's marks and anything drawn meanwhile.
UMNOGLAZ_PIXEL_LOOP void restoreRow(std::uint8_t *row, const std::uint8_t *keep, int width)
{
    for (int x = 0; x < width; ++x) {
        const std::uint8_t b = row[3 * x], g = row[3 * x + 1], r = row[3 * x + 2];
        const bool lent =
            ((r == kBackgroundRed) & (g == kBackgroundGreen)) | ((r == kInkRed) & (g == kInkGreen));
        const bool marked = (r == kInkRed) & (g == kMarkedGreen);
        row[3 * x] = b;
        row[3 * x + 1] = lent ? keep[2 * x + 1] : g;
        row[3 * x + 2] = (lent || marked) ? keep[2 * x] : r;
    }
}

// The polarity is voted on by tiles of this many cells a side, each tile with at least this
// many samples and this range of lightness between its 2nd and 98th percentile. Areas of the
// other polarity are found on tiles half as wide.
constexpr int kTileCells = 16;
constexpr int kAreaCells = kTileCells / 2;
constexpr int kLeastTileSamples = 16;
constexpr int kLeastTileRange = 48;
constexpr int kLightnessBins = 64; // four levels a bin
// An area reads in the page's other polarity only where its middle tone is a screen's or a
// display's background, darker than any shadow on paper (paper in a deep shadow keeps a third
// of its light, about 80), or, on a dark page, a sheet of paper's.
constexpr int kDarkestArea = 64;
constexpr int kLightestArea = 255 - kDarkestArea;

// What a tile's lightness says: nothing (too few samples or too little contrast), dark ink or
// light ink; and its middle lightness. A tile says light ink when its middle lies below the
// middle of its range (most of it is then the darker side), dark ink otherwise.
struct TileLook
{
    enum Vote : std::uint8_t { None, Dark, Light } vote = None;
    int middle = -1; // -1: too few samples to say
};

TileLook judgeTile(const std::int32_t *histogram)
{
    std::int64_t total = 0;
    for (int bin = 0; bin < kLightnessBins; ++bin)
        total += histogram[bin];
    if (total < kLeastTileSamples)
        return {TileLook::None, -1};
    auto quantile = [&](double share) {
        const double wanted = share * double(total);
        std::int64_t seen = 0;
        for (int bin = 0; bin < kLightnessBins; ++bin) {
            seen += histogram[bin];
            if (double(seen) > wanted)
                return bin * 4 + 2;
        }
        return 255;
    };
    const int middle = quantile(0.5), low = quantile(0.02), high = quantile(0.98);
    if (high - low < kLeastTileRange)
        return {TileLook::None, middle};
    return {2 * middle < low + high ? TileLook::Light : TileLook::Dark, middle};
}

// The page as a whole: its polarity, its grain, and the tiles of kAreaCells cells a side that
// it reads in the other polarity (none, on most pages).
struct PageLook
{
    InkPolarity polarity = InkPolarity::DarkOnLight;
    int grain = 0;
    int areaColumns = 0;
    int areaRows = 0;
    std::vector<std::uint8_t> otherAreas; // areaRows x areaColumns, 1: the other polarity
};

// The tiles that read in the other polarity: those that vote for it with the background it
// needs, most of their neighbours having that background too (so that a bold stroke on paper,
// black across a whole tile, stays the page's), and next to them those that vote for it anyway
// or say nothing on that background, so that digits on the edge of a dark panel read whole.
std::vector<std::uint8_t> otherAreas(
    const std::vector<TileLook> &areas, int columns, int rows, InkPolarity polarity)
{
    const TileLook::Vote other =
        polarity == InkPolarity::DarkOnLight ? TileLook::Light : TileLook::Dark;
    auto background = [&](const TileLook &look) {
        return look.middle >= 0 &&
            (other == TileLook::Light ? look.middle <= kDarkestArea : look.middle >= kLightestArea);
    };
    auto at = [&](int x, int y) -> const TileLook & {
        return areas[std::size_t(y) * std::size_t(columns) + std::size_t(x)];
    };
    // Calls what(nx, ny) for each of the up to eight neighbours of (x, y).
    auto neighbours = [&](int x, int y, auto what) {
        for (int ny = std::max(0, y - 1); ny <= std::min(rows - 1, y + 1); ++ny)
            for (int nx = std::max(0, x - 1); nx <= std::min(columns - 1, x + 1); ++nx) {
                if (nx != x || ny != y)
                    what(nx, ny);
            }
    };
    std::vector<std::uint8_t> sure(areas.size(), 0);
    bool any = false;
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < columns; ++x) {
            if (at(x, y).vote != other || !background(at(x, y)))
                continue;
            int present = 0, alike = 0;
            neighbours(x, y, [&](int nx, int ny) {
                ++present;
                alike += background(at(nx, ny));
            });
            if (8 * alike >= 5 * present) {
                sure[std::size_t(y) * std::size_t(columns) + std::size_t(x)] = 1;
                any = true;
            }
        }
    if (!any)
        return {};
    std::vector<std::uint8_t> grown = sure;
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < columns; ++x) {
            if (at(x, y).vote != other &&
                !(at(x, y).vote == TileLook::None && background(at(x, y))))
                continue;
            neighbours(x, y, [&](int nx, int ny) {
                if (sure[std::size_t(ny) * std::size_t(columns) + std::size_t(nx)])
                    grown[std::size_t(y) * std::size_t(columns) + std::size_t(x)] = 1;
            });
        }
    return grown;
}

// Light ink on a dark background when most tiles say so; a tile without contrast says nothing.
// Tiles, not the page, so that a shadow over half a page is dark paper with darker ink where
// it lies, not a dark page. The votes are counted on tiles of kTileCells cells, each the sum of
// four areas of kAreaCells. The grain is the median difference of lightness between a sampled
// pixel and the next one in its row.
PageLook lookAtPage(const RowTable &rows, int cell)
{
    const std::int64_t width = rows.width(), height = rows.height();
    const int step = int(std::max<double>(
        1.0, std::ceil(std::sqrt(double(width) * double(height) / double(kMostSamples)))));
    const int area = kAreaCells * cell;
    const int areasAcross = int((width + area - 1) / area),
              areasDown = int((height + area - 1) / area);
    const int tilesAcross = (areasAcross + 1) / 2;
    const MemoryReservation charge(std::int64_t(areasAcross + tilesAcross) * kLightnessBins * 4 +
        std::int64_t(areasAcross) * areasDown * std::int64_t(sizeof(TileLook) + 2));
    std::vector<std::int32_t> areaHistograms(std::size_t(areasAcross) * kLightnessBins);
    std::vector<std::int32_t> tileHistograms(std::size_t(tilesAcross) * kLightnessBins);
    std::vector<TileLook> areas(std::size_t(areasAcross) * std::size_t(areasDown));
    std::array<std::int64_t, 256> steps {}; // differences between neighbours in a row
    std::int64_t stepsSeen = 0;
    int lightVotes = 0, darkVotes = 0;
    auto vote = [&] {
        for (int t = 0; t < tilesAcross; ++t) {
            const TileLook look = judgeTile(&tileHistograms[std::size_t(t) * kLightnessBins]);
            lightVotes += look.vote == TileLook::Light;
            darkVotes += look.vote == TileLook::Dark;
        }
        std::fill(tileHistograms.begin(), tileHistograms.end(), 0);
    };
    // The areas are taken a row of them at a time, the tiles every second row.
    for (int areaRow = 0; areaRow < areasDown; ++areaRow) {
        std::fill(areaHistograms.begin(), areaHistograms.end(), 0);
        const int top = areaRow * area, bottom = int(std::min<std::int64_t>(height, top + area));
        // The samples lie on a lattice that starts afresh with each row of tiles; the outermost
        // pixels (the loader's frame) are left out.
        int y = std::max(1, (areaRow / 2) * 2 * area + step / 2);
        while (y < top)
            y += step;
        for (; y < std::min<std::int64_t>(bottom, height - 1); y += step) {
            const std::uint8_t *row = rows[y];
            for (int x = 1 + step / 2; x < width - 1; x += step) {
                const std::uint8_t *p = row + kBytesPerPixel * std::size_t(x);
                const int lo = std::min({p[0], p[1], p[2]}), hi = std::max({p[0], p[1], p[2]});
                ++areaHistograms[std::size_t(x / area) * kLightnessBins +
                    std::size_t((lo + hi) / 8)];
                if (x + 2 < width) {
                    const std::uint8_t *q = p + kBytesPerPixel;
                    const int nextLo = std::min({q[0], q[1], q[2]});
                    const int nextHi = std::max({q[0], q[1], q[2]});
                    ++steps[std::size_t(std::abs(lo + hi - nextLo - nextHi) / 2)];
                    ++stepsSeen;
                }
            }
        }
        for (int a = 0; a < areasAcross; ++a) {
            const std::int32_t *histogram = &areaHistograms[std::size_t(a) * kLightnessBins];
            areas[std::size_t(areaRow) * std::size_t(areasAcross) + std::size_t(a)] =
                judgeTile(histogram);
            std::int32_t *tile = &tileHistograms[std::size_t(a / 2) * kLightnessBins];
            for (int bin = 0; bin < kLightnessBins; ++bin)
                tile[bin] += histogram[bin];
        }
        if (areaRow % 2 == 1 || areaRow + 1 == areasDown)
            vote();
    }
    PageLook look;
    look.polarity = lightVotes > darkVotes ? InkPolarity::LightOnDark : InkPolarity::DarkOnLight;
    std::int64_t seen = 0;
    while (look.grain < 255 && 2 * (seen + steps[std::size_t(look.grain)]) <= stepsSeen)
        seen += steps[std::size_t(look.grain++)];
    look.areaColumns = areasAcross;
    look.areaRows = areasDown;
    look.otherAreas = otherAreas(areas, areasAcross, areasDown, look.polarity);
    return look;
}

// Each cell's lightest and darkest tone, in one pass over the rows: a column's extremes over
// the cell's rows, then the cell's over its columns. The outermost pixels (the loader's frame,
// never ink) are left out; a cell with no pixel inside them keeps 0 and 255, which the filters
// below pass over.
template<bool Light>
void cellExtremes(const RowTable &rows, const InkGrid &grid, std::vector<std::uint8_t> &lightest,
    std::vector<std::uint8_t> &darkest)
{
    const int width = grid.width, height = grid.height, cell = grid.cell;
    const auto columns = static_cast<std::size_t>(width);
    std::vector<std::uint8_t> columnLight(columns), columnDark(columns), tones(columns);
    const int inner = std::max(0, width - 2);
    for (int top = 0, cellRow = 0; top < height; top += cell, ++cellRow) {
        std::fill(columnLight.begin(), columnLight.end(), std::uint8_t(0));
        std::fill(columnDark.begin(), columnDark.end(), std::uint8_t(255));
        for (int y = std::max(top, 1); y < std::min(height - 1, top + cell); ++y) {
            rowTones<Light>(rows[y] + kBytesPerPixel, inner, tones.data() + 1);
            std::uint8_t *light = columnLight.data() + 1, *dark = columnDark.data() + 1;
            const std::uint8_t *tone = tones.data() + 1;
            for (int x = 0; x < inner; ++x) {
                light[x] = light[x] > tone[x] ? light[x] : tone[x];
                dark[x] = dark[x] < tone[x] ? dark[x] : tone[x];
            }
        }
        for (int column = 0; column < grid.columns; ++column) {
            const auto from = std::size_t(column * cell);
            const auto to = std::size_t(std::min(width, (column + 1) * cell));
            const std::size_t at = std::size_t(cellRow) * std::size_t(grid.columns) + column;
            lightest[at] = *std::max_element(&columnLight[from], &columnLight[0] + to);
            darkest[at] = *std::min_element(&columnDark[from], &columnDark[0] + to);
        }
    }
}

// The lightest (or darkest) value within radius cells of each cell: a dilation (an erosion)
// by a square of 2 radius + 1 cells, in which cells beyond the grid's edge take no part.
void extremeWithin(
    std::vector<std::uint8_t> &grid, int columns, int rows, int radius, bool lightest)
{
    cv::Mat cells(rows, columns, CV_8UC1, grid.data());
    const cv::Mat square =
        cv::getStructuringElement(cv::MORPH_RECT, cv::Size(2 * radius + 1, 2 * radius + 1));
    if (lightest)
        cv::dilate(cells, cells, square);
    else
        cv::erode(cells, cells, square);
}

float cellThreshold(float background, float ink, float leastContrast, InkPolarity polarity)
{
    if (background - ink < leastContrast || ink > kMostInkShare * background)
        return 0;
    if (polarity == InkPolarity::DarkOnLight) {
        if (background >= kFixedLeastBackground && ink <= kFixedMostInk)
            return kFixedLimit;
        return ink + kDarkSplit * (background - ink);
    }
    return ink + kLightSplit * (background - ink);
}

// Where pixel i of n along a side lies between the centres of the cells: the cell before it,
// the one after (the same at the edges) and the share of the way from one to the other.
struct Between
{
    int before = 0;
    int after = 0;
    float share = 0;
};

Between between(int i, int cell, int cells)
{
    const float at = (float(i) + 0.5f) / float(cell) - 0.5f;
    if (at <= 0)
        return {0, 0, 0};
    const int before = std::min(int(at), cells - 1);
    const int after = std::min(before + 1, cells - 1);
    return {before, after, after == before ? 0.0f : at - float(before)};
}

// The threshold of the pixels from..to - 1 of a row, from the row's thresholds at the cells'
// centres: linear between two centres, level beyond the first and the last.
void rowLimits(const std::vector<float> &atCells, int cell, int from, int to, float *limits)
{
    const int columns = int(atCells.size());
    auto firstAfter = [cell](int c) { return c * cell + cell / 2; }; // first x at or past c
    const int head = std::min(to, firstAfter(0));
    for (int x = from; x < head; ++x)
        limits[x] = atCells.front();
    for (int c = std::max(0, from / cell - 1); c + 1 < columns && firstAfter(c) < to; ++c) {
        const float low = atCells[std::size_t(c)], rise = atCells[std::size_t(c) + 1] - low;
        const int end = std::min(to, firstAfter(c + 1));
        for (int x = std::max(from, firstAfter(c)); x < end; ++x)
            limits[x] = low + rise * ((float(x) + 0.5f) / float(cell) - 0.5f - float(c));
    }
    for (int x = std::max(from, firstAfter(columns - 1)); x < to; ++x)
        limits[x] = atCells.back();
}

struct RowScratch
{
    std::vector<float> atCells;
    std::vector<float> limits;
    std::vector<std::uint8_t> tones;
};

// One polarity's ink along the pixels from..to - 1 of row y: 255 where a pixel's tone lies
// below its threshold.
template<bool Light>
void rowInk(const std::uint8_t *row, int y, int from, int to, const std::vector<float> &threshold,
    const InkGrid &grid, RowScratch &scratch, std::uint8_t *ink)
{
    const Between down = between(y, grid.cell, grid.rows);
    const float *upper = &threshold[std::size_t(down.before) * std::size_t(grid.columns)];
    const float *lower = &threshold[std::size_t(down.after) * std::size_t(grid.columns)];
    bool any = false;
    for (int c = 0; c < grid.columns; ++c) {
        scratch.atCells[std::size_t(c)] = upper[c] + (lower[c] - upper[c]) * down.share;
        any |= scratch.atCells[std::size_t(c)] > 0;
    }
    if (!any) {
        std::fill(ink + from, ink + to, std::uint8_t(0));
        return;
    }
    // Through local pointers: a store to ink could otherwise alias the scratch vectors' own.
    const std::uint8_t *tones = scratch.tones.data();
    const float *limits = scratch.limits.data();
    rowLimits(scratch.atCells, grid.cell, from, to, scratch.limits.data());
    rowTones<Light>(
        row + kBytesPerPixel * std::size_t(from), to - from, scratch.tones.data() + from);
    for (int x = from; x < to; ++x)
        ink[x] = float(tones[x]) < limits[x] ? 255 : 0;
}

void writeInk(RowTable &rows, const InkGrid &grid, std::uint8_t *saved)
{
    const int width = grid.width, height = grid.height;
    const auto pixels = static_cast<std::size_t>(width);
    const bool pageLight = grid.polarity == InkPolarity::LightOnDark;
    RowScratch scratch {std::vector<float>(std::size_t(grid.columns)), std::vector<float>(pixels),
        std::vector<std::uint8_t>(pixels)};
    std::vector<std::uint8_t> ink(pixels);
    for (int y = 0; y < height; ++y) {
        std::uint8_t *row = rows[y];
        // The outermost pixels are never ink: the loader's white frame lies there, which
        // around a dark picture would be light ink, one region round the whole page.
        if (y == 0 || y == height - 1) {
            std::fill(ink.begin(), ink.end(), std::uint8_t(0));
        } else {
            // The row in runs of areas of one polarity: one run of the page's on most pages.
            const std::uint8_t *areas = grid.otherAreas.empty()
                ? nullptr
                : &grid.otherAreas[std::size_t(y / grid.area) * std::size_t(grid.areaColumns)];
            for (int from = 0, to = width; from < width; from = to) {
                const bool other = areas && areas[from / grid.area];
                if (areas) {
                    int area = from / grid.area;
                    while (area < grid.areaColumns && (areas[area] != 0) == other)
                        ++area;
                    to = std::min(width, area * grid.area);
                }
                const std::vector<float> &threshold = other ? grid.otherThreshold : grid.threshold;
                if (pageLight != other)
                    rowInk<true>(row, y, from, to, threshold, grid, scratch, ink.data());
                else
                    rowInk<false>(row, y, from, to, threshold, grid, scratch, ink.data());
            }
            ink.front() = 0;
            ink.back() = 0;
        }
        lendRow(row, ink.data(), saved + 2 * pixels * std::size_t(y), width);
    }
}

// One polarity's threshold for each cell of the grid.
std::vector<float> cellThresholds(
    const RowTable &rows, const InkGrid &grid, InkPolarity polarity, float leastContrast)
{
    const std::size_t cells = std::size_t(grid.columns) * std::size_t(grid.rows);
    std::vector<std::uint8_t> background(cells), ink(cells);
    if (polarity == InkPolarity::DarkOnLight)
        cellExtremes<false>(rows, grid, background, ink);
    else
        cellExtremes<true>(rows, grid, background, ink);
    // A closing: strokes narrower than the window leave the background, slopes stay.
    extremeWithin(background, grid.columns, grid.rows, kCloseRadius, true);
    extremeWithin(background, grid.columns, grid.rows, kCloseRadius, false);
    extremeWithin(ink, grid.columns, grid.rows, kInkRadius, false);
    std::vector<float> threshold(cells);
    for (std::size_t i = 0; i < cells; ++i)
        threshold[i] = cellThreshold(float(background[i]), float(ink[i]), leastContrast, polarity);
    return threshold;
}

} // namespace

std::string_view InkRuleName(InkRule rule)
{
    return rule == InkRule::Auto ? "auto" : "fixed";
}

std::optional<InkRule> ParseInkRule(std::string_view name)
{
    if (name == "fixed")
        return InkRule::Fixed;
    if (name == "auto")
        return InkRule::Auto;
    return std::nullopt;
}

std::int64_t InkBytes(std::int64_t width, std::int64_t height)
{
    if (width <= 0 || height <= 0)
        return 0;
    // The kept bytes; per column two extremes, a place between cells and a threshold; per
    // cell two extremes, a filter's copy and a threshold.
    const std::int64_t cells = cellsOf(width, height, cellSide(width, height));
    return 2 * width * height + 24 * width + 16 * cells;
}

InkGrid FindInk(const RowTable &rows)
{
    InkGrid grid;
    if (rows.isEmpty())
        return grid;
    grid.width = rows.width();
    grid.height = rows.height();
    grid.cell = cellSide(grid.width, grid.height);
    grid.columns = (grid.width + grid.cell - 1) / grid.cell;
    grid.rows = (grid.height + grid.cell - 1) / grid.cell;
    PageLook look = lookAtPage(rows, grid.cell);
    grid.polarity = look.polarity;

    const std::size_t cells = std::size_t(grid.columns) * std::size_t(grid.rows);
    const bool mixed = !look.otherAreas.empty();
    // Two planes of cells and a filter's copy; three rows of columns.
    const MemoryReservation working(std::int64_t(3 * cells + 3 * std::size_t(grid.width)));
    grid.charge.resize(
        std::int64_t((mixed ? 2 : 1) * cells * sizeof(float) + look.otherAreas.size()));
    const float least = std::max(kLeastContrast, kGrainFactor * float(look.grain));
    grid.threshold = cellThresholds(rows, grid, grid.polarity, least);
    if (mixed) {
        grid.area = kAreaCells * grid.cell;
        grid.areaColumns = look.areaColumns;
        grid.areaRows = look.areaRows;
        grid.otherAreas = std::move(look.otherAreas);
        grid.otherThreshold = cellThresholds(rows, grid,
            grid.polarity == InkPolarity::DarkOnLight ? InkPolarity::LightOnDark
                                                      : InkPolarity::DarkOnLight,
            least);
    }
    return grid;
}

InkInRaster::InkInRaster(RowTable &rows, const InkGrid &grid)
    : m_rows(rows)
{
    if (rows.isEmpty())
        return;
    if (grid.width != rows.width() || grid.height != rows.height())
        throw std::invalid_argument("the ink grid belongs to another picture");
    const std::size_t bytes = 2 * std::size_t(rows.width()) * std::size_t(rows.height());
    m_charge.resize(std::int64_t(bytes + 16 * std::size_t(rows.width())));
    m_saved.reset(new std::uint8_t[bytes]);
    writeInk(rows, grid, m_saved.get());
}

void InkInRaster::restore() noexcept
{
    if (!m_saved)
        return;
    const int width = m_rows.width(), height = m_rows.height();
    for (int y = 0; y < height; ++y)
        restoreRow(m_rows[y], m_saved.get() + 2 * std::size_t(width) * std::size_t(y), width);
    m_saved.reset();
    m_charge.clear();
}
