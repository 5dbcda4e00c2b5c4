// Pictures taller than QPainter's reach (row 8,388,607) and than ten million rows: a 1-pixel
// wide BMP whose few stored rows are its bottom ones (the file holds only those; missing pixel
// bytes read as colour 0, white), with short vertical blobs on both sides of row 10,000,000.
#include "picture/LoadPicture.h"
#include "picture/PictureStore.h"
#include "recognition/LabelRegions.h"
#include "recognition/RecognizeAll.h"
#include "tests/support/BmpFiles.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstring>

namespace {

constexpr int kPictureRows = 10'000'100;

// A vertical blob in framed raster rows (picture row + 1), column 1.
struct Blob
{
    int firstRow;
    int count;
};

// Above the painter's limit and above row 10,000,000, across it, and below it.
constexpr Blob kBlobs[] = {{9'999'951, 3}, {9'999'999, 5}, {10'000'050, 4}, {10'000'080, 2}};

// 1 x kPictureRows, 1 bit per pixel, bottom row first: colour 0 white, colour 1 black.
QByteArray tallBmp()
{
    BmpFields fields;
    fields.height = kPictureRows;
    fields.bitsPerPixel = 1;
    fields.colorsUsed = 2;
    fields.palette = {{255, 255, 255}, {0, 0, 0}};
    // Rows 4 bytes each, padded; the rest is not stored.
    fields.pixels.assign(4 * 160, 0);
    for (const Blob &blob : kBlobs) {
        for (int row = blob.firstRow; row < blob.firstRow + blob.count; ++row) {
            const int stored = kPictureRows - row; // framed row r is picture row r - 1
            fields.pixels[std::size_t(4 * stored)] = 0x80;
        }
    }
    return bmpFile(fields);
}

class TallPictureTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        folder = new QTemporaryDir;
        QFile file(folder->filePath(QStringLiteral("tall.bmp")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(tallBmp());
    }
    static void TearDownTestSuite()
    {
        delete folder;
        folder = nullptr;
    }

    void SetUp() override
    {
        CreatePictureStore(store);
        LoadPicture(folder->filePath(QStringLiteral("tall.bmp")), store.workRaster, store.rowTable);
        ASSERT_EQ(store.workRaster.height(), kPictureRows + 2);
        ASSERT_EQ(store.workRaster.width(), 3);
    }

    static QTemporaryDir *folder;
    PictureStore store;
    RecognitionState state;
};

QTemporaryDir *TallPictureTest::folder = nullptr;

bool isBlob(int row)
{
    for (const Blob &blob : kBlobs) {
        if (row >= blob.firstRow && row < blob.firstRow + blob.count)
            return true;
    }
    return false;
}

} // namespace

TEST_F(TallPictureTest, everyBlobComesOutWholeOnBothSidesOfRowTenMillion)
{
    LabelRegions(store.rowTable, state.regions);
    std::vector<const item *> live;
    for (std::size_t r = 1; r < state.regions.size(); ++r) {
        if (state.regions[r].count != 0)
            live.push_back(&state.regions[r]);
    }
    ASSERT_EQ(live.size(), std::size(kBlobs));
    for (std::size_t i = 0; i < live.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(live[i]->count, kBlobs[i].count);
        EXPECT_EQ(live[i]->firstRow, kBlobs[i].firstRow);
        ASSERT_EQ(live[i]->points.size(), std::size_t(kBlobs[i].count));
        EXPECT_EQ(live[i]->points[0], (Point {1, kBlobs[i].firstRow}));
    }
    EXPECT_EQ(state.regions[0].count, 0);
    EXPECT_TRUE(state.regions[0].points.empty());
}

TEST_F(TallPictureTest, theFrameIsWhiteToTheBottomAndLabelsLandOnEveryRow)
{
    const TBitmap &work = store.workRaster;
    for (int y = 0; y < work.height(); ++y) {
        const std::uint8_t *row = work.scanLine(y);
        const bool dark = y >= 1 && isBlob(y);
        const std::uint8_t inside = dark ? 0 : 255;
        const std::uint8_t expected[9] = {255, 255, 255, inside, inside, inside, 255, 255, 255};
        ASSERT_EQ(std::memcmp(row, expected, 9), 0) << "row " << y;
    }

    NoProgress progress;
    TurnSignatureRecogniser turns;
    const std::vector<RegionResult> results = RecognizeAll(
        store.workRaster, store.rowTable, state, progress, turns, DefaultThreadCount());
    store.displayRaster.copyFrom(store.workRaster);
    ASSERT_EQ(results.size(), std::size(kBlobs));

    // Each label equals the same text written near the top of a small raster.
    TBitmap small;
    small.setSize(3, 13);
    small.canvas().Font.Color = clRed;
    for (std::size_t i = 0; i < results.size(); ++i) {
        const RegionResult &result = results[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(result.count, kBlobs[i].count);
        EXPECT_EQ(result.start, (Point {1, kBlobs[i].firstRow}));
        if (!result.traced)
            continue;
        small.canvas().fillRect(small.canvas().clipRect());
        small.canvas().textOut(1, 0, QString(QChar::fromLatin1(result.digit)));
        for (int y = 0; y < 13; ++y) {
            EXPECT_EQ(
                std::memcmp(work.scanLine(result.start.y - kLabelRise + y), small.scanLine(y), 9),
                0)
                << "label row " << y;
        }
    }
    const TBitmap &display = store.displayRaster;
    ASSERT_EQ(display.height(), work.height());
    for (int y = 0; y < work.height(); y += 1) {
        ASSERT_EQ(std::memcmp(display.scanLine(y), work.scanLine(y), 9), 0) << "row " << y;
    }
}
