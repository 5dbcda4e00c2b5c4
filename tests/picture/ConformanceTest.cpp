// The public BMP conformance pictures: every file loads or fails with one of our messages, and
// every "good" file matches its reference rendering. Alpha is ignored, and channels of fewer
// than 8 bits may differ from the reference by the rounding of their scaling.
#include "base/AppError.h"
#include "base/Messages.h"
#include "picture/LoadPicture.h"
#include "picture/PictureStore.h"
#include "tests/picture/PictureFiles.h"
#include "tests/support/SharedTestData.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>

#include <map>

namespace {

const QString kSuite = QStringLiteral(UMNOGLAZ_TESTDATA "/bmpsuite");

// The reference renderings named by the suite's page: file "g/x.bmp" -> the PNGs in its row.
std::map<QString, QStringList> referencesOf()
{
    QFile page(kSuite + QStringLiteral("/html/bmpsuite.html"));
    if (!page.open(QIODevice::ReadOnly))
        return {};
    const QString html = QString::fromUtf8(page.readAll());
    std::map<QString, QStringList> references;
    static const QRegularExpression row(
        QStringLiteral("<tr>(.*?)</tr>"), QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression image(QStringLiteral("<img[^>]*src=\"([^\"]+)\""));
    for (auto rows = row.globalMatch(html); rows.hasNext();) {
        QStringList pictures;
        QString file;
        for (auto images = image.globalMatch(rows.next().captured(1)); images.hasNext();) {
            const QString source = images.next().captured(1);
            if (source.startsWith(QStringLiteral("../")))
                file = source.mid(3);
            else if (source.endsWith(QStringLiteral(".png")))
                pictures << source;
        }
        if (!file.isEmpty())
            references[file] = pictures;
    }
    return references;
}

QStringList suiteFiles(const QString &folder)
{
    QStringList files;
    for (const QString &name : QDir(kSuite + "/" + folder).entryList({"*.bmp"}, QDir::Files))
        files << folder + "/" + name;
    return files;
}

// The largest channel difference between the loaded picture and the reference, or -1 when
// their sizes differ.
int largestDifference(const PictureStore &store, const QImage &reference)
{
    if (store.workRaster.width() != reference.width() + 2 ||
        store.workRaster.height() != reference.height() + 2)
        return -1;
    const QImage rgb = reference.convertToFormat(QImage::Format_RGB888);
    int largest = 0;
    for (int y = 0; y < rgb.height(); ++y) {
        const std::uint8_t *ref = rgb.constScanLine(y);
        for (int x = 0; x < rgb.width(); ++x) {
            const Bgr p = pixelAt(store.workRaster, x + 1, y + 1);
            largest = std::max({largest, std::abs(p.red - ref[3 * x]),
                std::abs(p.green - ref[3 * x + 1]), std::abs(p.blue - ref[3 * x + 2])});
        }
    }
    return largest;
}

} // namespace

TEST(BmpSuite, everyFileLoadsOrFailsWithOneOfOurMessages)
{
    UMNOGLAZ_SKIP_WITHOUT_TESTDATA();
    const std::set<std::string> ours {kBitmapNotValid, kStreamReadError, kOutOfResources};
    QStringList files;
    for (const char *folder : {"g", "q", "b", "x"})
        files << suiteFiles(folder);
    ASSERT_GT(files.size(), 80);
    for (const QString &file : files) {
        PictureStore store;
        CreatePictureStore(store);
        const std::string error =
            errorOf([&] { LoadPicture(kSuite + "/" + file, store.workRaster, store.rowTable); });
        if (error != "no error") {
            EXPECT_TRUE(ours.count(error)) << file.toStdString() << ": " << error;
        }
        EXPECT_EQ(
            store.rowTable.height(), store.workRaster.isEmpty() ? 0 : store.workRaster.height());
    }
}

TEST(BmpSuite, everyGoodFileMatchesItsReferenceRendering)
{
    UMNOGLAZ_SKIP_WITHOUT_TESTDATA();
    const auto references = referencesOf();
    const QStringList files = suiteFiles("g");
    ASSERT_GT(files.size(), 20);
    for (const QString &file : files) {
        const auto found = references.find(file);
        ASSERT_NE(found, references.end()) << file.toStdString();
        PictureStore store;
        CreatePictureStore(store);
        LoadPicture(kSuite + "/" + file, store.workRaster, store.rowTable);
        // Some rows offer several renderings (stretched or not); one of the same size counts.
        const int tolerance = file.startsWith(QStringLiteral("g/rgb16")) ? 1 : 0;
        int best = -1;
        for (const QString &png : found->second) {
            const QImage reference(kSuite + "/html/" + png);
            const int difference = largestDifference(store, reference);
            if (difference >= 0 && (best < 0 || difference < best))
                best = difference;
        }
        EXPECT_GE(best, 0) << file.toStdString() << ": no reference of its size";
        EXPECT_LE(best, tolerance) << file.toStdString();
    }
}

TEST(BmpSuite, unusedBytesBeforeThePixelsAreSkippedByTheOffset)
{
    UMNOGLAZ_SKIP_WITHOUT_TESTDATA();
    PictureStore store;
    CreatePictureStore(store);
    LoadPicture(kSuite + "/q/pal8offs.bmp", store.workRaster, store.rowTable);
    EXPECT_EQ(largestDifference(store, QImage(kSuite + "/html/pal8.png")), 0);
}

TEST(JpegSuite, everyPublicJpegLoadsExceptTheTwelveBitOne)
{
    UMNOGLAZ_SKIP_WITHOUT_TESTDATA();
    for (const char *name : {"testorig.jpg", "testimgint.jpg", "testimgari.jpg", "monkey12.jpg"}) {
        PictureStore store;
        CreatePictureStore(store);
        const std::string error = errorOf([&] {
            LoadPicture(QStringLiteral(UMNOGLAZ_TESTDATA "/jpeg/") + name, store.workRaster,
                store.rowTable);
        });
        if (std::string(name) == "monkey12.jpg")
            EXPECT_EQ(error.rfind("JPEG error #", 0), 0u) << error;
        else
            EXPECT_EQ(error, "no error") << name;
    }
}
