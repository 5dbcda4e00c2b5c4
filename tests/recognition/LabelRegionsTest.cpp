#include "recognition/LabelRegions.h"

#include "tests/support/Fixtures.h"

#include <gtest/gtest.h>

#include <random>

namespace {

int liveCount(const RegionTable &regions)
{
    int live = 0;
    for (std::size_t r = 1; r < regions.size(); ++r)
        live += regions[r].count != 0;
    return live;
}

struct Labelled
{
    PictureStore store;
    RegionTable regions;

    explicit Labelled(const std::vector<std::string> &picture)
    {
        drawAscii(store.workRaster, store.rowTable, picture);
        LabelRegions(store.rowTable, regions);
    }
};

// The labelling as written out step by step, copying absorbed lists pixel by pixel and
// following merge links to the live region: the check for the lazily built lists.
RegionTable referenceLabelling(const std::vector<std::string> &picture)
{
    const int height = int(picture.size());
    const int width = int(picture[0].size());
    RegionTable regions(1);
    ZonaRosta previous(std::size_t(width) + 2, 0), current(std::size_t(width) + 2, 0);
    auto finish = [&](int y, int start, int end) {
        ZonaRosta touched;
        int representative = 0;
        int smallest = 10'000'000;
        for (int e = start; e <= end + 1; ++e) {
            if (previous[e] == 0 || (e > start && previous[e - 1] != 0))
                continue;
            int v = previous[e];
            while (regions[v].count == 0)
                v = regions[v].mergeLink;
            if (std::find(touched.begin(), touched.end(), v) != touched.end())
                continue;
            touched.push_back(v);
            if (regions[v].firstRow < smallest) {
                smallest = regions[v].firstRow;
                representative = v;
            }
        }
        int receiver;
        if (touched.empty()) {
            receiver = int(regions.size());
            item created;
            created.count = end - start;
            created.firstRow = y;
            for (int x = start; x < end; ++x)
                created.points.push_back({x, y});
            regions.push_back(created);
        } else {
            receiver = representative;
            for (int x = end - 1; x >= start; --x)
                regions[receiver].points.push_back({x, y});
            regions[receiver].count += end - start;
            for (int t : touched) {
                if (t == receiver)
                    continue;
                PointList &from = regions[t].points;
                for (std::size_t i = from.size(); i > 0; --i)
                    regions[receiver].points.push_back(from[i - 1]);
                regions[receiver].count += regions[t].count;
                regions[t].count = 0;
                regions[t].mergeLink = receiver;
                from.release();
            }
        }
        for (int x = start; x < end; ++x)
            current[x + 1] = receiver;
    };
    for (int y = 0; y < height; ++y) {
        bool inRun = false;
        int start = 0;
        for (int x = 0; x < width; ++x) {
            const bool dark = picture[y][x] == '#' || picture[y][x] == 'g'; // red 0
            const bool last = x == width - 1;
            if (!inRun && dark) {
                start = x;
                if (last)
                    finish(y, x, x + 1);
                else
                    inRun = true;
            } else if (inRun && !dark) {
                finish(y, start, x);
                inRun = false;
            } else if (inRun && dark && last) {
                finish(y, start, x + 1);
                inRun = false;
            }
        }
        std::swap(previous, current);
        std::fill(current.begin(), current.end(), 0);
    }
    return regions;
}

} // namespace

TEST(LabelRegions, blankRasterLeavesEntryZeroAlone)
{
    Labelled l({"....", "....", "...."});
    ASSERT_EQ(l.regions.size(), 1u);
    EXPECT_EQ(l.regions[0].count, 0);
    EXPECT_TRUE(l.regions[0].points.empty());
}

TEST(LabelRegions, emptyRasterLeavesEntryZeroAlone)
{
    PictureStore store;
    RegionTable regions(5);
    regions[3].count = 7;
    LabelRegions(store.rowTable, regions);
    EXPECT_EQ(regions.size(), 1u);
}

TEST(LabelRegions, singlePixelMakesOneEntry)
{
    Labelled l({".....", ".....", "...#.", "....."});
    ASSERT_EQ(l.regions.size(), 2u);
    EXPECT_EQ(l.regions[1].count, 1);
    EXPECT_EQ(l.regions[1].points, pts({{3, 2}}));
    EXPECT_EQ(l.regions[1].firstRow, 2);
    EXPECT_EQ(l.regions[1].mergeLink, 0);
}

TEST(LabelRegions, cornerTouchingPixelsFormOneRegion)
{
    Labelled l({"......", "......", "....#.", ".....#"});
    ASSERT_EQ(l.regions.size(), 2u);
    EXPECT_EQ(l.regions[1].points, pts({{4, 2}, {5, 3}}));
}

TEST(LabelRegions, runTouchesOneColumnBeyondEachEnd)
{
    // A run [5, 8) in row 1 touches row 0 in columns 4 to 8 and no further.
    for (int column : {3, 4, 8, 9}) {
        std::string above(10, '.');
        above[std::size_t(column)] = '#';
        Labelled l({above, ".....###.."});
        const bool joined = column >= 4 && column <= 8;
        EXPECT_EQ(liveCount(l.regions), joined ? 1 : 2) << "column " << column;
    }
}

TEST(LabelRegions, onlyTheRedByteBelow128IsDark)
{
    PictureStore store;
    drawAscii(store.workRaster, store.rowTable, {"......."});
    setPixel(store.workRaster, 1, 0, {255, 255, 127}); // dark, whatever blue and green
    setPixel(store.workRaster, 3, 0, {0, 0, 128});     // light
    setPixel(store.workRaster, 5, 0, {0, 255, 0});     // dark with a green mark
    RegionTable regions;
    LabelRegions(store.rowTable, regions);
    ASSERT_EQ(regions.size(), 3u);
    EXPECT_EQ(regions[1].points, pts({{1, 0}}));
    EXPECT_EQ(regions[2].points, pts({{5, 0}}));
}

TEST(LabelRegions, uShapeWithArmsInOneRowKeepsTheLeftArm)
{
    Labelled l({"#...#", "#...#", "#####"});
    ASSERT_EQ(l.regions.size(), 3u);
    EXPECT_EQ(l.regions[1].count, 9);
    EXPECT_EQ(l.regions[1].mergeLink, 0);
    EXPECT_EQ(l.regions[2].count, 0);
    EXPECT_EQ(l.regions[2].mergeLink, 1);
    EXPECT_TRUE(l.regions[2].points.empty());
    // Left arm, then the joining run right to left, then the right arm reversed.
    EXPECT_EQ(l.regions[1].points,
        pts({{0, 0}, {0, 1}, {4, 2}, {3, 2}, {2, 2}, {1, 2}, {0, 2}, {4, 1}, {4, 0}}));
}

TEST(LabelRegions, olderRightArmAbsorbsTheLeftArm)
{
    Labelled l({"....#", "#...#", "#####"});
    ASSERT_EQ(l.regions.size(), 3u);
    EXPECT_EQ(l.regions[1].firstRow, 0); // the right arm
    EXPECT_EQ(l.regions[1].count, 8);
    EXPECT_EQ(l.regions[2].count, 0);
    EXPECT_EQ(l.regions[2].mergeLink, 1);
    EXPECT_EQ(l.regions[1].points[0], (Point {4, 0}));
}

TEST(LabelRegions, tenByFiveShapeListsPointsInLabellingOrder)
{
    Labelled l({"#.........", "#.....####", "########.#", ".........#", ".........#"});
    ASSERT_EQ(l.regions.size(), 3u);
    EXPECT_EQ(l.regions[1].count, 17);
    EXPECT_EQ(l.regions[1].firstRow, 0);
    EXPECT_EQ(l.regions[1].mergeLink, 0);
    EXPECT_EQ(l.regions[1].points,
        pts({{0, 0}, {0, 1}, {7, 2}, {6, 2}, {5, 2}, {4, 2}, {3, 2}, {2, 2}, {1, 2}, {0, 2}, {9, 1},
            {8, 1}, {7, 1}, {6, 1}, {9, 2}, {9, 3}, {9, 4}}));
    EXPECT_EQ(l.regions[2].count, 0);
    EXPECT_EQ(l.regions[2].firstRow, 1);
    EXPECT_EQ(l.regions[2].mergeLink, 1);
    EXPECT_TRUE(l.regions[2].points.empty());
}

TEST(LabelRegions, chainedAbsorptionsWithinTwoRowsKeepOneLiveRegion)
{
    // Region 3 (inside region 2's arch) labels column 7 of row 3 and is then absorbed into
    // region 2 by the run at columns 9 to 12. In row 4 region 2 is absorbed into region 1,
    // and the run under column 7 still reads region 3's number: it must reach region 1.
    const std::vector<std::string> picture = {
        "#.###########",
        "#.#.........#",
        "#.#....###..#",
        "#.#....#.####",
        "###....#.....",
    };
    Labelled l(picture);
    ASSERT_EQ(l.regions.size(), 4u);
    EXPECT_EQ(liveCount(l.regions), 1);
    EXPECT_EQ(l.regions[1].count, 32);
    EXPECT_EQ(l.regions[2].mergeLink, 1);
    EXPECT_EQ(l.regions[3].mergeLink, 2);
    EXPECT_EQ(l.regions[1].points, referenceLabelling(picture)[1].points);
}

TEST(LabelRegions, runsReachingTheLastColumnAreFinished)
{
    Labelled l({"...#", "..##", "#..#"});
    ASSERT_EQ(liveCount(l.regions), 2);
    EXPECT_EQ(l.regions[1].points, pts({{3, 0}, {3, 1}, {2, 1}, {3, 2}}));
    EXPECT_EQ(l.regions[2].points, pts({{0, 2}}));
}

TEST(LabelRegions, randomPicturesMatchTheReferenceImplementation)
{
    std::mt19937 random(20261208);
    for (int round = 0; round < 300; ++round) {
        const int width = 1 + int(random() % 40);
        const int height = 1 + int(random() % 30);
        const auto picture = randomPicture(random, width, height, 20 + int(random() % 60));
        Labelled l(picture);
        const RegionTable expected = referenceLabelling(picture);
        ASSERT_EQ(l.regions.size(), expected.size()) << "round " << round;
        for (std::size_t r = 0; r < expected.size(); ++r) {
            EXPECT_EQ(l.regions[r].count, expected[r].count)
                << "round " << round << " region " << r;
            EXPECT_EQ(l.regions[r].firstRow, expected[r].firstRow);
            EXPECT_EQ(l.regions[r].mergeLink, expected[r].mergeLink);
            ASSERT_EQ(l.regions[r].points, expected[r].points)
                << "round " << round << " region " << r;
        }
    }
}

// Mostly light rows, which the scan crosses in wide steps: light pixels of red 255 with other
// bytes 0 or 255 and of red 128, and dark ones with green 255, at every offset from the row
// start and up to the last column.
TEST(LabelRegions, sparsePicturesOfEveryLightKindMatchTheStepByStepDefinition)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> percent(0, 99);
    for (int round = 0; round < 300; ++round) {
        const int width = 1 + int(random() % 90);
        const int height = 1 + int(random() % 12);
        const int darkPercent = 1 + int(random() % 12);
        std::vector<std::string> picture(std::size_t(height), std::string(std::size_t(width), '.'));
        for (auto &row : picture) {
            for (char &c : row)
                c = percent(random) < darkPercent ? "#g"[random() % 2] : "..r8"[random() % 4];
        }
        Labelled l(picture);
        const RegionTable expected = referenceLabelling(picture);
        ASSERT_EQ(l.regions.size(), expected.size()) << "round " << round;
        for (std::size_t r = 0; r < expected.size(); ++r) {
            EXPECT_EQ(l.regions[r].count, expected[r].count) << "round " << round;
            ASSERT_EQ(l.regions[r].points, expected[r].points)
                << "round " << round << " region " << r;
        }
    }
}

TEST(LabelRegions, everyDarkPixelIsInExactlyOneLiveRegionPerBlob)
{
    std::mt19937 random(7);
    for (int round = 0; round < 100; ++round) {
        const int width = 2 + int(random() % 60);
        const int height = 2 + int(random() % 40);
        const auto picture = randomPicture(random, width, height, 45);
        Labelled l(picture);
        std::vector<int> owner(std::size_t(width * height), 0);
        for (std::size_t r = 1; r < l.regions.size(); ++r) {
            const item &region = l.regions[r];
            ASSERT_EQ(std::size_t(region.count), region.points.size());
            if (region.count == 0) {
                EXPECT_NE(region.mergeLink, 0);
                continue;
            }
            EXPECT_EQ(region.mergeLink, 0);
            EXPECT_EQ(region.points[0].y, region.firstRow);
            for (const Point p : region.points) {
                ASSERT_EQ(picture[p.y][p.x], '#');
                ASSERT_EQ(owner[std::size_t(p.y * width + p.x)], 0) << "pixel listed twice";
                owner[std::size_t(p.y * width + p.x)] = int(r);
            }
        }
        // Eight-neighbours share a region; every dark pixel has one.
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                if (picture[y][x] != '#')
                    continue;
                const int mine = owner[std::size_t(y * width + x)];
                ASSERT_NE(mine, 0);
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = x + dx, ny = y + dy;
                        if (nx < 0 || ny < 0 || nx >= width || ny >= height ||
                            picture[ny][nx] != '#')
                            continue;
                        ASSERT_EQ(owner[std::size_t(ny * width + nx)], mine);
                    }
                }
            }
        }
    }
}

TEST(LabelRegions, aSecondPassReplacesTheTable)
{
    PictureStore store;
    RegionTable regions;
    drawAscii(store.workRaster, store.rowTable, {"#.#.#"});
    LabelRegions(store.rowTable, regions);
    ASSERT_EQ(regions.size(), 4u);
    drawAscii(store.workRaster, store.rowTable, {"....#"});
    LabelRegions(store.rowTable, regions);
    ASSERT_EQ(regions.size(), 2u);
    EXPECT_EQ(regions[1].points, pts({{4, 0}}));
}
