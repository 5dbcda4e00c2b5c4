#include "recognition/LabelRegions.h"
#include "recognition/RecognizeAll.h"
#include "recognition/TraceAhead.h"
#include "tests/support/Fixtures.h"

#include <gtest/gtest.h>

#include <random>

namespace {

struct Outcome
{
    std::vector<RegionResult> results;
    TBitmap raster;
};

void passOn(const std::vector<std::string> &picture, int threads, Outcome &outcome)
{
    PictureStore store;
    CreatePictureStore(store);
    drawAscii(store.workRaster, store.rowTable, picture);
    RecognitionState state;
    NoProgress progress;
    TurnSignatureRecogniser turns;
    outcome.results =
        RecognizeAll(store.workRaster, store.rowTable, state, progress, turns, threads);
    outcome.raster.copyFrom(store.workRaster);
}

void expectSameResults(const std::vector<RegionResult> &a, const std::vector<RegionResult> &b)
{
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].region, b[i].region);
        EXPECT_EQ(a[i].start, b[i].start);
        EXPECT_EQ(a[i].count, b[i].count);
        EXPECT_EQ(a[i].traced, b[i].traced);
        EXPECT_EQ(a[i].digit, b[i].digit);
        EXPECT_EQ(a[i].signature, b[i].signature);
        EXPECT_EQ(a[i].codes, b[i].codes);
        EXPECT_EQ(a[i].mismatches, b[i].mismatches);
    }
}

// Blobs of every size, packed so that labels fall on later blobs, with walkable light (red
// 128) pixels, marks and pure red among them.
std::vector<std::string> randomPage(std::mt19937 &random)
{
    static const std::string kinds[] = {"#.....", "##....8", "#...g.r", "##.", "#........."};
    const int width = 20 + int(random() % 140), height = 20 + int(random() % 100);
    std::vector<std::string> page =
        randomPicture(random, width, height, kinds[random() % std::size(kinds)]);
    // Some thick strokes, so that long outlines and real digits' labels occur.
    for (int stroke = int(random() % 6); stroke > 0; --stroke) {
        const int x = int(random() % unsigned(width)), y = int(random() % unsigned(height));
        const int w = 3 + int(random() % 30), h = 3 + int(random() % 30);
        for (int row = y; row < std::min(height, y + h); ++row) {
            for (int column = x; column < std::min(width, x + w); ++column) {
                if (row - y < 3 || h - (row - y) <= 3 || column - x < 3 || w - (column - x) <= 3)
                    page[std::size_t(row)][std::size_t(column)] = '#';
            }
        }
    }
    return page;
}

} // namespace

TEST(ThreadedPass, resultsAndPixelsAreTheSameForOneTwoAndFourThreadsOnRandomPages)
{
    std::mt19937 random(2026);
    for (int round = 0; round < 60; ++round) {
        const std::vector<std::string> page = randomPage(random);
        Outcome one;
        passOn(page, 1, one);
        for (const int threads : {2, 4}) {
            Outcome many;
            passOn(page, threads, many);
            expectSameResults(one.results, many.results);
            ASSERT_TRUE(sameRasters(one.raster, many.raster))
                << "round " << round << ", " << threads << " threads";
        }
    }
}

TEST(ThreadedPass, aWalkIsTakenAheadOnlyWhereNothingEarlierCanReachIt)
{
    PictureStore store;
    CreatePictureStore(store);
    // Region 1 at the top; region 2 just below and right of it, under region 1's label reach;
    // region 3 far away; region 4 beside a red byte of 128; region 5 far away again.
    drawAscii(store.workRaster, store.rowTable,
        {
            "..........................................",
            "..##......................................",
            "..##......................................",
            ".....##..............##...................",
            ".....##..............##...................",
            "..........................................",
            "..........................................",
            "..........................................",
            "..........................................",
            "..........................................",
            "..........................................",
            "..........................................",
            "..........................................",
            "..........................................",
            "..........................................",
            "..........................................",
            "..........................................",
            "..........................................",
            "..........................................",
            "..........................................",
            "..........................................",
            "..........................................",
            "..........................................",
            "..........................................",
            "..........................................",
            "..........................................",
            "..........................................",
            "..........................................",
            "..........................................",
            "..........................................",
            "..........................................",
            "..........................................",
            "......##8................##...............",
            "......##.................##...............",
        });
    RegionTable regions;
    LabelRegions(store.rowTable, regions);
    ASSERT_EQ(regions.size(), 6u);
    // The reach of a 1 x 1 label just above the first pixel.
    const TraceAheadMap map(store.rowTable, regions, {0, -3, 1, 1});
    EXPECT_TRUE(map.canTraceAhead(1));
    // Region 2 is out of reach of a short label, within reach of a tall one.
    EXPECT_TRUE(map.canTraceAhead(2));
    const TraceAheadMap tall(store.rowTable, regions, {0, -3, 4, 6});
    EXPECT_FALSE(tall.canTraceAhead(2));
    EXPECT_TRUE(tall.canTraceAhead(3));
    EXPECT_FALSE(map.canTraceAhead(4)); // the red byte of 128 beside it
    EXPECT_TRUE(map.canTraceAhead(5));
}
