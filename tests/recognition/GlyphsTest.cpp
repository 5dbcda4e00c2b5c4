// The glyph stage: how regions become pieces and blocks (drawn as pictures), and what the
// learned method reads from them on drawn digits: segments joined, touching digits cut, a
// broken digit read once, a speck left alone.
#include "picture/LoadPicture.h"
#include "picture/PictureStore.h"
#include "recognition/GlyphPieces.h"
#include "recognition/ReadPicture.h"
#include "tests/support/AsciiRaster.h"

#include <QString>

#include <gtest/gtest.h>

#include <QPoint>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace {

// Traces every region and reads none: the pieces need only the outlines.
class OutlinesOnly : public Recogniser
{
public:
    void recognise(const item &, const ChainCode &, RegionResult &) override { }
};

struct Pieces
{
    PictureStore store;
    RecognitionState state;
    std::vector<RegionResult> results;
    MemoryReservation charge;
    GlyphPieces pieces;

    explicit Pieces(const std::vector<std::string> &picture, int minSide = 3)
    {
        CreatePictureStore(store);
        drawAscii(store.workRaster, store.rowTable, picture);
        NoProgress progress;
        OutlinesOnly outlines;
        results = RecognizeAll(store.workRaster, store.rowTable, state, progress, outlines, 1);
        pieces = FindGlyphPieces(state.regions, results, minSide, charge);
    }
    // The region of each atom of each block, left to right.
    std::vector<std::vector<int>> blocks() const
    {
        std::vector<std::vector<int>> all;
        for (const GlyphBlock &block : pieces.blocks) {
            all.emplace_back();
            for (const std::size_t a : block.atoms)
                all.back().push_back(pieces.atoms[a].region);
        }
        return all;
    }
};

TEST(GlyphPieces, aDisplaysSegmentsJoinOneBlockForEachDigit)
{
    // 0 to 9, each segment a region of its own, the digits a cell apart.
    PictureStore store;
    CreatePictureStore(store);
    LoadPicture(
        QStringLiteral(UMNOGLAZ_SAMPLES "/seven-segment.bmp"), store.workRaster, store.rowTable);
    RecognitionState state;
    NoProgress progress;
    OutlinesOnly outlines;
    const std::vector<RegionResult> results =
        RecognizeAll(store.workRaster, store.rowTable, state, progress, outlines, 1);
    MemoryReservation charge;
    const GlyphPieces pieces = FindGlyphPieces(state.regions, results, 10, charge);
    ASSERT_EQ(pieces.blocks.size(), 10u);
    const std::size_t segments[10] = {6, 2, 5, 5, 4, 5, 6, 3, 7, 6};
    for (std::size_t d = 0; d < 10; ++d) {
        EXPECT_EQ(pieces.blocks[d].atoms.size(), segments[d]) << d;
        // As tall as the digit: 64 pixels, less the top and the bottom segment where it has none.
        EXPECT_GE(pieces.blocks[d].height, 48) << d;
        EXPECT_LE(pieces.blocks[d].height, 66) << d;
    }
}

TEST(GlyphPieces, aWideRegionIsCutIntoPartsThatTileItOneCutThroughItsBridge)
{
    // Two rings joined by a one-pixel bridge: one region, wide for its height.
    const Pieces touching({
        "..............",
        ".#####.#####..",
        ".#...#.#...#..",
        ".#...#.#...#..",
        ".#...###...#..",
        ".#...#.#...#..",
        ".#...#.#...#..",
        ".#####.#####..",
        "..............",
    });
    ASSERT_EQ(touching.pieces.blocks.size(), 1u);
    const GlyphBlock &block = touching.pieces.blocks[0];
    ASSERT_GE(block.atoms.size(), 2u);
    int pixels = 0;
    bool throughBridge = false;
    for (std::size_t i = 0; i < block.atoms.size(); ++i) {
        const GlyphAtom &atom = touching.pieces.atoms[block.atoms[i]];
        EXPECT_TRUE(atom.cut);
        EXPECT_EQ(atom.region, 1);
        if (i > 0) {
            EXPECT_EQ(touching.pieces.atoms[block.atoms[i - 1]].to, atom.from);
        }
        throughBridge |= atom.from == 7 + 1; // the bridge's column, framed
        pixels += atom.count;
    }
    EXPECT_TRUE(throughBridge);
    EXPECT_EQ(pixels, touching.state.regions[1].count);
}

TEST(GlyphPieces, slantedNeighboursThatNoUprightLineSeparatesAreCutAlongTheirSlant)
{
    // Two solid bars leaning as italic strokes do, 3 columns in 10 rows, a column apart and
    // joined by one pixel half way down: every column that meets the one meets the other.
    std::vector<std::string> picture(22, std::string(23, '.'));
    int left = 0;
    for (int r = 0; r < 20; ++r) {
        const int s = (19 - r) * 3 / 10;
        std::string &row = picture[std::size_t(r + 1)];
        row.replace(std::size_t(1 + s), 5, "#####");
        row.replace(std::size_t(7 + s), 5, "#####");
        left += 5;
        if (r == 10)
            row[std::size_t(6 + s)] = '#';
    }
    const Pieces bars(picture);
    ASSERT_EQ(bars.pieces.blocks.size(), 1u);
    const GlyphBlock &block = bars.pieces.blocks[0];
    ASSERT_EQ(block.atoms.size(), 2u);
    const GlyphAtom &first = bars.pieces.atoms[block.atoms[0]];
    const GlyphAtom &second = bars.pieces.atoms[block.atoms[1]];
    EXPECT_LT(first.toLean, 0); // to the left going down
    EXPECT_EQ(second.fromLean, first.toLean);
    // Each part one bar; the bridge goes to either.
    EXPECT_LE(std::abs(first.count - left), 1);
    EXPECT_EQ(first.count + second.count, bars.state.regions[1].count);
}

// --- What the learned method reads ------------------------------------------------------------

using Stroke = std::vector<QPoint>;

// Points along an elliptic arc centred at (cx, cy), from angle a0 to a1 in degrees.
Stroke arc(int cx, int cy, int rx, int ry, double a0, double a1)
{
    Stroke stroke;
    for (int i = 0; i <= 24; ++i) {
        const double a = (a0 + (a1 - a0) * i / 24) * std::numbers::pi / 180;
        stroke.push_back({int(cx + rx * std::cos(a)), int(cy + ry * std::sin(a))});
    }
    return stroke;
}

Stroke operator+(Stroke a, const Stroke &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Strokes of the window's 5-pixel pen, each offset by (x, y), on a white 400 x 160 page.
struct Drawing
{
    PictureStore store;
    Drawing() { CreatePictureStore(store); }
    void stroke(int x, int y, const Stroke &points)
    {
        TCanvas &canvas = store.workRaster.canvas();
        canvas.Pen.Width = 5;
        canvas.Pen.Color = clBlack;
        canvas.moveTo(x + points.front().x(), y + points.front().y());
        for (const QPoint &p : points)
            canvas.lineTo(x + p.x(), y + p.y());
    }
    Reading read()
    {
        RebuildRowTable(store.rowTable, store.workRaster);
        RecognitionState state;
        NoProgress progress;
        ReadingOptions options;
        options.method = Method::Learned;
        return ReadPicture(store.workRaster, store.rowTable, state, progress, options);
    }
};

const Stroke kTwo = arc(20, 17, 17, 16, 190, 380) + Stroke {{4, 60}, {40, 60}};
const Stroke kSeven = {{2, 0}, {40, 0}, {16, 60}};
const Stroke kThree = arc(19, 15, 15, 14, 200, 450) + arc(19, 44, 17, 16, 270, 520);

// The glyphs' digits, left to right.
std::string digitsOf(const Reading &reading)
{
    std::vector<const Glyph *> glyphs;
    for (const Glyph &glyph : reading.glyphs)
        glyphs.push_back(&glyph);
    std::sort(glyphs.begin(), glyphs.end(),
        [](const Glyph *a, const Glyph *b) { return a->box.x < b->box.x; });
    std::string digits;
    for (const Glyph *glyph : glyphs)
        digits += glyph->digit;
    return digits;
}

TEST(ReadGlyphs, aSevenSegmentDisplayIsReadDigitByDigitFromItsSegments)
{
    PictureStore store;
    CreatePictureStore(store);
    LoadPicture(
        QStringLiteral(UMNOGLAZ_SAMPLES "/seven-segment.bmp"), store.workRaster, store.rowTable);
    RecognitionState state;
    NoProgress progress;
    ReadingOptions options;
    options.method = Method::Learned;
    const Reading reading = ReadPicture(store.workRaster, store.rowTable, state, progress, options);
    EXPECT_EQ(digitsOf(reading), "0123456789");
    for (const Glyph &glyph : reading.glyphs)
        EXPECT_EQ(glyph.kind, Glyph::Kind::Assembled) << glyph.digit;
    ASSERT_EQ(reading.numbers.size(), 1u);
    EXPECT_EQ(reading.numbers[0].text, "0123456789");
}

TEST(ReadGlyphs, twoTouchingDigitsAreCutApartAndReadAsTwo)
{
    Drawing drawing;
    drawing.stroke(100, 40, kTwo);
    drawing.stroke(
        124, 40, kSeven); // the 7's bar runs into the 2's top, its foot into the 2's base
    const Reading reading = drawing.read();
    ASSERT_EQ(reading.results.size(), 1u) << "one blob";
    EXPECT_EQ(digitsOf(reading), "27");
    for (const Glyph &glyph : reading.glyphs)
        EXPECT_EQ(glyph.kind, Glyph::Kind::Cut);
}

TEST(ReadGlyphs, aBrokenFiveIsReadAsOneFive)
{
    // Its flag drawn apart from its body, as a quick hand leaves it.
    Drawing drawing;
    drawing.stroke(100, 40, {{36, -3}, {15, -3}});
    drawing.stroke(100, 40, Stroke {{8, 6}, {6, 26}} + arc(20, 40, 17, 19, 235, 495));
    const Reading reading = drawing.read();
    ASSERT_EQ(reading.results.size(), 2u);
    ASSERT_EQ(reading.glyphs.size(), 1u);
    EXPECT_EQ(reading.glyphs[0].digit, '5');
    EXPECT_EQ(reading.glyphs[0].regions.size(), 2u);
}

TEST(ReadGlyphs, aSpeckBesideADigitIsLeftAlone)
{
    Drawing drawing;
    drawing.stroke(100, 40, kThree);
    for (int y = 70; y < 74; ++y)
        for (int x = 150; x < 154; ++x)
            setPixel(drawing.store.workRaster, x, y, {0, 0, 0});
    const Reading reading = drawing.read();
    ASSERT_EQ(reading.results.size(), 2u);
    ASSERT_EQ(reading.glyphs.size(), 1u);
    EXPECT_EQ(reading.glyphs[0].digit, '3');
    EXPECT_EQ(reading.glyphs[0].kind, Glyph::Kind::Single);
    ASSERT_EQ(reading.numbers.size(), 1u);
    EXPECT_EQ(reading.numbers[0].text, "3");
}

} // namespace

TEST(ReadGlyphs, aDisplaysSevenAndZeroAreReadWholeThoughTheirHalvesLieApart)
{
    // Short, thick segments far apart: nothing joins the upper segments of a 7 or a 0 to its
    // lower ones but the reading.
    constexpr int t = 9, length = 23, g = 3;
    Drawing drawing;
    const auto segments = [&](int x0, const std::string &lit) {
        const int across = t + 2 * g + length, down = t + 2 * g + length;
        const struct
        {
            char name;
            int x, y, width, height;
        } all[] = {{'a', t + g, 0, length, t}, {'b', across, t + g, t, length},
            {'c', across, t + g + down, t, length}, {'d', t + g, 2 * down, length, t},
            {'e', 0, t + g + down, t, length}, {'f', 0, t + g, t, length},
            {'g', t + g, down, length, t}};
        for (const auto &segment : all) {
            if (lit.find(segment.name) == std::string::npos)
                continue;
            for (int y = 0; y < segment.height; ++y)
                for (int x = 0; x < segment.width; ++x)
                    setPixel(drawing.store.workRaster, x0 + segment.x + x, 40 + segment.y + y,
                        {0, 0, 0});
        }
    };
    segments(40, "abc");
    segments(100, "abcdef");
    segments(160, "afgcd");
    const Reading reading = drawing.read();
    EXPECT_EQ(digitsOf(reading), "705");
    ASSERT_EQ(reading.numbers.size(), 1u);
    EXPECT_EQ(reading.numbers[0].text, "705");
}

TEST(ReadGlyphs, aNumberInAFrameIsReadAndTheFrameLeftAlone)
{
    Drawing drawing;
    drawing.stroke(100, 40, kTwo);
    drawing.stroke(150, 40, kSeven);
    drawing.stroke(20, 10, {{0, 0}, {400, 0}, {400, 200}, {0, 200}, {0, 0}});
    const Reading reading = drawing.read();
    ASSERT_EQ(reading.results.size(), 3u);
    EXPECT_EQ(digitsOf(reading), "27");
    ASSERT_EQ(reading.numbers.size(), 1u);
    EXPECT_EQ(reading.numbers[0].text, "27");
}

TEST(ReadGlyphs, linesSetSoTightlyThatTheyJoinOneBlockAreReadLineByLine)
{
    // Two lines a few pixels apart: each digit lies near those above and below it.
    Drawing drawing;
    drawing.stroke(100, 8, kTwo);
    drawing.stroke(150, 8, kSeven);
    drawing.stroke(100, 80, kSeven);
    drawing.stroke(150, 80, kTwo);
    const Reading reading = drawing.read();
    ASSERT_EQ(reading.results.size(), 4u);
    ASSERT_EQ(reading.numbers.size(), 2u);
    EXPECT_EQ(reading.numbers[0].text, "27");
    EXPECT_EQ(reading.numbers[1].text, "72");
}
