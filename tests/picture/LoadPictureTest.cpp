// Loading as the window sees it: the reader chosen by the extension, the white frame, the row
// table, the caption, and the state left behind by every kind of failure.
#include "picture/LoadPicture.h"
#include "base/AppError.h"
#include "base/Messages.h"
#include "picture/PictureLimits.h"
#include "picture/PictureStore.h"
#include "tests/picture/PictureFiles.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QImage>

#include <sys/stat.h>

namespace {

// A 24-bit BMP of the given rows (0xRRGGBB values, top row first).
QByteArray bmp24(const std::vector<std::vector<std::uint32_t>> &rows)
{
    BmpFields fields;
    fields.width = std::int32_t(rows.front().size());
    fields.height = std::int32_t(rows.size());
    fields.pixels = packRows(rows, 24);
    return bmpFile(fields);
}

class LoadPictureTest : public ::testing::Test
{
protected:
    void SetUp() override { CreatePictureStore(store); }

    QString load(const QString &fileName)
    {
        return LoadPicture(fileName, store.workRaster, store.rowTable);
    }
    std::string failureOf(const QString &fileName)
    {
        return errorOf([&] { load(fileName); });
    }
    void expectRowTableMatchesRaster()
    {
        const int rows = store.workRaster.isEmpty() ? 0 : store.workRaster.height();
        ASSERT_EQ(store.rowTable.height(), rows);
        for (int y = 0; y < rows; ++y)
            EXPECT_EQ(store.rowTable[y], store.workRaster.scanLine(y));
    }

    PictureStore store;
    PictureFolder folder;
};

} // namespace

// --- The extension -------------------------------------------------------------------------

struct ExtensionCase
{
    const char *name;
    const char16_t *fileName;
    const char16_t *extension;
};

class PictureExtensionTest : public ::testing::TestWithParam<ExtensionCase>
{ };

TEST_P(PictureExtensionTest, isThePartAfterTheLastDot)
{
    EXPECT_EQ(PictureExtension(QString::fromUtf16(GetParam().fileName)),
        QString::fromUtf16(GetParam().extension));
}

INSTANTIATE_TEST_SUITE_P(Names, PictureExtensionTest,
    ::testing::Values(ExtensionCase {"upperCaseIsLowered", u"C:\\pics\\A.BMP", u".bmp"},
        ExtensionCase {"mixedCaseIsLowered", u"/pics/a.Bmp", u".bmp"},
        ExtensionCase {"lastDotWins", u"a.bmp.JPEG", u".jpeg"},
        ExtensionCase {"noDotGivesNothing", u"/pics/photo", u""},
        ExtensionCase {"dotInAFolderWithBackslash", u"C:\\my.pics\\seven", u""},
        ExtensionCase {"dotInAFolderWithSlash", u"/home/me/my.pics/seven", u""},
        ExtensionCase {"colonAfterTheDot", u"a.b:c", u""},
        ExtensionCase {"trailingBlankIsKept", u"a.bmp ", u".bmp "},
        ExtensionCase {"onlyAToZAreLowered", u"a.\u00C4BMP", u".\u00C4bmp"},
        ExtensionCase {"bareDot", u"a.", u"."}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(LoadPictureTest, bmpNamesInAnyCaseTakeTheBmpReader)
{
    const QByteArray picture = bmp24({{0x000000}});
    for (const char *name : {"a.bmp", "b.BMP", "c.Bmp"}) {
        EXPECT_EQ(failureOf(folder.write(name, picture)), "no error") << name;
        EXPECT_EQ(store.workRaster.width(), 3) << name;
    }
}

TEST_F(LoadPictureTest, everyOtherNameTakesTheJpegReader)
{
    // A BMP file under any other name is read as JPEG, which refuses it as not a JPEG file.
    const QByteArray picture = bmp24({{0x000000}});
    ASSERT_TRUE(QDir(folder.path(QString())).mkpath(QStringLiteral("my.pics")));
    for (const char *name : {"a.jpg", "b.jpeg", "c.png", "noextension", "my.pics/seven", "d.bmp "})
        EXPECT_EQ(failureOf(folder.write(name, picture)), JpegError(52).toStdString()) << name;
}

TEST_F(LoadPictureTest, aPngFileIsNotAJpegFile)
{
    QImage png(4, 4, QImage::Format_RGB32);
    png.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(png.save(&buffer, "PNG"));
    EXPECT_EQ(failureOf(folder.write("a.png", bytes)), JpegError(52).toStdString());
}

TEST_F(LoadPictureTest, aJpegNamedBmpIsNotAValidBitmap)
{
    const QByteArray jpeg = jpegFile(uniformJpeg(8, 8, {10, 20, 30}));
    EXPECT_EQ(failureOf(folder.write("a.bmp", jpeg)), kBitmapNotValid);
}

// --- The frame -----------------------------------------------------------------------------

TEST_F(LoadPictureTest, onePixelIsFramedByEightWhitePixels)
{
    const QString name = folder.write("one.bmp", bmp24({{0x102030}}));
    EXPECT_EQ(load(name), name);
    ASSERT_EQ(store.workRaster.width(), 3);
    ASSERT_EQ(store.workRaster.height(), 3);
    EXPECT_EQ(pixelAt(store.workRaster, 1, 1), (Bgr {0x30, 0x20, 0x10}));
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 3; ++x) {
            if (x != 1 || y != 1) {
                EXPECT_EQ(pixelAt(store.workRaster, x, y), kWhite) << x << "," << y;
            }
        }
    }
    expectRowTableMatchesRaster();
}

TEST_F(LoadPictureTest, aBlackTopRowAndLeftColumnSitInsideTheFrame)
{
    const std::uint32_t k = 0x000000, w = 0xFFFFFF;
    load(folder.write("corner.bmp", bmp24({{k, k, k, k}, {k, w, w, w}, {k, w, w, w}})));
    EXPECT_EQ(asciiOf(store.workRaster),
        (std::vector<std::string> {
            "......",
            ".####.",
            ".#....",
            ".#....",
            "......",
        }));
}

TEST_F(LoadPictureTest, aSmallPictureReplacesALargeOneCompletely)
{
    std::vector<std::vector<std::uint32_t>> rows(100, std::vector<std::uint32_t>(200, 0x000000));
    load(folder.write("small.bmp", bmp24(rows)));
    EXPECT_EQ(store.workRaster.width(), 202);
    EXPECT_EQ(store.workRaster.height(), 102);
    EXPECT_TRUE(allPixels(store.workRaster, QRect(1, 1, 200, 100), kBlack));
    expectRowTableMatchesRaster();
}

// --- Empty files ---------------------------------------------------------------------------

TEST_F(LoadPictureTest, anEmptyBmpFileLoadsAsTwoByTwoWhite)
{
    const QString name = folder.write("empty.bmp", QByteArray());
    EXPECT_EQ(load(name), name);
    EXPECT_EQ(store.workRaster.width(), 2);
    EXPECT_EQ(store.workRaster.height(), 2);
    EXPECT_TRUE(allPixels(store.workRaster, QRect(0, 0, 2, 2), kWhite));
    expectRowTableMatchesRaster();
}

TEST_F(LoadPictureTest, anEmptyJpegFileFailsAsEmptyInput)
{
    EXPECT_EQ(failureOf(folder.write("empty.jpg", QByteArray())), JpegError(41).toStdString());
}

// --- State after failure -------------------------------------------------------------------

TEST_F(LoadPictureTest, everyKindOfFailureLeavesThePictureAndRowTableUntouched)
{
    const std::uint32_t k = 0x000000, w = 0xFFFFFF, r = 0xFF0000;
    load(folder.write("good.bmp", bmp24({{k, w, r}, {r, k, w}})));
    const QImage before = store.workRaster.view().copy();
    const std::uint8_t *firstRow = store.workRaster.scanLine(0);
    std::vector<std::uint8_t *> rowsBefore;
    for (int y = 0; y < store.rowTable.height(); ++y)
        rowsBefore.push_back(store.rowTable[y]);

    BmpFields huge;
    huge.headerSize = 12;
    huge.width = 65535;
    huge.height = 65535;
    const QString pipe = folder.path("pipe.jpg");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString device = folder.path("zero.jpg");
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), device));
    const struct
    {
        QString file;
        std::string error;
    } failures[] = {
        {folder.path("missing.bmp"), CannotOpenFile(folder.path("missing.bmp")).toStdString()},
        {folder.path(QString()), CannotOpenFile(folder.path(QString())).toStdString()},
        {pipe, CannotOpenFile(pipe).toStdString()},
        {device, CannotOpenFile(device).toStdString()},
        {folder.write("bad.bmp", QByteArray("XX0123456789abcdef")), kBitmapNotValid},
        {folder.write("cut.bmp", QByteArray("BM\x10\x00")), kStreamReadError},
        {folder.write("huge.bmp", bmpFile(huge)), kOutOfResources},
        {folder.write("empty.jpg", QByteArray()), JpegError(41).toStdString()},
        // Two components: the header reads, decoding refuses the colour conversion.
        {folder.write("two.jpg", jpegFile(uniformJpeg(7, 5, {100, 200}))),
            JpegError(27).toStdString()},
    };
    for (const auto &failure : failures) {
        SCOPED_TRACE(failure.file.toStdString());
        EXPECT_EQ(failureOf(failure.file), failure.error);
        ASSERT_EQ(store.workRaster.scanLine(0), firstRow); // the same store, not a copy
        EXPECT_EQ(store.workRaster.view(), before);
        ASSERT_EQ(store.rowTable.height(), int(rowsBefore.size()));
        for (int y = 0; y < store.rowTable.height(); ++y)
            EXPECT_EQ(store.rowTable[y], rowsBefore[std::size_t(y)]);
        EXPECT_EQ(store.rowTable.width(), 5);
    }
}

// --- Memory --------------------------------------------------------------------------------

TEST(PictureLimits, aHundredMegapixelPictureFitsAndSixtyFiveThousandSquaredDoesNot)
{
    EXPECT_TRUE(FramedPictureFits(12000, 8400));
    EXPECT_TRUE(FramedPictureFits(18900, 18900));
    EXPECT_FALSE(FramedPictureFits(18920, 18920));
    EXPECT_FALSE(FramedPictureFits(65535, 65535));
    EXPECT_FALSE(FramedPictureFits(std::int64_t(1) << 31, 1));
}

TEST_F(LoadPictureTest, aTinyBmpDeclaringAHugePictureIsRefusedBeforeAllocating)
{
    BmpFields fields;
    fields.headerSize = 12;
    fields.width = 65535;
    fields.height = 65535;
    EXPECT_EQ(failureOf(folder.write("huge.bmp", bmpFile(fields))), kOutOfResources);
}

TEST_F(LoadPictureTest, aTinyJpegDeclaringAHugePictureIsRefusedBeforeAllocating)
{
    QByteArray jpeg = jpegFile(uniformJpeg(16, 16, {1, 2, 3}));
    const qsizetype sof = jpeg.indexOf("\xFF\xC0");
    ASSERT_GT(sof, 0);
    // SOF0: marker, length (2), precision (1), height (2), width (2).
    for (int i : {5, 6, 7, 8})
        jpeg[sof + i] = char(i % 2 ? 0xFF : 0xDC); // 65500 x 65500
    EXPECT_EQ(failureOf(folder.write("huge.jpg", jpeg)), kOutOfResources);
}
