#include "recognition/ShapeTable.h"

#include "picture/RowTable.h"
#include "recognition/ChainCode.h"
#include "recognition/Contour.h"
#include "recognition/LabelRegions.h"
#include "recognition/RecognizeAll.h"
#include "tests/support/Fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <random>

namespace {

constexpr int kSide = 16;

// A shape in its own box: bit 8 y + x for pixel (x, y), touching row 0 and column 0.
using Shape = std::uint64_t;

bool has(Shape shape, int x, int y)
{
    return x >= 0 && y >= 0 && x < 8 && y < 8 && (shape >> (8 * y + x)) & 1;
}

bool connected(Shape shape)
{
    const Shape first = shape & (~shape + 1);
    Shape reached = first, frontier = first;
    while (frontier != 0) {
        Shape next = 0;
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) {
                if (!has(frontier, x, y))
                    continue;
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dx = -1; dx <= 1; ++dx) {
                        if (has(shape, x + dx, y + dy) && !has(reached, x + dx, y + dy))
                            next |= Shape(1) << (8 * (y + dy) + x + dx);
                    }
                }
            }
        }
        reached |= next;
        frontier = next;
    }
    return reached == shape;
}

// Pixels of the raster written byte by byte, in a raster of kSide x kSide made once.
class Page
{
public:
    Page()
    {
        CreatePictureStore(m_store);
        drawAscii(m_store.workRaster, m_store.rowTable,
            std::vector<std::string>(kSide, std::string(kSide, '.')));
    }
    RowTable &rows() { return m_store.rowTable; }
    void paint(int x, int y, char kind)
    {
        static const std::pair<char, Bgr> kinds[] = {
            {'.', kWhite}, {'#', kBlack}, {'8', {0, 0, 128}}, {'g', {0, 255, 0}}, {'r', kPureRed}};
        for (const auto &[name, colour] : kinds) {
            if (name != kind)
                continue;
            std::uint8_t *pixel = rows()[y] + kBytesPerPixel * x;
            pixel[0] = std::uint8_t(colour.blue);
            pixel[1] = std::uint8_t(colour.green);
            pixel[2] = std::uint8_t(colour.red);
        }
    }
    std::vector<std::uint8_t> bytes()
    {
        std::vector<std::uint8_t> all;
        for (int y = 0; y < kSide; ++y)
            all.insert(all.end(), rows()[y], rows()[y] + kBytesPerPixel * kSide);
        return all;
    }
    void restore(const std::vector<std::uint8_t> &all)
    {
        for (int y = 0; y < kSide; ++y)
            std::memcpy(rows()[y], all.data() + std::size_t(y) * kBytesPerPixel * kSide,
                kBytesPerPixel * kSide);
    }

private:
    PictureStore m_store;
};

// Draws the shape with its box's corner at (left, top): the pixels right of and right of and
// below its first pixel marked or not as `marks` says, the rest of its neighbourhood light
// pixels of either kind (white, which counts as marked, or pure red, which does not), and
// `clutter` everywhere else. Gives the live region holding the shape.
const item &draw(Page &page, RegionTable &regions, Shape shape, int marks, int left, int top,
    std::mt19937 &random, const char *clutter)
{
    int first = 0;
    while (!has(shape, first, 0))
        ++first;
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const int sx = x - left, sy = y - top;
            bool near = false;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx)
                    near = near || has(shape, sx + dx, sy + dy);
            }
            const bool right = sx == first + 1 && sy == 0, below = sx == first + 1 && sy == 1;
            char kind = clutter[random() % std::strlen(clutter)];
            if (has(shape, sx, sy))
                kind = (right && (marks & 1)) || (below && (marks & 2)) ? 'g' : '#';
            else if (right || below)
                kind = (right ? marks & 1 : marks & 2) ? '.' : 'r';
            else if (near)
                kind = random() % 2 ? '.' : 'r';
            page.paint(x, y, kind);
        }
    }
    LabelRegions(page.rows(), regions);
    for (const item &region : regions) {
        if (!region.points.empty() && region.points[0] == Point {left + first, top})
            return region;
    }
    throw std::logic_error("the shape is not a region");
}

// The pass's own path for one region: walk, chain code, turn signature and match.
RegionResult walked(RowTable &rows, const item &region, std::uint64_t &marks)
{
    RegionResult result;
    result.box = BoundingBox(region.points);
    Contour contour;
    ChainCode chainCode;
    marks = 0;
    if (!TraceContour(rows, region, contour))
        return result;
    BuildChainCode(contour, chainCode);
    result.traced = true;
    result.codes = chainCode.size();
    TurnSignatureRecogniser().recognise(region, chainCode, result);
    for (const Point p : contour)
        marks |= FrameBit(result.box, p);
    return result;
}

void expectSameOutcome(const RegionResult &a, const RegionResult &b)
{
    EXPECT_EQ(a.traced, b.traced);
    EXPECT_EQ(a.codes, b.codes);
    EXPECT_EQ(a.digit, b.digit);
    EXPECT_EQ(a.signature, b.signature);
    EXPECT_EQ(a.mismatches, b.mismatches);
    EXPECT_EQ(a.confidence, b.confidence);
}

// The shape's outcome kept from a walk in the middle of a clean page, then taken for the same
// shape against the page's corner, in clutter that the walk never reads: the same key, and the
// same results and bytes as walking it there.
void checkShape(Page &page, Shape shape, int marks, std::mt19937 &random)
{
    RegionTable regions;
    const item &alone = draw(page, regions, shape, marks, 5, 5, random, ".");
    const std::optional<ShapeKey> key =
        SmallShapeKey(page.rows(), alone, BoundingBox(alone.points));
    ASSERT_TRUE(key.has_value());
    EXPECT_EQ(int(*key & 3), marks);
    std::uint64_t walkMarks = 0;
    const RegionResult first = walked(page.rows(), alone, walkMarks);
    const ShapeTable::Outcome kept = ShapeTable::OutcomeOf(first, walkMarks);

    const item &cornered = draw(page, regions, shape, marks, 0, 0, random, "..#8rg");
    const Box box = BoundingBox(cornered.points);
    ASSERT_EQ(SmallShapeKey(page.rows(), cornered, box), key);
    const std::vector<std::uint8_t> before = page.bytes();
    RegionResult fromTable;
    ShapeTable::Apply(kept, fromTable);
    ShapeTable::Mark(page.rows(), box, kept.marks);
    const std::vector<std::uint8_t> afterTable = page.bytes();
    page.restore(before);
    const RegionResult full = walked(page.rows(), cornered, walkMarks);
    expectSameOutcome(fromTable, full);
    EXPECT_EQ(walkMarks, kept.marks);
    ASSERT_EQ(page.bytes(), afterTable);
}

// A pass over a page with the table, against the same pass walking every region.
class WalkingTurns : public TurnSignatureRecogniser
{
public:
    bool readsOutlineOnly() const override { return false; }
};

struct PassOutcome
{
    std::vector<RegionResult> results;
    TBitmap raster;
};

void pass(const std::vector<std::string> &picture, Recogniser &recogniser, int threads,
    PassOutcome &outcome)
{
    PictureStore store;
    CreatePictureStore(store);
    drawAscii(store.workRaster, store.rowTable, picture);
    RecognitionState state;
    NoProgress progress;
    outcome.results =
        RecognizeAll(store.workRaster, store.rowTable, state, progress, recogniser, threads);
    outcome.raster.copyFrom(store.workRaster);
}

} // namespace

TEST(ShapeTable, everyShapeUpToFourByFourWithEitherMarkGivesTheWalksOutcome)
{
    Page page;
    std::mt19937 random(44);
    int shapes = 0;
    for (Shape bits = 1; bits < (1u << 16); ++bits) {
        Shape shape = 0;
        for (int j = 0; j < 16; ++j) {
            if ((bits >> j) & 1)
                shape |= Shape(1) << (8 * (j / 4) + j % 4);
        }
        const bool anchored = (shape & 0xFF) != 0 && (shape & 0x0101010101010101u) != 0;
        if (!anchored || std::popcount(shape) < 2 || !connected(shape))
            continue;
        ++shapes;
        for (int marks = 0; marks < 4; ++marks) {
            SCOPED_TRACE(testing::Message() << "shape " << std::hex << shape << " marks " << marks);
            checkShape(page, shape, marks, random);
            if (HasFatalFailure())
                return;
        }
    }
    EXPECT_GT(shapes, 10000);
}

TEST(ShapeTable, randomShapesUpToSixBySixGiveTheWalksOutcome)
{
    Page page;
    std::mt19937 random(66);
    for (int round = 0; round < 3000; ++round) {
        // A random walk of 2 to 20 steps in a 6 x 6 box, moved to touch row and column 0.
        Shape shape = 0;
        int x = int(random() % 6), y = int(random() % 6);
        for (int steps = 2 + int(random() % 19); steps > 0; --steps) {
            shape |= Shape(1) << (8 * y + x);
            x = std::clamp(x + int(random() % 3) - 1, 0, 5);
            y = std::clamp(y + int(random() % 3) - 1, 0, 5);
        }
        while ((shape & 0xFF) == 0)
            shape >>= 8;
        while ((shape & 0x0101010101010101u) == 0)
            shape >>= 1;
        if (std::popcount(shape) < 2)
            continue;
        SCOPED_TRACE(testing::Message() << "shape " << std::hex << shape);
        checkShape(page, shape, int(random() % 4), random);
        if (HasFatalFailure())
            return;
    }
}

TEST(ShapeTable, noKeyWhereTheWalkCouldReadMoreThanTheShape)
{
    Page page;
    std::mt19937 random(1);
    RegionTable regions;
    const Shape domino = 0x3;
    const item &region = draw(page, regions, domino, 0, 5, 5, random, ".");
    const Box box = BoundingBox(region.points);
    ASSERT_TRUE(SmallShapeKey(page.rows(), region, box).has_value());
    // A walkable light pixel beside it, one of its own pixels made light since labelling, and
    // a box over the side.
    page.paint(7, 6, '8');
    EXPECT_FALSE(SmallShapeKey(page.rows(), region, box).has_value());
    page.paint(7, 6, '.');
    page.paint(6, 5, 'r');
    EXPECT_FALSE(SmallShapeKey(page.rows(), region, box).has_value());
    page.paint(6, 5, '#');
    const item &bar = draw(page, regions, 0x7F, 0, 2, 2, random, ".");
    EXPECT_FALSE(SmallShapeKey(page.rows(), bar, BoundingBox(bar.points)).has_value());
    // A single pixel is never walked.
    const item &dot = draw(page, regions, 0x1, 0, 2, 2, random, ".");
    EXPECT_FALSE(SmallShapeKey(page.rows(), dot, BoundingBox(dot.points)).has_value());
}

TEST(ShapeTable, aPassGivesTheSameResultsAndPixelsAsWalkingEveryRegion)
{
    std::mt19937 random(25);
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        // Specks of every kind, dense enough for labels to fall on later specks.
        static const char *const kinds[] = {"#..", "#.....", "##...8g", "#...g.r", "#.8"};
        const std::vector<std::string> picture = randomPicture(
            random, 30 + int(random() % 150), 30 + int(random() % 100), kinds[round % 5]);
        WalkingTurns walking;
        PassOutcome plain;
        pass(picture, walking, 1, plain);
        for (const int threads : {1, 2}) {
            TurnSignatureRecogniser turns;
            PassOutcome fast;
            pass(picture, turns, threads, fast);
            ASSERT_EQ(fast.results.size(), plain.results.size());
            for (std::size_t i = 0; i < plain.results.size(); ++i) {
                EXPECT_EQ(fast.results[i].region, plain.results[i].region);
                EXPECT_EQ(fast.results[i].box, plain.results[i].box);
                expectSameOutcome(fast.results[i], plain.results[i]);
            }
            ASSERT_TRUE(sameRasters(fast.raster, plain.raster)) << threads << " threads";
        }
    }
}

TEST(ShapeTable, keepsEachShapeOnceAndFindsWhatItKept)
{
    ShapeTable table;
    std::mt19937_64 random(9);
    std::vector<ShapeKey> keys;
    for (int k = 0; k < 5000; ++k)
        keys.push_back((random() | 0x300) & ~std::uint64_t(0xFC));
    for (std::size_t k = 0; k < keys.size(); ++k) {
        ShapeTable::Outcome outcome;
        outcome.codes = std::uint32_t(k);
        table.keep(keys[k], outcome);
        table.keep(keys[k], ShapeTable::Outcome {});
    }
    EXPECT_EQ(table.size(), keys.size());
    for (std::size_t k = 0; k < keys.size(); ++k) {
        const ShapeTable::Outcome *found = table.find(keys[k]);
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->codes, k);
    }
    EXPECT_EQ(table.find(0x3), nullptr);
}
