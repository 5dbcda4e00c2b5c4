#include "training/GlyphScenes.h"

#include "picture/PictureStore.h"
#include "recognition/DigitImage.h"
#include "recognition/DigitNetwork.h"
#include "recognition/GlyphPieces.h"
#include "recognition/RecognizeAll.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Atoms are the regions whose box's longer side reaches this; the program's least digit size
// is chosen in training and lies above it.
constexpr int kLeastAtomSide = 8;
// A run counts as a digit's when they share nine tenths of each other's pixels.
constexpr double kOwnShare = 0.9;
// A run as tall as this share of its block, in tenths, is one the reading may take for a digit.
constexpr int kDigitTenths = 6;

// Traces every region and reads none: the pass only has to tell which regions have outlines.
class OutlinesOnly : public Recogniser
{
public:
    void recognise(const item &, const ChainCode &, RegionResult &) override { }
};

struct InkBox
{
    int left, top, right, bottom; // inclusive; left > right when there is no ink
};

InkBox inkBox(const Mask &mask)
{
    InkBox box {mask.width, mask.height, -1, -1};
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x)
            if (mask.at(x, y)) {
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y);
            }
    return box;
}

Sample sampleOf(const std::vector<Point> &points, const Box &box, int label)
{
    DigitImage image;
    NormaliseDigit(points, image);
    Sample sample;
    sample.label = std::uint8_t(label);
    sample.width = std::uint16_t(std::min(box.width, 65535));
    sample.height = std::uint16_t(std::min(box.height, 65535));
    sample.count = std::uint32_t(points.size());
    for (int i = 0; i < kDigitPixels; ++i)
        sample.grey[std::size_t(i)] = std::uint8_t(std::lround(image[std::size_t(i)] * 255.0f));
    return sample;
}

} // namespace

std::vector<SceneDigit> SideBySide(const std::vector<Mask> &masks, const std::vector<int> &digits,
    const std::vector<int> &gaps, int jitter, std::mt19937 &random)
{
    std::vector<SceneDigit> placed;
    std::uniform_int_distribution<int> shift(-jitter, jitter);
    int inkRight = 0;
    for (std::size_t i = 0; i < masks.size(); ++i) {
        const InkBox ink = inkBox(masks[i]);
        if (ink.right < ink.left)
            continue;
        SceneDigit digit {masks[i], 0, 0, digits[i]};
        digit.x = placed.empty() ? -ink.left : inkRight + 1 + gaps[i] - ink.left;
        digit.y = -ink.bottom + (jitter > 0 ? shift(random) : 0);
        inkRight = digit.x + ink.right;
        placed.push_back(std::move(digit));
    }
    return placed;
}

std::vector<Sample> GlyphSamples(const std::vector<SceneDigit> &digits, int mostNotDigits,
    std::mt19937 &random, bool partsMayBeDigits)
{
    std::vector<Sample> samples;
    if (digits.empty())
        return samples;
    // The line's extent, with a margin of paper.
    constexpr int kMargin = 6;
    int left = INT32_MAX, top = INT32_MAX, right = INT32_MIN, bottom = INT32_MIN;
    for (const SceneDigit &d : digits) {
        left = std::min(left, d.x);
        top = std::min(top, d.y);
        right = std::max(right, d.x + d.mask.width);
        bottom = std::max(bottom, d.y + d.mask.height);
    }
    const int width = right - left + 2 * kMargin, height = bottom - top + 2 * kMargin;
    if (std::int64_t(width) * height > 4'000'000)
        return samples;

    // Each pixel's digit: the last one painted there.
    std::vector<std::int16_t> owner(std::size_t(width) * std::size_t(height), -1);
    std::vector<int> own(digits.size(), 0);
    for (std::size_t i = 0; i < digits.size(); ++i) {
        const SceneDigit &d = digits[i];
        for (int y = 0; y < d.mask.height; ++y)
            for (int x = 0; x < d.mask.width; ++x)
                if (d.mask.at(x, y))
                    owner[std::size_t(d.y - top + kMargin + y) * std::size_t(width) +
                        std::size_t(d.x - left + kMargin + x)] = std::int16_t(i);
    }
    for (const std::int16_t o : owner)
        if (o >= 0)
            ++own[std::size_t(o)];

    PictureStore store;
    store.workRaster.setSize(width, height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t *row = store.workRaster.scanLine(y);
        for (int x = 0; x < width; ++x)
            std::memset(
                row + 3 * x, owner[std::size_t(y) * std::size_t(width) + x] >= 0 ? 0 : 255, 3);
    }
    RebuildRowTable(store.rowTable, store.workRaster);
    RecognitionState state;
    NoProgress progress;
    OutlinesOnly outlines;
    const std::vector<RegionResult> results =
        RecognizeAll(store.workRaster, store.rowTable, state, progress, outlines, 1);
    MemoryReservation charge;
    const GlyphPieces pieces =
        FindGlyphPieces(state.regions, results, kLeastAtomSide, charge, BlockJoin::AnySize);

    std::vector<Sample> notDigits;
    std::vector<Point> points;
    std::vector<int> shared(digits.size());
    for (const GlyphBlock &block : pieces.blocks) {
        for (const GlyphRun &run : CandidateRuns(pieces, block)) {
            points.clear();
            for (std::size_t a = run.first; a < run.last; ++a)
                AppendAtomPoints(state.regions, pieces.atoms[block.atoms[a]], points);
            std::fill(shared.begin(), shared.end(), 0);
            for (const Point &p : points) {
                const std::int16_t o =
                    owner[std::size_t(p.y) * std::size_t(width) + std::size_t(p.x)];
                if (o >= 0)
                    ++shared[std::size_t(o)];
            }
            const std::size_t best =
                std::size_t(std::max_element(shared.begin(), shared.end()) - shared.begin());
            const bool withinOne = shared[best] >= kOwnShare * double(points.size());
            const bool isDigit = withinOne && shared[best] >= kOwnShare * own[best];
            if (isDigit)
                samples.push_back(sampleOf(points, run.box, digits[best].digit));
            else if (std::int64_t(run.box.height) * 10 >=
                    std::int64_t(kDigitTenths) * block.height &&
                !(partsMayBeDigits && withinOne))
                notDigits.push_back(sampleOf(points, run.box, kNotADigit));
        }
    }
    std::shuffle(notDigits.begin(), notDigits.end(), random);
    if (int(notDigits.size()) > mostNotDigits)
        notDigits.resize(std::size_t(mostNotDigits));
    samples.insert(samples.end(), notDigits.begin(), notDigits.end());
    return samples;
}

Mask Broken(const Mask &mask, std::mt19937 &random)
{
    Mask broken = mask;
    const InkBox ink = inkBox(mask);
    if (ink.right < ink.left)
        return broken;
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const int bands = 1 + int(unit(random) * 3);
    for (int b = 0; b < bands; ++b) {
        // A band through a point of the ink's box, at an angle, erased.
        const double cx = ink.left + unit(random) * (ink.right - ink.left + 1);
        const double cy = ink.top + unit(random) * (ink.bottom - ink.top + 1);
        const double angle = unit(random) * M_PI;
        const double nx = std::cos(angle), ny = std::sin(angle);
        const double half = (1 + int(unit(random) * 3)) / 2.0;
        for (int y = ink.top; y <= ink.bottom; ++y)
            for (int x = ink.left; x <= ink.right; ++x)
                if (std::abs((x - cx) * nx + (y - cy) * ny) <= half)
                    broken.at(x, y) = 0;
    }
    return broken;
}
