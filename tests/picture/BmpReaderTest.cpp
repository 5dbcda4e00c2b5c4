// The BMP reader on files written byte by byte: every depth and header form, where the pixel
// data starts and how much of it there is, run-length decoding with clipping, and refusals.
#include "picture/BmpReader.h"
#include "base/AppError.h"
#include "base/Messages.h"
#include "tests/picture/PictureFiles.h"

#include <gtest/gtest.h>

#include <QBuffer>

namespace {

using Rows = std::vector<std::vector<std::uint32_t>>;

// A decoded picture: pixel (x, y) is bytes 3 (y width + x) .. + 2, blue first.
struct Decoded
{
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bytes;
    Bgr at(int x, int y) const
    {
        const std::uint8_t *p = bytes.data() + 3 * (std::size_t(y) * width + x);
        return {p[0], p[1], p[2]};
    }
};

Decoded decode(const QByteArray &file)
{
    QByteArray copy = file;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    BmpReader reader(buffer);
    reader.readHeaders();
    Decoded picture {reader.width(), reader.height(), {}};
    // Bytes that the reader leaves alone stay 0xAB, so unwritten pixels show up.
    picture.bytes.assign(std::size_t(picture.width) * picture.height * 3, 0xAB);
    reader.readPixels(
        [&](int y) { return picture.bytes.data() + 3 * std::size_t(y) * picture.width; });
    return picture;
}

std::string refusalOf(const QByteArray &file)
{
    return errorOf([&] { decode(file); });
}

Bgr bgrOf(std::uint32_t rgb)
{
    return {int(rgb & 0xFF), int((rgb >> 8) & 0xFF), int(rgb >> 16)};
}

// Four colours for palette pictures; entry i is blue 10i + 1, green 10i + 2, red 10i + 3.
std::vector<std::array<std::uint8_t, 3>> palette(int entries)
{
    std::vector<std::array<std::uint8_t, 3>> table;
    for (int i = 0; i < entries; ++i)
        table.push_back(
            {std::uint8_t(10 * i + 1), std::uint8_t(10 * i + 2), std::uint8_t(10 * i + 3)});
    return table;
}

Bgr entry(int i)
{
    return {(10 * i + 1) & 255, (10 * i + 2) & 255, (10 * i + 3) & 255};
}

BmpFields indexed(int bits, const Rows &rows, int entries)
{
    BmpFields fields;
    fields.width = std::int32_t(rows.front().size());
    fields.height = std::int32_t(rows.size());
    fields.bitsPerPixel = std::uint16_t(bits);
    fields.palette = palette(entries);
    fields.colorsUsed = std::uint32_t(entries);
    fields.pixels = packRows(rows, bits);
    return fields;
}

} // namespace

// --- Depths --------------------------------------------------------------------------------

struct DepthCase
{
    const char *name;
    BmpFields fields;
    std::vector<Bgr> expected; // row by row, top first
};

class BmpDepthTest : public ::testing::TestWithParam<DepthCase>
{ };

TEST_P(BmpDepthTest, decodesEveryPixel)
{
    const Decoded picture = decode(bmpFile(GetParam().fields));
    ASSERT_EQ(std::size_t(picture.width) * picture.height, GetParam().expected.size());
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x)
            EXPECT_EQ(picture.at(x, y), GetParam().expected[std::size_t(y * picture.width + x)])
                << x << "," << y;
    }
}

namespace {

DepthCase depthCase(const char *name, int bits, const Rows &rows, std::vector<Bgr> expected,
    std::vector<std::uint32_t> masks = {}, std::uint32_t headerSize = 40)
{
    BmpFields fields;
    fields.headerSize = headerSize;
    fields.width = std::int32_t(rows.front().size());
    fields.height = std::int32_t(rows.size());
    fields.bitsPerPixel = std::uint16_t(bits);
    fields.pixels = packRows(rows, bits);
    if (!masks.empty()) {
        fields.compression = 3;
        fields.masks = masks;
    }
    if (bits <= 8) {
        fields.palette = palette(1 << bits);
        fields.colorsUsed = 0; // the default table size
    }
    return {name, fields, expected};
}

std::vector<DepthCase> depthCases()
{
    const Bgr white {255, 255, 255}, black {0, 0, 0};
    return {
        depthCase("oneBitMostSignificantFirst", 1,
            {{1, 0, 0, 1, 1, 0, 0, 0, 1}, {0, 1, 1, 1, 1, 1, 1, 1, 0}},
            {entry(1), entry(0), entry(0), entry(1), entry(1), entry(0), entry(0), entry(0),
                entry(1), entry(0), entry(1), entry(1), entry(1), entry(1), entry(1), entry(1),
                entry(1), entry(0)}),
        depthCase("fourBitHighNibbleFirst", 4, {{3, 15, 7}}, {entry(3), entry(15), entry(7)}),
        depthCase(
            "eightBit", 8, {{0, 200}, {255, 17}}, {entry(0), entry(200), entry(255), entry(17)}),
        depthCase("sixteenBitFiveFiveFive", 16, {{0x7FFF, 0x0000}, {0x7C00, 0x8010}},
            {white, black, {0, 0, 255}, {132, 0, 0}}),
        depthCase("sixteenBitFiveSixFive", 16, {{0xFFFF, 0xF800, 0x07E0, 0x001F, 0x0020}},
            {white, {0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {0, 4, 0}}, {0xF800, 0x07E0, 0x001F}),
        depthCase("sixteenBitMasksInALongHeader", 16, {{0xF800, 0x001F}},
            {{0, 0, 255}, {255, 0, 0}}, {0xF800, 0x07E0, 0x001F}, 56),
        depthCase("twentyFourBit", 24, {{0x102030, 0xA0B0C0}, {0x000000, 0xFFFFFF}},
            {bgrOf(0x102030), bgrOf(0xA0B0C0), black, white}),
        depthCase("thirtyTwoBitDropsTheFourthByte", 32, {{0xFF102030, 0x00A0B0C0}},
            {bgrOf(0x102030), bgrOf(0xA0B0C0)}),
        depthCase("thirtyTwoBitWithMasksInUnusualOrder", 32, {{0x30201000}}, {{0x30, 0x20, 0x10}},
            {0x0000FF00, 0x00FF0000, 0xFF000000}),
        depthCase("tenBitChannelsAreScaled", 32, {{0x3FFFFFFF, 0x20000000}}, {white, {0, 0, 128}},
            {0x3FF00000, 0x000FFC00, 0x000003FF}, 124),
    };
}

} // namespace

INSTANTIATE_TEST_SUITE_P(Depths, BmpDepthTest, ::testing::ValuesIn(depthCases()),
    [](const auto &info) { return std::string(info.param.name); });

TEST(BmpReader, fiveBitRedIsDarkBelowSixteen)
{
    // Either way of scaling 5 bits gives the same answer to "red below 128".
    const Decoded picture = decode(bmpFile(depthCase("", 16, {{15 << 10, 16 << 10}}, {}).fields));
    EXPECT_LT(picture.at(0, 0).red, 128);
    EXPECT_GE(picture.at(1, 0).red, 128);
}

TEST(BmpReader, topDownAndBottomUpGiveTheSamePicture)
{
    const Rows rows {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
    BmpFields bottomUp = indexed(8, rows, 16);
    BmpFields topDown = bottomUp;
    topDown.height = -3;
    topDown.pixels = packRows(rows, 8, true);
    EXPECT_EQ(decode(bmpFile(topDown)).bytes, decode(bmpFile(bottomUp)).bytes);
    EXPECT_EQ(decode(bmpFile(topDown)).at(0, 0), entry(1));
}

TEST(BmpReader, theShortHeaderHasUnsignedSizesAndThreeByteEntries)
{
    BmpFields fields;
    fields.headerSize = 12;
    fields.width = 40000; // above 32767: unsigned
    fields.height = 1;
    fields.bitsPerPixel = 8;
    fields.palette = palette(256);
    Rows rows {std::vector<std::uint32_t>(40000, 7)};
    rows[0][39999] = 9;
    fields.pixels = packRows(rows, 8);
    const Decoded picture = decode(bmpFile(fields));
    ASSERT_EQ(picture.width, 40000);
    EXPECT_EQ(picture.at(0, 0), entry(7));
    EXPECT_EQ(picture.at(39999, 0), entry(9));
}

TEST(BmpReader, colourTableEntryFiveGivesItsBytes)
{
    BmpFields fields = indexed(8, {{5, 5}, {5, 0}}, 6);
    fields.palette[5] = {10, 20, 30};
    const Decoded picture = decode(bmpFile(fields));
    EXPECT_EQ(picture.at(0, 0), (Bgr {10, 20, 30}));
    EXPECT_EQ(picture.at(0, 1), (Bgr {10, 20, 30}));
}

TEST(BmpReader, anIndexBeyondTheTableTakesEntryZero)
{
    const Decoded picture = decode(bmpFile(indexed(8, {{1, 2, 200}}, 2)));
    EXPECT_EQ(picture.at(0, 0), entry(1));
    EXPECT_EQ(picture.at(1, 0), entry(0));
    EXPECT_EQ(picture.at(2, 0), entry(0));
}

// --- Where the pixel data starts -----------------------------------------------------------

TEST(BmpReader, pixelsAfterAGapAreReadFromTheOffset)
{
    BmpFields fields = indexed(8, {{1, 2, 3, 4}}, 8);
    fields.gap = 20;
    const Decoded picture = decode(bmpFile(fields));
    EXPECT_EQ(picture.at(0, 0), entry(1));
    EXPECT_EQ(picture.at(3, 0), entry(4));
}

TEST(BmpReader, aTableLongerThanColoursUsedIsSkippedByTheOffset)
{
    BmpFields fields = indexed(8, {{1, 2, 3, 6}}, 8);
    fields.colorsUsed = 5; // eight entries written, five declared
    const Decoded picture = decode(bmpFile(fields));
    EXPECT_EQ(picture.at(1, 0), entry(2));
    EXPECT_EQ(picture.at(3, 0), entry(0)); // index 6 is beyond the five entries
}

struct OffsetCase
{
    const char *name;
    std::uint32_t offset;
};

class UnsoundOffsetTest : public ::testing::TestWithParam<OffsetCase>
{ };

TEST_P(UnsoundOffsetTest, readsRightAfterTheColourTable)
{
    BmpFields fields = indexed(8, {{1, 2, 3, 4}}, 8);
    fields.pixelOffset = GetParam().offset;
    const Decoded picture = decode(bmpFile(fields));
    EXPECT_EQ(picture.at(0, 0), entry(1));
    EXPECT_EQ(picture.at(3, 0), entry(4));
}

INSTANTIATE_TEST_SUITE_P(Offsets, UnsoundOffsetTest,
    ::testing::Values(OffsetCase {"zero", 0}, OffsetCase {"insideTheTable", 60},
        OffsetCase {"atTheEndOfTheFile", 14 + 40 + 32 + 4}, OffsetCase {"farBeyond", 0xFFFFFFF0}),
    [](const auto &info) { return std::string(info.param.name); });

// --- How much pixel data -------------------------------------------------------------------

TEST(BmpReader, aTruncatedTwentyFourBitFileHasBlackTopRows)
{
    BmpFields fields;
    fields.width = 2;
    fields.height = 3;
    fields.pixels = packRows(Rows(3, {0x112233, 0x445566}), 24); // 8 bytes a row
    fields.pixels.resize(8 + 5); // the bottom row, then five bytes of the middle one
    const Decoded picture = decode(bmpFile(fields));
    EXPECT_EQ(picture.at(0, 2), bgrOf(0x112233));
    EXPECT_EQ(picture.at(1, 2), bgrOf(0x445566));
    EXPECT_EQ(picture.at(0, 1), bgrOf(0x112233));
    EXPECT_EQ(picture.at(1, 1), (Bgr {0x66, 0x55, 0})); // its red byte is missing
    EXPECT_EQ(picture.at(0, 0), kBlack);
    EXPECT_EQ(picture.at(1, 0), kBlack);
}

TEST(BmpReader, missingPaletteBytesTakeEntryZero)
{
    BmpFields fields = indexed(8, {{1, 2}, {3, 4}}, 8);
    fields.pixels.resize(4); // the bottom row only
    const Decoded picture = decode(bmpFile(fields));
    EXPECT_EQ(picture.at(0, 1), entry(3));
    EXPECT_EQ(picture.at(0, 0), entry(0));
    EXPECT_EQ(picture.at(1, 0), entry(0));
}

TEST(BmpReader, theImageSizeFieldOfUncompressedDataIsNotTrusted)
{
    for (std::uint32_t imageSize : {1u, 0xFFFFFFFFu}) {
        BmpFields fields = indexed(8, {{1, 2}, {3, 4}}, 8);
        fields.imageSize = imageSize;
        const Decoded picture = decode(bmpFile(fields));
        EXPECT_EQ(picture.at(0, 0), entry(1)) << imageSize;
        EXPECT_EQ(picture.at(1, 1), entry(4)) << imageSize;
    }
}

// --- Run-length data -----------------------------------------------------------------------

namespace {

BmpFields runLength(int bits, int width, int height, std::vector<std::uint8_t> data)
{
    BmpFields fields;
    fields.width = width;
    fields.height = height;
    fields.bitsPerPixel = std::uint16_t(bits);
    fields.compression = bits == 8 ? 1 : 2;
    fields.palette = palette(bits == 8 ? 16 : 16);
    fields.colorsUsed = 16;
    fields.imageSize = std::uint32_t(data.size());
    fields.pixels = std::move(data);
    return fields;
}

// The picture as rows of colour-table indexes ('0' + index), '?' for anything else.
std::vector<std::string> indexesOf(const Decoded &picture)
{
    std::vector<std::string> rows;
    for (int y = 0; y < picture.height; ++y) {
        std::string row;
        for (int x = 0; x < picture.width; ++x) {
            char c = '?';
            for (int i = 0; i < 16; ++i) {
                if (picture.at(x, y) == entry(i))
                    c = char(i < 10 ? '0' + i : 'a' + i - 10);
            }
            row += c;
        }
        rows.push_back(row);
    }
    return rows;
}

} // namespace

TEST(BmpRunLength, eightBitRunsLiteralsEndsOfRowAndDeltas)
{
    const Decoded picture = decode(bmpFile(runLength(8, 6, 4,
        {3, 1, 0, 3, 2, 3, 4, 0, // bottom row: 111 234, literal padded to even
            0, 0,                // end of row
            0, 2, 2, 1,          // delta: two right, one up: row 2 of the stored rows
            2, 5, 0, 0,          // 55 at x 2..3, end of row
            6, 7, 0, 1})));      // top row 777777, end of picture
    EXPECT_EQ(
        indexesOf(picture), (std::vector<std::string> {"777777", "005500", "000000", "111234"}));
}

TEST(BmpRunLength, fourBitRunsAlternateNibbles)
{
    const Decoded picture = decode(bmpFile(runLength(4, 7, 2,
        {5, 0x12, 0, 0,                          // 12121
            0, 5, 0xAB, 0xCD, 0xE0, 0, 0, 1}))); // literal abcde, three bytes padded to four
    EXPECT_EQ(indexesOf(picture), (std::vector<std::string> {"abcde00", "1212100"}));
}

TEST(BmpRunLength, runsPastTheRowEndAreClippedNotWrapped)
{
    const Decoded picture = decode(bmpFile(
        runLength(8, 3, 2, {200, 1, 0, 9, 2, 2, 2, 2, 2, 2, 2, 2, 2, 0, 0, 0, 1, 3, 0, 1})));
    EXPECT_EQ(indexesOf(picture), (std::vector<std::string> {"300", "111"}));
}

TEST(BmpRunLength, deltasPastThePictureStopTheDecoding)
{
    const Decoded picture =
        decode(bmpFile(runLength(8, 3, 2, {0, 2, 255, 0, 1, 4, 0, 2, 0, 255, 1, 5})));
    EXPECT_EQ(indexesOf(picture), (std::vector<std::string> {"000", "000"}));
}

TEST(BmpRunLength, dataEndingEarlyLeavesEntryZero)
{
    for (std::size_t cut = 0; cut <= 7; ++cut) {
        std::vector<std::uint8_t> data {2, 1, 0, 4, 3, 3, 3, 3};
        data.resize(cut);
        const Decoded picture = decode(bmpFile(runLength(8, 6, 1, data)));
        EXPECT_EQ(indexesOf(picture)[0].find('?'), std::string::npos) << cut;
        EXPECT_EQ(indexesOf(picture)[0].substr(5), "0") << cut;
    }
}

TEST(BmpRunLength, theImageSizeFieldBoundsTheStreamAndZeroMeansTheRestOfTheFile)
{
    BmpFields fields = runLength(8, 4, 1, {2, 1, 2, 3});
    fields.imageSize = 2;
    EXPECT_EQ(indexesOf(decode(bmpFile(fields)))[0], "1100");
    fields.imageSize = 0;
    EXPECT_EQ(indexesOf(decode(bmpFile(fields)))[0], "1133");
}

TEST(BmpRunLength, topDownRunLengthDataStartsAtTheTopRow)
{
    BmpFields fields = runLength(8, 2, 2, {2, 1, 0, 0, 2, 3, 0, 1});
    fields.height = -2;
    EXPECT_EQ(indexesOf(decode(bmpFile(fields))), (std::vector<std::string> {"11", "33"}));
}

// --- Refusals ------------------------------------------------------------------------------

struct RefusalCase
{
    const char *name;
    QByteArray file;
    std::string message;
};

class BmpRefusalTest : public ::testing::TestWithParam<RefusalCase>
{ };

TEST_P(BmpRefusalTest, failsWithItsMessage)
{
    EXPECT_EQ(refusalOf(GetParam().file), GetParam().message);
}

namespace {

QByteArray with(const std::function<void(BmpFields &)> &change)
{
    BmpFields fields = indexed(8, {{1, 2}}, 4);
    change(fields);
    return bmpFile(fields);
}

std::vector<RefusalCase> refusalCases()
{
    const std::string notValid = kBitmapNotValid;
    const std::string readError = kStreamReadError;
    const QByteArray good = with([](BmpFields &) {});
    QByteArray wrongSignature = good;
    wrongSignature[1] = 'A';
    QByteArray sixteenBitMasks =
        bmpFile(depthCase("", 16, {{1}}, {}, {0xF800, 0x07E0, 0x1F}).fields);
    return {
        {"wrongSignature", wrongSignature, notValid},
        {"twoPlanes", with([](BmpFields &s) { s.planes = 2; }), notValid},
        {"twoBitsPerPixel", with([](BmpFields &s) { s.bitsPerPixel = 2; }), notValid},
        {"sixtyFourBitsPerPixel", with([](BmpFields &s) { s.bitsPerPixel = 64; }), notValid},
        {"embeddedJpeg", with([](BmpFields &s) { s.compression = 4; }), notValid},
        {"embeddedPng", with([](BmpFields &s) { s.compression = 5; }), notValid},
        {"bitFieldsOnEightBits", with([](BmpFields &s) { s.compression = 3; }), notValid},
        {"bitFieldsWithoutMasks", with([](BmpFields &s) {
             s.bitsPerPixel = 16, s.compression = 3, s.headerSize = 44, s.palette.clear();
             s.colorsUsed = 0;
         }),
            notValid},
        {"runLength8OnFourBits", with([](BmpFields &s) { s.bitsPerPixel = 4, s.compression = 1; }),
            notValid},
        {"runLength4OnEightBits", with([](BmpFields &s) { s.compression = 2; }), notValid},
        {"headerOfTwentyBytes", with([](BmpFields &s) { s.headerSize = 20; }), notValid},
        {"headerOfEightBytes", with([](BmpFields &s) { s.headerSize = 8; }), notValid},
        {"moreThan256Colours", with([](BmpFields &s) { s.colorsUsed = 257; }), notValid},
        {"widthZero", with([](BmpFields &s) { s.width = 0; }), notValid},
        {"heightZero", with([](BmpFields &s) { s.height = 0; }), notValid},
        {"negativeWidth", with([](BmpFields &s) { s.width = -2; }), notValid},
        {"endsInsideTheInfoHeader", good.left(14 + 30), notValid},
        {"endsInsideTheHeaderSize", good.left(16), notValid},
        {"endsInsideTheFileHeader", good.left(13), readError},
        {"shortFileWithoutSignature", QByteArray("XXXXX"), readError},
        {"endsInsideTheMasks", sixteenBitMasks.left(14 + 40 + 6), readError},
        {"endsInsideTheColourTable", good.left(14 + 40 + 9), readError},
        {"hugePicture", with([](BmpFields &s) {
             s.width = 0x7FFFFFFF;
             s.height = -0x7FFFFFFF - 1;
         }),
            kOutOfResources},
    };
}

} // namespace

INSTANTIATE_TEST_SUITE_P(Refusals, BmpRefusalTest, ::testing::ValuesIn(refusalCases()),
    [](const auto &info) { return std::string(info.param.name); });
