// The whole recognition pass on a small raster made from the input, run twice (the second pass
// sees the labels and outline marks of the first). Checks what must hold whatever the picture:
//   - every live region's points are dark, each dark pixel is in exactly one live region, and
//     each region is one 8-connected blob that no other region touches;
//   - the counts add up to the dark pixels that labelling saw;
//   - every walk ends (the pass returns) back at its region's first pixel, inside the raster;
//   - every signature is 100 characters of L and R, beginning with L;
//   - the turns method's pass, which takes small regions' outcomes by their shape, gives the
//     same results and bytes as the same pass walking every region, twice over, on one thread
//     and on two.
//
// Input: byte 0 gives the width, byte 1 the height (1 to 64 each); then one byte per pixel, row
// by row, the rest white. Each byte's low 3 bits choose red 0, 127, 128, 129 or 255 (the
// dark-light edge on both sides), the next 2 bits green 0, 128, 129 or 255 (unmarked and marked),
// and the byte itself is blue.
#include "picture/PictureStore.h"
#include "recognition/RecognizeAll.h"

#include <QGuiApplication>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr std::uint8_t kReds[8] = {0, 127, 128, 129, 255, 255, 0, 127};
constexpr std::uint8_t kGreens[4] = {0, 128, 129, 255};

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// Checks each traced region as the pass recognises it, while the contour is still the walk
// just finished, then lets turn-signature matching name the digit.
class Checker : public Recogniser
{
public:
    Checker(const RecognitionState &state, int width, int height)
        : m_state(state)
        , m_width(width)
        , m_height(height)
    { }

    void recognise(const item &region, const ChainCode &chainCode, RegionResult &result) override
    {
        const Contour &contour = m_state.contour;
        check(!contour.empty() && contour.back() == region.points[0]);
        for (const Point &p : contour)
            check(p.x >= 0 && p.x < m_width && p.y >= 0 && p.y < m_height);
        check(&chainCode == &m_state.chainCode && !chainCode.empty());
        m_turns.recognise(region, chainCode, result);
    }

private:
    const RecognitionState &m_state;
    int m_width;
    int m_height;
    TurnSignatureRecogniser m_turns;
};

// What the pass returned: every traced region coded and signed.
void checkResults(const std::vector<RegionResult> &results)
{
    for (const RegionResult &result : results) {
        if (!result.traced)
            continue;
        check(result.codes > 0);
        const std::string signature = result.signature.text();
        check(signature.size() == 100 && signature[0] == 'L');
        for (const char c : signature)
            check(c == 'L' || c == 'R');
    }
}

// The regions against the raster as labelling saw it (red bytes, row by row).
void checkRegions(
    const RegionTable &regions, const std::vector<std::uint8_t> &red, int width, int height)
{
    check(!regions.empty() && regions[0].count == 0 && regions[0].points.empty());
    std::vector<std::int32_t> owner(red.size(), 0);
    std::int64_t listed = 0;
    for (std::size_t r = 1; r < regions.size(); ++r) {
        const item &region = regions[r];
        check(std::size_t(region.count) == region.points.size());
        listed += region.count;
        for (const Point &p : region.points) {
            check(p.x >= 0 && p.x < width && p.y >= 0 && p.y < height);
            const std::size_t at = std::size_t(p.y) * std::size_t(width) + std::size_t(p.x);
            check(red[at] < 128 && owner[at] == 0);
            owner[at] = std::int32_t(r);
        }
    }
    std::int64_t dark = 0;
    for (const std::uint8_t value : red)
        dark += value < 128;
    check(listed == dark);

    // Dark neighbours share their region, and each region is reached whole from its first point.
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::int32_t here = owner[std::size_t(y) * std::size_t(width) + std::size_t(x)];
            for (int dy = -1; dy <= 1 && here != 0; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    const int nx = x + dx, ny = y + dy;
                    if (nx < 0 || nx >= width || ny < 0 || ny >= height)
                        continue;
                    const std::int32_t there =
                        owner[std::size_t(ny) * std::size_t(width) + std::size_t(nx)];
                    check(there == 0 || there == here);
                }
            }
        }
    }
    std::vector<bool> seen(red.size(), false);
    std::vector<Point> todo;
    for (std::size_t r = 1; r < regions.size(); ++r) {
        if (regions[r].count == 0)
            continue;
        const Point first = regions[r].points[0];
        todo.assign(1, first);
        seen[std::size_t(first.y) * std::size_t(width) + std::size_t(first.x)] = true;
        std::int32_t reached = 0;
        while (!todo.empty()) {
            const Point p = todo.back();
            todo.pop_back();
            ++reached;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    const int nx = p.x + dx, ny = p.y + dy;
                    if (nx < 0 || nx >= width || ny < 0 || ny >= height)
                        continue;
                    const std::size_t at = std::size_t(ny) * std::size_t(width) + std::size_t(nx);
                    if (!seen[at] && owner[at] == std::int32_t(r)) {
                        seen[at] = true;
                        todo.push_back({nx, ny});
                    }
                }
            }
        }
        check(reached == regions[r].count);
    }
}

// Turn-signature matching that walks every region, small ones too.
class WalkingTurns : public TurnSignatureRecogniser
{
public:
    bool readsOutlineOnly() const override { return false; }
};

bool sameBytes(const TBitmap &a, const TBitmap &b)
{
    if (a.width() != b.width() || a.height() != b.height())
        return false;
    for (int y = 0; y < a.height(); ++y) {
        if (std::memcmp(a.scanLine(y), b.scanLine(y), std::size_t(3 * a.width())) != 0)
            return false;
    }
    return true;
}

void checkShapesAgainstWalks(const TBitmap &picture)
{
    static PictureStore walked, byShape;
    for (PictureStore *store : {&walked, &byShape}) {
        if (store->workRaster.isEmpty())
            CreatePictureStore(*store);
        store->workRaster.copyFrom(picture);
        RebuildRowTable(store->rowTable, store->workRaster);
    }
    for (int pass = 0; pass < 2; ++pass) {
        RecognitionState walkedState, byShapeState;
        NoProgress progress;
        WalkingTurns walking;
        TurnSignatureRecogniser turns;
        const std::vector<RegionResult> expected =
            RecognizeAll(walked.workRaster, walked.rowTable, walkedState, progress, walking, 1);
        const std::vector<RegionResult> found = RecognizeAll(
            byShape.workRaster, byShape.rowTable, byShapeState, progress, turns, 1 + pass);
        check(found.size() == expected.size());
        for (std::size_t i = 0; i < found.size(); ++i) {
            const RegionResult &a = found[i], &b = expected[i];
            check(a.region == b.region && a.start == b.start && a.count == b.count &&
                a.box == b.box && a.traced == b.traced && a.digit == b.digit &&
                a.signature == b.signature && a.codes == b.codes && a.mismatches == b.mismatches);
        }
        check(sameBytes(walked.workRaster, byShape.workRaster));
    }
}

} // namespace

// The application lives until the process ends, and fontconfig's blocks with it: they are not
// the pass's leaks.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // Labels are drawn with the label font, which needs a QGuiApplication.
    static int argc = 1;
    static char name[] = "fuzz_recognize_all";
    static char *argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QGuiApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return 0;
    const int width = 1 + data[0] % 64;
    const int height = 1 + data[1] % 64;
    static PictureStore store;
    static RecognitionState state;
    if (store.workRaster.isEmpty())
        CreatePictureStore(store);
    store.workRaster.setSize(width, height);
    std::size_t next = 2;
    for (int y = 0; y < height; ++y) {
        std::uint8_t *row = store.workRaster.scanLine(y);
        for (int x = 0; x < width; ++x, ++next) {
            const std::uint8_t byte = next < size ? data[next] : 0xFF;
            const bool white = next >= size;
            row[3 * x] = byte;
            row[3 * x + 1] = white ? 255 : kGreens[(byte >> 3) & 3];
            row[3 * x + 2] = white ? 255 : kReds[byte & 7];
        }
    }
    RebuildRowTable(store.rowTable, store.workRaster);
    checkShapesAgainstWalks(store.workRaster);

    std::vector<std::uint8_t> red(std::size_t(width) * std::size_t(height));
    for (int pass = 0; pass < 2; ++pass) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x)
                red[std::size_t(y) * std::size_t(width) + std::size_t(x)] =
                    store.rowTable[y][3 * x + 2];
        }
        Checker checker(state, width, height);
        NoProgress progress;
        checkResults(RecognizeAll(
            store.workRaster, store.rowTable, state, progress, checker, DefaultThreadCount()));
        checkRegions(state.regions, red, width, height);
    }
    return 0;
}
