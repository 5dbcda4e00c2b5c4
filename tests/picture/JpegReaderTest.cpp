// JPEG loading on files compressed by libjpeg in the tests: colour order, grayscale through 236
// levels, the CMYK and YCCK conversions, progressive and cut-short files, and error numbers.
#include "picture/JpegReader.h"
#include "base/Messages.h"
#include "picture/LoadPicture.h"
#include "picture/PictureStore.h"
#include "tests/picture/PictureFiles.h"
#include "tests/support/SharedTestData.h"

#include <gtest/gtest.h>

#include <QImage>

#include <cstdlib>
#include <set>

#include <cstdio>
#include <jpeglib.h>
// After jpeglib.h, which it needs.
#include <jerror.h>

namespace {

class JpegLoadTest : public ::testing::Test
{
protected:
    void SetUp() override { CreatePictureStore(store); }

    void load(const JpegFields &fields, const char *name = "picture.jpg")
    {
        LoadPicture(folder.write(name, jpegFile(fields)), store.workRaster, store.rowTable);
    }
    // Picture pixel (x, y), inside the frame.
    Bgr at(int x, int y) const { return pixelAt(store.workRaster, x + 1, y + 1); }

    PictureStore store;
    PictureFolder folder;
};

::testing::AssertionResult near(Bgr actual, Bgr expected, int tolerance)
{
    if (std::abs(actual.blue - expected.blue) <= tolerance &&
        std::abs(actual.green - expected.green) <= tolerance &&
        std::abs(actual.red - expected.red) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
        << "got " << actual.blue << "," << actual.green << "," << actual.red << " expected "
        << expected.blue << "," << expected.green << "," << expected.red;
}

} // namespace

TEST(JpegErrorNumber, notAJpegIs52AndEmptyInputIs41)
{
    EXPECT_EQ(JpegErrorNumber(JERR_NO_SOI), 52);
    EXPECT_EQ(JpegErrorNumber(JERR_INPUT_EMPTY), 41);
    EXPECT_EQ(JpegErrorNumber(JERR_CONVERSION_NOTIMPL), JERR_CONVERSION_NOTIMPL);
}

TEST(JpegErrorNumber, noTwoMessagesShareANumber)
{
    std::set<int> numbers;
    for (int code = 0; code <= JMSG_LASTMSGCODE; ++code)
        numbers.insert(JpegErrorNumber(code));
    EXPECT_EQ(int(numbers.size()), JMSG_LASTMSGCODE + 1);
}

TEST_F(JpegLoadTest, colourPicturesKeepTheirColoursInBlueGreenRedOrder)
{
    // Left half red, right half blue, 16 x 16: each half is whole 8 x 8 blocks.
    JpegFields fields = uniformJpeg(16, 16, {255, 0, 0});
    for (int y = 0; y < 16; ++y) {
        for (int x = 8; x < 16; ++x) {
            std::uint8_t *p = fields.samples.data() + 3 * (y * 16 + x);
            p[0] = 0, p[2] = 255;
        }
    }
    fields.quality = 100;
    load(fields);
    ASSERT_EQ(store.workRaster.width(), 18);
    ASSERT_EQ(store.workRaster.height(), 18);
    EXPECT_TRUE(near(at(2, 2), {0, 0, 255}, 8));
    EXPECT_TRUE(near(at(13, 13), {255, 0, 0}, 8));
    EXPECT_TRUE(allPixels(store.workRaster, QRect(0, 0, 18, 1), kWhite));
    EXPECT_TRUE(allPixels(store.workRaster, QRect(0, 0, 1, 18), kWhite));
    EXPECT_EQ(store.rowTable.height(), 18);
}

TEST_F(JpegLoadTest, grayscalePicturesHaveThreeEqualBytesFromAtMost236Levels)
{
    JpegFields fields;
    fields.width = 256;
    fields.height = 8;
    fields.components = 1;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 256; ++x)
            fields.samples.push_back(std::uint8_t(x));
    }
    load(fields);
    std::set<int> levels;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 256; ++x) {
            const Bgr p = at(x, y);
            ASSERT_EQ(p.blue, p.green);
            ASSERT_EQ(p.green, p.red);
            levels.insert(p.red);
        }
    }
    EXPECT_LE(levels.size(), 236u);
    EXPECT_GT(levels.size(), 100u);
    EXPECT_TRUE(near(at(3, 3), {3, 3, 3}, 6));
    EXPECT_TRUE(near(at(250, 3), {250, 250, 250}, 6));
}

TEST_F(JpegLoadTest, cmykWithAnAdobeMarkerIsStoredInverted)
{
    load(uniformJpeg(16, 16, {255, 0, 128, 255})); // red 255, green 0, blue about 128
    EXPECT_TRUE(near(at(5, 5), {128, 0, 255}, 4));
}

TEST_F(JpegLoadTest, cmykWithoutAnAdobeMarkerIsStoredPlain)
{
    JpegFields fields = uniformJpeg(16, 16, {0, 255, 127, 0});
    fields.adobeMarker = false;
    load(fields);
    EXPECT_TRUE(near(at(5, 5), {128, 0, 255}, 4));
}

TEST_F(JpegLoadTest, ycckIsTurnedIntoCmykAndThenRgb)
{
    JpegFields fields = uniformJpeg(16, 16, {255, 0, 128, 255});
    fields.ycck = true;
    load(fields);
    EXPECT_TRUE(near(at(5, 5), {128, 0, 255}, 4));
}

TEST_F(JpegLoadTest, progressivePicturesDecodeLikeBaselineOnes)
{
    JpegFields fields;
    fields.width = 40;
    fields.height = 24;
    for (int y = 0; y < fields.height; ++y) {
        for (int x = 0; x < fields.width; ++x) {
            fields.samples.push_back(std::uint8_t(6 * x));
            fields.samples.push_back(std::uint8_t(10 * y));
            fields.samples.push_back(std::uint8_t(3 * (x + y)));
        }
    }
    load(fields);
    std::vector<Bgr> baseline;
    for (int y = 0; y < fields.height; ++y) {
        for (int x = 0; x < fields.width; ++x)
            baseline.push_back(at(x, y));
    }
    fields.progressive = true;
    load(fields, "progressive.jpg");
    for (int y = 0; y < fields.height; ++y) {
        for (int x = 0; x < fields.width; ++x)
            ASSERT_TRUE(near(at(x, y), baseline[std::size_t(y * fields.width + x)], 10))
                << x << "," << y;
    }
}

TEST_F(JpegLoadTest, aFileOfThousandsOfScansIsRefusedRatherThanDecodedForMinutes)
{
    JpegFields fields = uniformJpeg(64, 64, {90, 120, 200});
    fields.progressive = true;
    QByteArray file = jpegFile(fields);
    const qsizetype lastScan = file.lastIndexOf("\xFF\xDA");
    ASSERT_GT(lastScan, 0);
    const QByteArray scan = file.mid(lastScan, file.size() - 2 - lastScan); // up to the EOI
    QByteArray scans;
    for (int i = 0; i < 600; ++i)
        scans += scan;
    file.insert(file.size() - 2, scans);
    EXPECT_EQ(errorOf([&] {
        LoadPicture(folder.write("scans.jpg", file), store.workRaster, store.rowTable);
    }),
        JpegError(JpegErrorNumber(JERR_BAD_PROGRESSION)).toStdString());
    file.remove(file.size() - 2 - scans.size(), scans.size() - 400 * scan.size());
    EXPECT_EQ(errorOf([&] {
        LoadPicture(folder.write("scans.jpg", file), store.workRaster, store.rowTable);
    }),
        "no error");
}

TEST_F(JpegLoadTest, aFileCutShortLoadsWithWhatTheLibraryMakesOfIt)
{
    JpegFields fields = uniformJpeg(64, 64, {0, 0, 0});
    QByteArray file = jpegFile(fields);
    const qsizetype scan = file.indexOf("\xFF\xDA"); // start of scan: the entropy-coded data
    ASSERT_GT(scan, 0);
    file.truncate(scan + (file.size() - scan) / 2);
    EXPECT_EQ(errorOf([&] {
        LoadPicture(folder.write("cut.jpg", file), store.workRaster, store.rowTable);
    }),
        "no error");
    EXPECT_EQ(store.workRaster.width(), 66);
    EXPECT_EQ(store.workRaster.height(), 66);
    EXPECT_TRUE(near(at(1, 1), kBlack, 4));
}

TEST_F(JpegLoadTest, aPublicTestPictureMatchesQtsOwnDecoding)
{
    UMNOGLAZ_SKIP_WITHOUT_TESTDATA();
    const QString name = QStringLiteral(UMNOGLAZ_TESTDATA "/jpeg/testorig.jpg");
    LoadPicture(name, store.workRaster, store.rowTable);
    const QImage reference = QImage(name).convertToFormat(QImage::Format_RGB888);
    ASSERT_FALSE(reference.isNull());
    ASSERT_EQ(store.workRaster.width(), reference.width() + 2);
    ASSERT_EQ(store.workRaster.height(), reference.height() + 2);
    // Qt decodes with the integer DCT; ours uses floating point. They differ by rounding only.
    double total = 0;
    for (int y = 0; y < reference.height(); ++y) {
        const std::uint8_t *ref = reference.constScanLine(y);
        for (int x = 0; x < reference.width(); ++x) {
            const Bgr p = at(x, y);
            total += std::abs(p.red - ref[3 * x]) + std::abs(p.green - ref[3 * x + 1]) +
                std::abs(p.blue - ref[3 * x + 2]);
        }
    }
    EXPECT_LT(total / (3.0 * reference.width() * reference.height()), 1.5);
}
