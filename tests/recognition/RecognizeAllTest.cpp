#include "RecognizeAll.h"
#include "AppError.h"
#include "AsciiRaster.h"

#include <gtest/gtest.h>

#include <QFontMetrics>

#include <cstring>

namespace {

// Records what the pass reports, in order.
class Recorder : public RecognitionProgress
{
public:
    std::vector<std::string> calls;
    std::vector<RegionResult> regions;
    int throwAtStep = -1; // the step that fails, or -1

    void setMaximum(int maximum) override { calls.push_back("max " + std::to_string(maximum)); }
    void step() override
    {
        if (int(std::count(calls.begin(), calls.end(), "step")) == throwAtStep)
            throw AppError("drawing refused");
        calls.push_back("step");
    }
    void resetPosition() override { calls.push_back("reset"); }
    void repaint() override { calls.push_back("repaint"); }
    void regionDone(const RegionResult &result) override { regions.push_back(result); }
};

struct Pass
{
    PictureStore store;
    RecognitionState state;
    Recorder progress;

    Pass() { CreatePictureStore(store); }
    void run() { RecognizeAll(store, state, progress); }

    // A thick ring, which every reasonable outline walk traces, with its top-left at (x, y).
    void drawRing(int x, int y)
    {
        TCanvas &canvas = store.workRaster.canvas();
        canvas.Pen.Width = 5;
        canvas.moveTo(x, y);
        canvas.lineTo(x + 30, y);
        canvas.lineTo(x + 30, y + 40);
        canvas.lineTo(x, y + 40);
        canvas.lineTo(x, y);
    }
};

bool displayEqualsWork(const PictureStore &store)
{
    const TBitmap &work = store.workRaster;
    const TBitmap &display = store.displayRaster;
    if (work.width() != display.width() || work.height() != display.height())
        return false;
    for (int y = 0; y < work.height(); ++y) {
        if (std::memcmp(work.scanLine(y), display.scanLine(y), std::size_t(3 * work.width())) != 0)
            return false;
    }
    return true;
}

int countPixels(const TBitmap &raster, Bgr colour, int left, int top, int right, int bottom)
{
    int n = 0;
    for (int y = std::max(top, 0); y < std::min(bottom, raster.height()); ++y) {
        for (int x = std::max(left, 0); x < std::min(right, raster.width()); ++x)
            n += pixelAt(raster, x, y) == colour;
    }
    return n;
}

const Bgr kWhite {255, 255, 255};
const Bgr kRed {0, 0, 255};

} // namespace

TEST(RecognizeAll, blankRasterSetsMaximumZeroAndStillRefreshesTheDisplay)
{
    Pass pass;
    pass.store.displayRaster.setSize(10, 10); // something else on show
    pass.run();
    EXPECT_EQ(pass.progress.calls, (std::vector<std::string> {"max 0", "reset", "repaint"}));
    EXPECT_TRUE(pass.progress.regions.empty());
    EXPECT_TRUE(displayEqualsWork(pass.store));
}

TEST(RecognizeAll, onePixelRegionGetsNoLabelAndNoStep)
{
    Pass pass;
    setPixel(pass.store.workRaster, 100, 100, {0, 0, 0});
    pass.run();
    EXPECT_EQ(pass.progress.calls, (std::vector<std::string> {"max 1", "reset", "repaint"}));
    ASSERT_EQ(pass.progress.regions.size(), 1u);
    EXPECT_FALSE(pass.progress.regions[0].traced);
    EXPECT_EQ(countPixels(pass.store.workRaster, kWhite, 0, 0, 700, 500), 700 * 500 - 1);
}

TEST(RecognizeAll, aTracedRegionGetsARedLabelOnAWhiteBoxAbove)
{
    Pass pass;
    pass.drawRing(200, 200);
    pass.run();
    ASSERT_EQ(pass.progress.regions.size(), 1u);
    const RegionResult &ring = pass.progress.regions[0];
    ASSERT_TRUE(ring.traced);
    EXPECT_EQ(ring.signature.size(), 100u);
    EXPECT_EQ(ring.signature[0], 'L');
    EXPECT_GT(ring.codes, 0u);
    EXPECT_NE(std::string("0123456789").find(ring.digit), std::string::npos);
    EXPECT_EQ(
        pass.progress.calls, (std::vector<std::string> {"max 1", "step", "reset", "repaint"}));

    // The box covers rows y0 - 15 to y0 - 3 from column x0: white with red glyph pixels.
    const int x0 = ring.start.x, y0 = ring.start.y;
    const int boxWidth = QFontMetrics(TFont::qfont()).horizontalAdvance(QChar(ring.digit));
    const int red = countPixels(pass.store.workRaster, kRed, x0, y0 - 15, x0 + boxWidth, y0 - 2);
    const int white =
        countPixels(pass.store.workRaster, kWhite, x0, y0 - 15, x0 + boxWidth, y0 - 2);
    EXPECT_GT(red, 5);
    EXPECT_EQ(red + white, boxWidth * 13);
    EXPECT_EQ(countPixels(pass.store.workRaster, kRed, 0, 0, 700, 500), red);
    EXPECT_TRUE(displayEqualsWork(pass.store));
}

TEST(RecognizeAll, labelsNearTheTopAreClippedButTheRegionIsStillCounted)
{
    Pass pass;
    pass.drawRing(50, 0); // its first pixel lies in row 0, 1 or 2: the box is above the raster
    pass.run();
    ASSERT_EQ(pass.progress.regions.size(), 1u);
    EXPECT_TRUE(pass.progress.regions[0].traced);
    EXPECT_LE(pass.progress.regions[0].start.y, 2);
    EXPECT_EQ(countPixels(pass.store.workRaster, kRed, 0, 0, 700, 500), 0);
    EXPECT_EQ(
        pass.progress.calls, (std::vector<std::string> {"max 1", "step", "reset", "repaint"}));
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
    ASSERT_EQ(pass.progress.regions.size(), 2u);
    const RegionResult ring = pass.progress.regions[0];
    EXPECT_EQ(ring.start.y, 198);
    EXPECT_TRUE(pass.progress.regions[1].traced);
    EXPECT_EQ(pixelAt(pass.store.workRaster, 201, 240).red, 255); // was the ring's stroke

    pass.progress = Recorder();
    pass.run();
    ASSERT_EQ(pass.progress.regions.size(), 2u);
    EXPECT_LT(pass.progress.regions[0].count, ring.count);
    EXPECT_EQ(pass.progress.regions[1].count, 9);
}

TEST(RecognizeAll, aSecondPassSeesTheFirstPassLabelsAndMarks)
{
    Pass pass;
    pass.drawRing(200, 200);
    pass.drawRing(400, 200);
    pass.run();
    const std::vector<RegionResult> first = pass.progress.regions;
    ASSERT_EQ(first.size(), 2u);
    // Green marks stay; labels are red and white, which are not dark.
    EXPECT_EQ(pixelAt(pass.store.workRaster, first[0].start.x, first[0].start.y).green, 255);
    pass.progress = Recorder();
    pass.run();
    ASSERT_EQ(pass.progress.regions.size(), 2u);
    for (std::size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(pass.progress.regions[i].start, first[i].start);
        EXPECT_EQ(pass.progress.regions[i].count, first[i].count);
    }
    EXPECT_EQ(pass.progress.calls,
        (std::vector<std::string> {"max 2", "step", "step", "reset", "repaint"}));
}

TEST(RecognizeAll, aFailureInsideTheLoopSkipsTheEndOfThePass)
{
    Pass pass;
    pass.drawRing(200, 200);
    pass.drawRing(400, 200);
    pass.store.displayRaster.setSize(10, 10);
    pass.progress.throwAtStep = 1;
    EXPECT_THROW(pass.run(), AppError);
    // The first label and the marks stay; no reset, no copy, no repaint.
    EXPECT_EQ(pass.progress.calls, (std::vector<std::string> {"max 2", "step"}));
    EXPECT_EQ(pass.store.displayRaster.width(), 10);
    EXPECT_GT(countPixels(pass.store.workRaster, kRed, 0, 0, 700, 500), 0);
}

TEST(RecognizeAll, regionsAreReportedInAscendingNumberAndLabelsDrawnInThatOrder)
{
    Pass pass;
    pass.drawRing(300, 300);
    pass.drawRing(100, 100);
    pass.drawRing(500, 200);
    pass.run();
    ASSERT_EQ(pass.progress.regions.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(pass.progress.regions[i].region, int(i) + 1);
    EXPECT_LT(pass.progress.regions[0].start.y, pass.progress.regions[1].start.y);
}
