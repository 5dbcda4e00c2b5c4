#include "recognition/Contour.h"
#include "recognition/ChainCode.h"
#include "recognition/LabelRegions.h"
#include "tests/support/Fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <sstream>

namespace {

std::string show(const std::vector<Point> &points)
{
    std::ostringstream text;
    for (const Point p : points)
        text << '(' << p.x << ", " << p.y << ") ";
    return text.str();
}

// Every byte of the raster, to compare before and after a walk.
std::vector<std::vector<Bgr>> bytesOf(const TBitmap &raster)
{
    std::vector<std::vector<Bgr>> bytes(std::size_t(raster.height()));
    for (int y = 0; y < raster.height(); ++y) {
        for (int x = 0; x < raster.width(); ++x)
            bytes[std::size_t(y)].push_back(pixelAt(raster, x, y));
    }
    return bytes;
}

bool isNeighbour(Point a, Point b)
{
    return !(a == b) && std::abs(a.x - b.x) <= 1 && std::abs(a.y - b.y) <= 1;
}

// The walked pixels (the contour with S) have green 255 and red and blue as before; every other
// byte is as before.
void expectMarksOnlyOnContour(const std::vector<std::vector<Bgr>> &before, const TBitmap &raster,
    const Point start, const Contour &contour)
{
    std::vector<std::vector<Bgr>> expected = before;
    if (!contour.empty()) {
        expected[std::size_t(start.y)][std::size_t(start.x)].green = 255;
        for (const Point p : contour)
            expected[std::size_t(p.y)][std::size_t(p.x)].green = 255;
    }
    EXPECT_EQ(bytesOf(raster), expected);
}

// A picture labelled and its first region traced.
struct Traced
{
    PictureStore store;
    RegionTable regions;
    Contour contour;
    bool traced = false;

    explicit Traced(const std::vector<std::string> &picture)
    {
        drawAscii(store.workRaster, store.rowTable, picture);
        LabelRegions(store.rowTable, regions);
        traced = regions.size() > 1 && TraceContour(store.rowTable, regions[1], contour);
    }
};

// The walk as written out step by step, over the fixture characters, with no rule of its own to
// end it: it gives up after `maxMoves`. `stopped` tells whether the stop test ended it.
struct PlainWalk
{
    std::vector<Point> contour;
    bool stopped = false;
};

// A pixel's kind for the plain walk, from its bytes: 'd' dark, 'w' walkable but not dark,
// ' ' neither; upper case when marked.
char kindOf(Bgr p)
{
    const char kind = p.red < 128 ? 'd' : p.red == 128 ? 'w' : ' ';
    return p.green > 128 ? char(std::toupper(kind == ' ' ? 'm' : kind)) : kind;
}

PlainWalk plainWalk(const TBitmap &raster, Point start, std::size_t maxMoves)
{
    const int dxs[8] = {-1, -1, 0, 1, 1, 1, 0, -1};
    const int dys[8] = {0, 1, 1, 1, 0, -1, -1, -1};
    const int width = raster.width();
    const int height = raster.height();
    std::vector<std::string> kinds(std::size_t(height), std::string(std::size_t(width), ' '));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            kinds[std::size_t(y)][std::size_t(x)] = kindOf(pixelAt(raster, x, y));
    }
    auto at = [&](int x, int y) -> char {
        return x < 0 || y < 0 || x >= width || y >= height ? ' '
                                                           : kinds[std::size_t(y)][std::size_t(x)];
    };
    auto dark = [&](int x, int y) { return std::tolower(at(x, y)) == 'd'; };
    auto walkable = [&](int x, int y) { return dark(x, y) || std::tolower(at(x, y)) == 'w'; };
    auto marked = [&](int x, int y) { return std::isupper(at(x, y)) != 0; };
    auto mark = [&](int x, int y) {
        kinds[std::size_t(y)][std::size_t(x)] = char(std::toupper(at(x, y)));
    };

    PlainWalk walk;
    int d = 1;
    while (d <= 4 && !dark(start.x + dxs[d], start.y + dys[d]))
        ++d;
    if (d > 4)
        return walk;
    int x = start.x + dxs[d], y = start.y + dys[d];
    walk.contour.push_back({x, y});
    mark(x, y);
    mark(start.x, start.y);
    while (walk.contour.size() < maxMoves) {
        d = (d + 5) % 8;
        while (!walkable(x + dxs[d], y + dys[d]))
            d = (d + 1) % 8;
        x += dxs[d];
        y += dys[d];
        walk.contour.push_back({x, y});
        mark(x, y);
        if (x == start.x && y == start.y &&
            (dark(x, y + 1) || (marked(x + 1, y) && marked(x + 1, y + 1)))) {
            walk.stopped = true;
            break;
        }
    }
    return walk;
}

} // namespace

TEST(TraceContour, onePixelRegionHasNoContourAndMarksNothing)
{
    PictureStore store;
    drawAscii(store.workRaster, store.rowTable, {".....", "..#..", "....."});
    RegionTable regions;
    LabelRegions(store.rowTable, regions);
    Contour contour = pts({{9, 9}});
    const auto before = bytesOf(store.workRaster);
    EXPECT_FALSE(TraceContour(store.rowTable, regions[1], contour));
    EXPECT_TRUE(contour.empty());
    EXPECT_EQ(bytesOf(store.workRaster), before);
}

TEST(TraceContour, regionWithoutPointsOrOutsideTheRasterHasNoContour)
{
    PictureStore store;
    drawAscii(store.workRaster, store.rowTable, {"##", "##"});
    Contour contour = pts({{1, 1}});
    EXPECT_FALSE(TraceContour(store.rowTable, item {}, contour));
    EXPECT_TRUE(contour.empty());
    item outside;
    outside.count = 1;
    outside.points = PointList(pts({{2, 0}}));
    EXPECT_FALSE(TraceContour(store.rowTable, outside, contour));
    outside.points = PointList(pts({{0, -1}}));
    EXPECT_FALSE(TraceContour(store.rowTable, outside, contour));
    EXPECT_EQ(asciiOf(store.workRaster), (std::vector<std::string> {"##", "##"}));
}

TEST(TraceContour, smallShapesGiveTheirPointLists)
{
    struct Case
    {
        const char *name;
        std::vector<std::string> picture;
        std::vector<Point> contour;
    };
    const Case cases[] = {
        {"twoByTwoSquare", {"......", "..##..", "..##..", "......"},
            pts({{2, 2}, {3, 2}, {3, 1}, {2, 1}})},
        {"horizontalBar", {".....", ".###.", "....."}, pts({{2, 1}, {3, 1}, {2, 1}, {1, 1}})},
        {"verticalBar", {".....", "..#..", "..#..", "..#..", "....."},
            pts({{2, 2}, {2, 3}, {2, 2}, {2, 1}})},
        {"ringStopsAtFirstReturnBecauseBelowIsDark", {".....", ".###.", ".#.#.", ".###.", "....."},
            pts({{1, 2}, {1, 3}, {2, 3}, {3, 3}, {3, 2}, {3, 1}, {2, 1}, {1, 1}})},
        {"pixelsTouchingAtACorner", {"....", ".#..", "..#.", "...."}, pts({{2, 2}, {1, 1}})},
        {"walkGoesOnPastTheStartPixel", {".....", "..##.", ".#...", "....."},
            pts({{1, 2}, {2, 1}, {3, 1}, {2, 1}})},
        {"walkStepsOntoRed128", {".....", ".##..", "...8.", "....."},
            pts({{2, 1}, {3, 2}, {2, 1}, {1, 1}})},
        // The pixel below S is light and enclosed and (3, 2) is never reached: the stop test
        // fails at every return, and the walk ends where it would start over.
        {"walkThatNeverPassesTheStopTestEndsAfterOneRound",
            {"......", "..##..", ".#.##.", ".####.", "......"},
            pts({{1, 2}, {1, 3}, {2, 3}, {3, 3}, {4, 3}, {4, 2}, {3, 1}, {2, 1}})},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        PictureStore store;
        drawAscii(store.workRaster, store.rowTable, c.picture);
        RegionTable regions;
        LabelRegions(store.rowTable, regions);
        const auto before = bytesOf(store.workRaster);
        Contour contour;
        ASSERT_TRUE(TraceContour(store.rowTable, regions[1], contour));
        EXPECT_EQ(contour, c.contour) << show(contour);
        expectMarksOnlyOnContour(before, store.workRaster, regions[1].points[0], contour);
    }
}

TEST(TraceContour, walkOverBlackLeavesGreenOnlyOnWalkedPixels)
{
    Traced t({"......", "..##..", ".#.##.", ".####.", "......"});
    ASSERT_TRUE(t.traced);
    // (3, 2) is never walked on and stays black.
    EXPECT_EQ(asciiOf(t.store.workRaster),
        (std::vector<std::string> {"......", "..gg..", ".g.#g.", ".gggg.", "......"}));
}

TEST(TraceContour, markingRed128ChangesOnlyItsGreenByte)
{
    Traced t({".....", ".##..", "...8.", "....."});
    ASSERT_TRUE(t.traced);
    EXPECT_EQ(pixelAt(t.store.workRaster, 3, 2), (Bgr {0, 255, 128}));
}

TEST(TraceContour, stopTestReadsMarksFromPixelBytes)
{
    // S = (2, 1) with a branch to the SW and one to the SE. Back at S from the SW branch, the
    // walk stops if (3, 1) and (3, 2) are both marked: white counts as marked, pure red does
    // not, and a green mark left by an earlier walk counts.
    struct Case
    {
        const char *name;
        char right;
        char rightBelow;
        std::vector<Point> contour;
    };
    const Case cases[] = {
        {"whiteAndEarlierMarkStop", '.', 'g', pts({{1, 2}, {2, 1}})},
        {"unmarkedDarkGoesOn", '.', '#', pts({{1, 2}, {2, 1}, {3, 2}, {2, 1}})},
        {"pureRedGoesOn", 'r', 'g', pts({{1, 2}, {2, 1}, {3, 2}, {2, 1}})},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> picture = {"......", "..#...", ".#....", "......"};
        picture[1][3] = c.right;
        picture[2][3] = c.rightBelow;
        Traced t(picture);
        ASSERT_TRUE(t.traced);
        EXPECT_EQ(t.contour, c.contour) << show(t.contour);
    }
}

TEST(TraceContour, shapesInEveryCornerAndAlongEveryEdge)
{
    struct Case
    {
        const char *name;
        std::vector<std::string> picture;
        std::vector<Point> contour;
    };
    const Case cases[] = {
        {"topLeftCorner", {"##..", "##..", "....", "...."}, pts({{0, 1}, {1, 1}, {1, 0}, {0, 0}})},
        {"topRightCorner", {"..##", "..##", "....", "...."}, pts({{2, 1}, {3, 1}, {3, 0}, {2, 0}})},
        {"bottomLeftCorner", {"....", "....", "##..", "##.."},
            pts({{0, 3}, {1, 3}, {1, 2}, {0, 2}})},
        {"bottomRightCorner", {"....", "....", "..##", "..##"},
            pts({{2, 3}, {3, 3}, {3, 2}, {2, 2}})},
        {"barAlongTopEdge", {".###.", ".....", "....."}, pts({{2, 0}, {3, 0}, {2, 0}, {1, 0}})},
        {"barAlongBottomEdge", {".....", ".....", ".###."}, pts({{2, 2}, {3, 2}, {2, 2}, {1, 2}})},
        {"barAlongLeftEdge", {"....", "#...", "#...", "#...", "...."},
            pts({{0, 2}, {0, 3}, {0, 2}, {0, 1}})},
        {"barAlongRightEdge", {"....", "...#", "...#", "...#", "...."},
            pts({{3, 2}, {3, 3}, {3, 2}, {3, 1}})},
        {"ringFillingTheRaster", {"###", "#.#", "###"},
            pts({{0, 1}, {0, 2}, {1, 2}, {2, 2}, {2, 1}, {2, 0}, {1, 0}, {0, 0}})},
        {"wholeRasterDark", {"##", "##"}, pts({{0, 1}, {1, 1}, {1, 0}, {0, 0}})},
        {"rowWideBar", {"###"}, pts({{1, 0}, {2, 0}, {1, 0}, {0, 0}})},
        {"columnHighBar", {"#", "#"}, pts({{0, 1}, {0, 0}})},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Traced t(c.picture);
        ASSERT_TRUE(t.traced);
        EXPECT_EQ(t.contour, c.contour) << show(t.contour);
    }
}

TEST(TraceContour, pixelsBeyondTheRightEdgeAreNotTheNextRow)
{
    // Rows of four pixels lie back to back in memory: reading past the right edge of row 0
    // would find the dark pixel that starts row 1.
    Traced t({"...#", "#...", "...."});
    EXPECT_FALSE(t.traced);
    EXPECT_EQ(asciiOf(t.store.workRaster), (std::vector<std::string> {"...#", "#...", "...."}));
}

TEST(TraceContour, theRasterEdgeCountsAsAFrameOfUnwalkableUnmarkedPixels)
{
    // Tracing a picture must give what tracing it inside a frame of pure red pixels gives,
    // shifted by one: red is neither dark, walkable nor marked.
    std::mt19937 random(4242);
    for (int round = 0; round < 400; ++round) {
        const int width = 1 + int(random() % 8) * (round % 2 ? 1 : 4);
        const int height = 1 + int(random() % 12);
        const auto picture = randomPicture(random, width, height, "..##g8");
        std::vector<std::string> framed(
            std::size_t(height) + 2, std::string(std::size_t(width) + 2, 'r'));
        for (int y = 0; y < height; ++y)
            framed[std::size_t(y) + 1].replace(1, std::size_t(width), picture[std::size_t(y)]);

        PictureStore bare, inFrame;
        drawAscii(bare.workRaster, bare.rowTable, picture);
        drawAscii(inFrame.workRaster, inFrame.rowTable, framed);
        RegionTable regions;
        LabelRegions(bare.rowTable, regions);
        for (std::size_t r = 1; r < regions.size(); ++r) {
            if (regions[r].count == 0)
                continue;
            item shifted = regions[r];
            for (Point &p : shifted.points)
                p = {p.x + 1, p.y + 1};
            Contour contour, framedContour;
            const bool traced = TraceContour(bare.rowTable, regions[r], contour);
            ASSERT_EQ(TraceContour(inFrame.rowTable, shifted, framedContour), traced);
            for (Point &p : contour)
                p = {p.x + 1, p.y + 1};
            ASSERT_EQ(contour, framedContour) << "round " << round << " region " << r;
        }
        auto inner = asciiOf(inFrame.workRaster);
        inner.erase(inner.begin());
        inner.pop_back();
        for (auto &row : inner)
            row = row.substr(1, std::size_t(width));
        ASSERT_EQ(asciiOf(bare.workRaster), inner) << "round " << round;
    }
}

TEST(TraceContour, randomPicturesGiveClosedWalksThatEndAtTheStartPixel)
{
    // Regions traced in order as the recognition pass does, so earlier marks meet later walks.
    std::mt19937 random(20240611);
    int traced = 0, endedByStopTest = 0, endedByRepeat = 0;
    for (int round = 0; round < 1500; ++round) {
        const bool withRed128 = round % 3 == 0;
        const int width = 1 + int(random() % 24);
        const int height = 1 + int(random() % 18);
        auto picture = randomPicture(random, width, height, withRed128 ? "...##g8r" : "...##g#r");
        PictureStore store;
        drawAscii(store.workRaster, store.rowTable, picture);
        RegionTable regions;
        LabelRegions(store.rowTable, regions);
        for (std::size_t r = 1; r < regions.size(); ++r) {
            if (regions[r].count == 0)
                continue;
            SCOPED_TRACE("round " + std::to_string(round) + " region " + std::to_string(r));
            const Point start = regions[r].points[0];
            const auto before = bytesOf(store.workRaster);
            const PlainWalk plain =
                plainWalk(store.workRaster, start, 16 * std::size_t(width * height) + 16);
            Contour contour;
            if (!TraceContour(store.rowTable, regions[r], contour)) {
                EXPECT_TRUE(contour.empty());
                EXPECT_TRUE(plain.contour.empty());
                EXPECT_EQ(bytesOf(store.workRaster), before);
                continue;
            }
            ++traced;
            ASSERT_GE(contour.size(), 2u);
            EXPECT_EQ(contour.back(), start);
            for (std::size_t k = 0; k < contour.size(); ++k) {
                const Point p = contour[k];
                ASSERT_TRUE(p.x >= 0 && p.y >= 0 && p.x < width && p.y < height);
                EXPECT_LE(before[std::size_t(p.y)][std::size_t(p.x)].red, 128);
                ASSERT_TRUE(isNeighbour(p, contour[(k + 1) % contour.size()])) << show(contour);
            }
            expectMarksOnlyOnContour(before, store.workRaster, start, contour);

            // Walks that the stop test ends are the plain walk exactly; the others are one
            // round of it, after which the plain walk repeats itself from the first move.
            if (plain.stopped) {
                ++endedByStopTest;
                EXPECT_EQ(contour, plain.contour);
            } else {
                ++endedByRepeat;
                ASSERT_LT(contour.size(), plain.contour.size());
                EXPECT_TRUE(std::equal(contour.begin(), contour.end(), plain.contour.begin()));
                EXPECT_EQ(plain.contour[contour.size()], contour.front());
            }

            ChainCode chainCode;
            BuildChainCode(contour, chainCode);
            const auto count = [&](int code) {
                return std::count(chainCode.begin(), chainCode.end(), code);
            };
            EXPECT_GE(chainCode.size(), 3u);
            if (!withRed128) {
                EXPECT_GE(chainCode.size(), 6u);
                EXPECT_EQ(count(1), count(3)) << show(contour);
                EXPECT_EQ(count(2), count(4)) << show(contour);
            }
        }
    }
    EXPECT_GT(traced, 3000);
    EXPECT_GT(endedByStopTest, 2000);
    EXPECT_GT(endedByRepeat, 100);
}
