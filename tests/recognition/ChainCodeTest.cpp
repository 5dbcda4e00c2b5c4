#include "recognition/ChainCode.h"
#include "recognition/Contour.h"
#include "recognition/LabelRegions.h"
#include "tests/support/Fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

ChainCode step(int dx, int dy, int heading, std::int32_t *returned = nullptr)
{
    ChainCode out;
    const std::int32_t next = ChainStep(10, 20, 10 + dy, 20 + dx, heading, out);
    if (returned)
        *returned = next;
    return out;
}

bool closes(const ChainCode &chainCode)
{
    const auto count = [&](int code) {
        return std::count(chainCode.begin(), chainCode.end(), code);
    };
    return count(1) == count(3) && count(2) == count(4);
}

} // namespace

TEST(ChainStep, followsTheEdgeWalkRuleForEveryMoveAndHeading)
{
    // Each move has a last code and a returned heading; the codes run cyclically from the
    // incoming heading up to the last code, except in four cells that append nothing.
    struct Move
    {
        const char *name;
        int dx, dy;
        int lastCode;
        int returned;
        int emptyHeading; // the heading that appends nothing, or 0
    };
    const Move moves[] = {
        {"W", -1, 0, 1, 1, 2},
        {"SW", -1, 1, 2, 1, 0},
        {"S", 0, 1, 2, 2, 3},
        {"SE", 1, 1, 3, 2, 0},
        {"E", 1, 0, 3, 3, 4},
        {"NE", 1, -1, 4, 3, 0},
        {"N", 0, -1, 4, 4, 1},
        {"NW", -1, -1, 1, 4, 0},
    };
    for (const Move &m : moves) {
        for (int heading = 1; heading <= 4; ++heading) {
            SCOPED_TRACE(std::string(m.name) + " with heading " + std::to_string(heading));
            ChainCode expected;
            if (heading != m.emptyHeading) {
                int code = heading;
                expected.push_back(std::uint8_t(code));
                while (code != m.lastCode) {
                    code = code % 4 + 1;
                    expected.push_back(std::uint8_t(code));
                }
            }
            std::int32_t returned = 0;
            EXPECT_EQ(step(m.dx, m.dy, heading, &returned), expected);
            EXPECT_EQ(returned, m.returned);
        }
    }
}

TEST(ChainStep, straightMovesIntoTheSharedEdgeAppendNothing)
{
    struct Case
    {
        int dx, dy, heading, returned;
    };
    for (const Case c :
        {Case {-1, 0, 2, 1}, Case {0, 1, 3, 2}, Case {1, 0, 4, 3}, Case {0, -1, 1, 4}}) {
        std::int32_t returned = 0;
        EXPECT_TRUE(step(c.dx, c.dy, c.heading, &returned).empty());
        EXPECT_EQ(returned, c.returned);
    }
}

TEST(ChainStep, noMoveAndJumpsAreCodedLikeNorthWest)
{
    const std::pair<int, int> others[] = {
        {0, 0}, {2, 0}, {-2, 0}, {0, 2}, {0, -2}, {2, 2}, {-2, 1}, {1, -2}, {100, -7}};
    for (int heading = 1; heading <= 4; ++heading) {
        std::int32_t expectedReturn = 0;
        const ChainCode expected = step(-1, -1, heading, &expectedReturn);
        for (const auto &[dx, dy] : others) {
            std::int32_t returned = 0;
            EXPECT_EQ(step(dx, dy, heading, &returned), expected) << dx << ", " << dy;
            EXPECT_EQ(returned, expectedReturn);
        }
    }
}

TEST(ChainStep, farApartCoordinatesAreAJumpToo)
{
    ChainCode chainCode;
    const std::int32_t big = std::numeric_limits<std::int32_t>::max();
    const std::int32_t small = std::numeric_limits<std::int32_t>::min();
    EXPECT_EQ(ChainStep(0, small, 0, big, 2, chainCode), 4);
    EXPECT_EQ(chainCode, codes("2341"));
}

TEST(ChainStep, headingOutsideOneToFourAppendsNothing)
{
    for (const int heading : {0, 5, -1, 1000}) {
        std::int32_t returned = 0;
        EXPECT_TRUE(step(1, 0, heading, &returned).empty());
        EXPECT_EQ(returned, 3);
        EXPECT_TRUE(step(-1, -1, heading, &returned).empty());
        EXPECT_EQ(returned, 4);
    }
}

TEST(ChainStep, appendsAfterWhatIsThere)
{
    ChainCode chainCode = codes("44");
    ChainStep(0, 0, 1, 0, 1, chainCode); // S with heading 1
    EXPECT_EQ(chainCode, codes("4412"));
}

TEST(BuildChainCode, barPairAndBlockGiveTheirCodes)
{
    struct Case
    {
        const char *name;
        Contour contour;
        ChainCode chainCode;
    };
    const Case cases[] = {
        {"horizontalBar", pts({{1, 0}, {2, 0}, {1, 0}, {0, 0}}), codes("12333411")},
        {"verticalPair", pts({{0, 1}, {0, 0}}), codes("412234")},
        {"twoByTwoBlock", pts({{0, 1}, {1, 1}, {1, 0}, {0, 0}}), codes("12233441")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ChainCode chainCode;
        BuildChainCode(c.contour, chainCode);
        EXPECT_EQ(chainCode, c.chainCode);
        EXPECT_TRUE(closes(chainCode));
    }
}

TEST(BuildChainCode, initialHeadingComesFromTheArrivalAtTheLastPoint)
{
    // Contour T, P, S with T east of S: the closing move S -> T is E, which appends 1 2 3 with
    // heading 1, 3 with heading 3 and nothing with heading 4.
    struct Case
    {
        const char *name;
        int dx, dy; // P minus S
        int heading;
    };
    const Case cases[] = {
        {"fromTheRight", 1, 0, 1},
        {"fromBelowLeft", -1, 1, 3},
        {"fromBelow", 0, 1, 4},
        {"fromBelowRight", 1, 1, 4},
        {"fromTheLeft", -1, 0, 4},
        {"fromAbove", 0, -1, 4},
        {"fromAboveLeft", -1, -1, 4},
        {"fromAboveRight", 1, -1, 4},
    };
    const Point s {5, 5};
    const Point t {6, 5};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const Point p {s.x + c.dx, s.y + c.dy};
        ChainCode expected;
        std::int32_t heading = ChainStep(s.y, s.x, t.y, t.x, c.heading, expected);
        heading = ChainStep(t.y, t.x, p.y, p.x, heading, expected);
        ChainStep(p.y, p.x, s.y, s.x, heading, expected);
        ChainCode chainCode;
        BuildChainCode({t, p, s}, chainCode);
        EXPECT_EQ(chainCode, expected);
    }
}

TEST(BuildChainCode, aSecondContourReplacesTheFirstCodes)
{
    ChainCode chainCode;
    BuildChainCode(pts({{1, 0}, {2, 0}, {1, 0}, {0, 0}}), chainCode);
    BuildChainCode(pts({{0, 1}, {0, 0}}), chainCode);
    EXPECT_EQ(chainCode, codes("412234"));
}

TEST(BuildChainCode, contourOfFewerThanTwoPointsGivesNoCodes)
{
    ChainCode chainCode = codes("123");
    BuildChainCode({}, chainCode);
    EXPECT_TRUE(chainCode.empty());
    chainCode = codes("123");
    BuildChainCode(pts({{3, 3}}), chainCode);
    EXPECT_TRUE(chainCode.empty());
}

TEST(BuildChainCode, walkableRed128BesideTheStartCanLeaveTheChainOpen)
{
    // S = (4, 1); the walk goes SW to (3, 2), up onto the red-128 pixel (3, 1) and right back
    // to S. Only three edges are walked and the chain does not close; that is what the codes
    // of such a walk are.
    PictureStore store;
    drawAscii(store.workRaster, store.rowTable, {"......", "...8#.", "..##..", "......"});
    RegionTable regions;
    LabelRegions(store.rowTable, regions);
    Contour contour;
    ASSERT_TRUE(TraceContour(store.rowTable, regions[1], contour));
    EXPECT_EQ(contour, pts({{3, 2}, {3, 1}, {4, 1}}));
    ChainCode chainCode;
    BuildChainCode(contour, chainCode);
    EXPECT_EQ(chainCode, codes("412"));
    EXPECT_FALSE(closes(chainCode));
}

namespace {

// The chain code as the definition builds it: one ChainStep per move, the closing move first.
ChainCode plainChainCode(const Contour &contour)
{
    ChainCode out;
    const std::size_t n = contour.size();
    if (n < 2)
        return out;
    const Point last = contour[n - 1], beforeLast = contour[n - 2];
    std::int32_t heading = 4;
    if (beforeLast.x - last.x == 1 && beforeLast.y == last.y)
        heading = 1;
    else if (beforeLast.x - last.x == -1 && beforeLast.y - last.y == 1)
        heading = 3;
    heading = ChainStep(last.y, last.x, contour[0].y, contour[0].x, heading, out);
    for (std::size_t k = 0; k + 1 < n; ++k)
        heading =
            ChainStep(contour[k].y, contour[k].x, contour[k + 1].y, contour[k + 1].x, heading, out);
    return out;
}

} // namespace

// The outlines of random blobs, and point lists of random moves with stays and jumps mixed in.
TEST(BuildChainCode, matchesStepByStepCodingOnRandomContours)
{
    std::mt19937 random(4711);
    Contour contour;
    ChainCode chainCode;
    int outlines = 0;
    for (int round = 0; round < 200; ++round) {
        PictureStore store;
        drawAscii(store.workRaster, store.rowTable,
            randomPicture(random, 4 + int(random() % 40), 4 + int(random() % 30), "..##8"));
        RegionTable regions;
        LabelRegions(store.rowTable, regions);
        for (std::size_t r = 1; r < regions.size(); ++r) {
            if (regions[r].count == 0 || !TraceContour(store.rowTable, regions[r], contour))
                continue;
            BuildChainCode(contour, chainCode);
            ASSERT_EQ(chainCode, plainChainCode(contour)) << "round " << round;
            ++outlines;
        }
    }
    EXPECT_GT(outlines, 1000);
    for (int round = 0; round < 2000; ++round) {
        contour.assign(1 + random() % 40, Point {});
        Point p {int(random() % 10), int(random() % 10)};
        for (Point &point : contour) {
            const int far = random() % 10 == 0 ? 3 : 1;
            p.x += int(random() % (2 * far + 1)) - far;
            p.y += int(random() % (2 * far + 1)) - far;
            point = p;
        }
        BuildChainCode(contour, chainCode);
        ASSERT_EQ(chainCode, plainChainCode(contour)) << "round " << round;
    }
}
