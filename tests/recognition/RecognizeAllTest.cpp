#include "recognition/RecognizeAll.h"

#include "base/AppError.h"
#include "recognition/Matching.h"
#include "tests/support/AsciiRaster.h"
#include "tests/support/Fixtures.h"

#include <gtest/gtest.h>

#include <QFontMetrics>

#include <cstring>

namespace {

// Records the progress that the pass reports, in order.
class Recorder : public ProgressSink
{
public:
    std::vector<std::string> calls;
    int throwAtStep = -1; // the step that fails, or -1

    void setMaximum(int maximum) override { calls.push_back("max " + std::to_string(maximum)); }
    void step() override
    {
        if (int(std::count(calls.begin(), calls.end(), "step")) == throwAtStep)
            throw AppError("drawing refused");
        calls.push_back("step");
    }
    void reset() override { calls.push_back("reset"); }
};

struct Pass
{
    PictureStore store;
    RecognitionState state;
    Recorder progress;
    std::vector<RegionResult> regions; // what the last run returned

    Pass() { CreatePictureStore(store); }
    void run() { run(turns); }
    void run(Recogniser &recogniser)
    {
        regions = RecognizeAll(
            store.workRaster, store.rowTable, state, progress, recogniser, DefaultThreadCount());
    }
    TurnSignatureRecogniser turns;

    // A thick ring, which every reasonable outline walk traces, with its top-left at (x, y).
    void drawRing(int x, int y) { ::drawRing(store.workRaster.canvas(), x, y); }
};

} // namespace

TEST(RecognizeAll, blankRasterSetsMaximumZeroAndStillResets)
{
    Pass pass;
    pass.run();
    EXPECT_EQ(pass.progress.calls, (std::vector<std::string> {"max 0", "reset"}));
    EXPECT_TRUE(pass.regions.empty());
}

TEST(RecognizeAll, onePixelRegionGetsNoLabelAndNoStep)
{
    Pass pass;
    setPixel(pass.store.workRaster, 100, 100, {0, 0, 0});
    pass.run();
    EXPECT_EQ(pass.progress.calls, (std::vector<std::string> {"max 1", "reset"}));
    ASSERT_EQ(pass.regions.size(), 1u);
    EXPECT_FALSE(pass.regions[0].traced);
    EXPECT_EQ(countPixels(pass.store.workRaster, kWhite), 700 * 500 - 1);
}

TEST(RecognizeAll, aTracedRegionGetsARedLabelOnAWhiteBoxAbove)
{
    Pass pass;
    pass.drawRing(200, 200);
    pass.run();
    ASSERT_EQ(pass.regions.size(), 1u);
    const RegionResult &ring = pass.regions[0];
    ASSERT_TRUE(ring.traced);
    const std::string signature = ring.signature.text();
    EXPECT_EQ(signature.size(), 100u);
    EXPECT_EQ(signature[0], 'L');
    EXPECT_GT(ring.codes, 0u);
    EXPECT_NE(std::string("0123456789").find(ring.digit), std::string::npos);
    EXPECT_EQ(pass.progress.calls, (std::vector<std::string> {"max 1", "step", "reset"}));

    // The box covers rows y0 - 15 to y0 - 3 from column x0: white with red glyph pixels.
    const int x0 = ring.start.x, y0 = ring.start.y;
    const int boxWidth = QFontMetrics(TFont::qfont()).horizontalAdvance(QChar(ring.digit));
    const QRect box(x0, y0 - 15, boxWidth, 13);
    const int red = countPixels(pass.store.workRaster, kPureRed, box);
    const int white = countPixels(pass.store.workRaster, kWhite, box);
    EXPECT_GT(red, 5);
    EXPECT_EQ(red + white, boxWidth * 13);
    EXPECT_EQ(countPixels(pass.store.workRaster, kPureRed), red);
    EXPECT_GE(ring.mismatches, 0);
    EXPECT_LE(ring.mismatches, 100);
    EXPECT_EQ(ring.digit, MatchSignature(signature));
}

TEST(RecognizeAll, labelsNearTheTopAreClippedButTheRegionIsStillCounted)
{
    Pass pass;
    pass.drawRing(50, 0); // its first pixel lies in row 0, 1 or 2: the box is above the raster
    pass.run();
    ASSERT_EQ(pass.regions.size(), 1u);
    EXPECT_TRUE(pass.regions[0].traced);
    EXPECT_LE(pass.regions[0].start.y, 2);
    EXPECT_EQ(countPixels(pass.store.workRaster, kPureRed), 0);
    EXPECT_EQ(pass.progress.calls, (std::vector<std::string> {"max 1", "step", "reset"}));
}

TEST(RecognizeAll, aLabelBoxCoversPixelsOfAnotherRegionForTheNextPass)
{
    // A small square just below a ring: its label box (rows 235 to 247 from column 200) lies
    // over the ring's bottom edge, which the ring's own walk has already been over.
    Pass pass;
    pass.drawRing(200, 200);
    for (int y = 250; y < 253; ++y) {
        for (int x = 200; x < 203; ++x)
            setPixel(pass.store.workRaster, x, y, {0, 0, 0});
    }
    pass.run();
    ASSERT_EQ(pass.regions.size(), 2u);
    const RegionResult ring = pass.regions[0];
    EXPECT_EQ(ring.start.y, 198);
    EXPECT_TRUE(pass.regions[1].traced);
    EXPECT_EQ(pixelAt(pass.store.workRaster, 201, 240).red, 255); // was the ring's stroke

    pass.progress = Recorder();
    pass.run();
    ASSERT_EQ(pass.regions.size(), 2u);
    EXPECT_LT(pass.regions[0].count, ring.count);
    EXPECT_EQ(pass.regions[1].count, 9);
}

TEST(RecognizeAll, aSecondPassSeesTheFirstPassLabelsAndMarks)
{
    Pass pass;
    pass.drawRing(200, 200);
    pass.drawRing(400, 200);
    pass.run();
    const std::vector<RegionResult> first = pass.regions;
    ASSERT_EQ(first.size(), 2u);
    // Green marks stay; labels are red and white, which are not dark.
    EXPECT_EQ(pixelAt(pass.store.workRaster, first[0].start.x, first[0].start.y).green, 255);
    pass.progress = Recorder();
    pass.run();
    ASSERT_EQ(pass.regions.size(), 2u);
    for (std::size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(pass.regions[i].start, first[i].start);
        EXPECT_EQ(pass.regions[i].count, first[i].count);
    }
    EXPECT_EQ(pass.progress.calls, (std::vector<std::string> {"max 2", "step", "step", "reset"}));
}

TEST(RecognizeAll, aFailureInsideTheLoopSkipsTheEndOfThePass)
{
    Pass pass;
    pass.drawRing(200, 200);
    pass.drawRing(400, 200);
    pass.progress.throwAtStep = 1;
    EXPECT_THROW(pass.run(), AppError);
    // The first label and the marks stay; no reset.
    EXPECT_EQ(pass.progress.calls, (std::vector<std::string> {"max 2", "step"}));
    EXPECT_GT(countPixels(pass.store.workRaster, kPureRed), 0);
}

TEST(RecognizeAll, regionsAreReportedInAscendingNumberAndLabelsDrawnInThatOrder)
{
    Pass pass;
    pass.drawRing(300, 300);
    pass.drawRing(100, 100);
    pass.drawRing(500, 200);
    pass.run();
    ASSERT_EQ(pass.regions.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(pass.regions[i].region, int(i) + 1);
    EXPECT_LT(pass.regions[0].start.y, pass.regions[1].start.y);
}

TEST(RecognizeAll, eachRegionsBoxHoldsExactlyItsPixels)
{
    // The first listed pixel of the hook is its top one, right of the box's left edge.
    Pass pass;
    drawAscii(pass.store.workRaster, pass.store.rowTable,
        {
            "..........",
            "......#...",
            "..#...#...",
            "..#..##...",
            "..####....",
            "..........",
            "........#.",
        });
    pass.run();
    ASSERT_EQ(pass.regions.size(), 2u);
    EXPECT_EQ(pass.regions[0].start, (Point {6, 1}));
    EXPECT_EQ(pass.regions[0].box, (Box {2, 1, 5, 4}));
    EXPECT_EQ(pass.regions[1].box, (Box {8, 6, 1, 1}));
}

// Sees the whole table once, then gives a digit to every second region it is asked about.
class EverySecondRegion : public Recogniser
{
public:
    std::vector<std::int32_t> preparedCounts; // count of every entry at prepare()
    std::vector<std::int32_t> askedCounts;    // count of every region asked about

    void prepare(const RegionTable &regions) override
    {
        for (const item &entry : regions)
            preparedCounts.push_back(entry.count);
    }
    void recognise(const item &region, const ChainCode &chainCode, RegionResult &result) override
    {
        EXPECT_EQ(std::size_t(region.count), region.points.size());
        EXPECT_EQ(chainCode.size(), result.codes);
        askedCounts.push_back(region.count);
        if (askedCounts.size() % 2 == 0)
            result.digit = '7';
    }
};

TEST(RecognizeAll, theRecogniserSeesTheTableFirstAndMayDeclineADigit)
{
    Pass pass;
    pass.drawRing(100, 100);
    pass.drawRing(300, 100);
    setPixel(pass.store.workRaster, 500, 300, {0, 0, 0}); // no outline: never asked
    EverySecondRegion recogniser;
    pass.run(recogniser);

    ASSERT_EQ(pass.regions.size(), 3u);
    ASSERT_EQ(recogniser.preparedCounts.size(), pass.state.regions.size());
    EXPECT_EQ(recogniser.askedCounts,
        (std::vector<std::int32_t> {pass.regions[0].count, pass.regions[1].count}));
    // Declined: traced, but no label and no step.
    EXPECT_TRUE(pass.regions[0].traced);
    EXPECT_FALSE(pass.regions[0].hasDigit());
    EXPECT_EQ(pass.regions[1].digit, '7');
    EXPECT_FALSE(pass.regions[2].traced);
    EXPECT_EQ(pass.progress.calls, (std::vector<std::string> {"max 3", "step", "reset"}));
    const Point first = pass.regions[0].start;
    const Point second = pass.regions[1].start;
    EXPECT_EQ(
        countPixels(pass.store.workRaster, kPureRed, QRect(first.x, first.y - 15, 20, 15)), 0);
    EXPECT_GT(
        countPixels(pass.store.workRaster, kPureRed, QRect(second.x, second.y - 15, 20, 15)), 0);
}
