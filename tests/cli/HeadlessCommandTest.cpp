#include "Fixtures.h"
#include "Messages.h"
#include "PictureStore.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>

namespace {

struct Outcome
{
    int exitCode = -1;
    QString out;
    QString err;
};

Outcome umnoglaz(const QStringList &arguments,
    const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(UMNOGLAZ_EXECUTABLE), arguments);
    process.waitForFinished(60'000);
    Outcome outcome;
    outcome.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    outcome.out = QString::fromUtf8(process.readAllStandardOutput());
    outcome.err = QString::fromUtf8(process.readAllStandardError());
    return outcome;
}

class HeadlessCommand : public ::testing::Test
{
protected:
    QTemporaryDir dir;

    QString path(const QString &name) const { return dir.filePath(name); }

    // Two thick rings and a lone pixel on a 200 x 100 white picture, saved as a 24-bit BMP.
    QString ringsPicture()
    {
        TBitmap raster;
        raster.setSize(200, 100);
        TCanvas &canvas = raster.canvas();
        for (int left : {30, 120})
            drawRing(canvas, left, 30);
        canvas.Pen.Width = 1;
        canvas.moveTo(100, 90);
        canvas.lineTo(100, 90);
        const QString file = path(QStringLiteral("rings.bmp"));
        EXPECT_TRUE(raster.view().save(file));
        return file;
    }
};

} // namespace

TEST_F(HeadlessCommand, jsonListsEveryLiveRegionWithTheKeysOtherToolsRead)
{
    const QString picture = ringsPicture();
    const Outcome run =
        umnoglaz({QStringLiteral("--recognize"), picture, QStringLiteral("--json")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(run.out.toUtf8(), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << run.out.toStdString();
    const QJsonObject top = document.object();
    EXPECT_EQ(top.keys(), (QStringList {"file", "height", "method", "regions", "width"}));
    EXPECT_EQ(top["method"].toString(), QStringLiteral("turns"));
    EXPECT_EQ(top["file"].toString(), picture);
    EXPECT_EQ(top["width"].toInt(), 202); // the loaded picture with its white frame
    EXPECT_EQ(top["height"].toInt(), 102);

    const QJsonArray regions = top["regions"].toArray();
    ASSERT_EQ(regions.size(), 3);
    int previous = 0;
    for (const QJsonValue &value : regions) {
        const QJsonObject region = value.toObject();
        EXPECT_GT(region["region"].toInt(), previous);
        previous = region["region"].toInt();
        if (region["count"].toInt() == 1) {
            EXPECT_EQ(region.keys(), (QStringList {"count", "digit", "region", "x", "y"}));
            EXPECT_TRUE(region["digit"].isNull());
            EXPECT_EQ(region["x"].toInt(), 101); // (100, 90) moved by the frame
            EXPECT_EQ(region["y"].toInt(), 91);
            continue;
        }
        EXPECT_EQ(region.keys(),
            (QStringList {
                "codes", "count", "digit", "mismatches", "region", "signature", "x", "y"}));
        EXPECT_GE(region["mismatches"].toInt(-1), 0);
        EXPECT_LE(region["mismatches"].toInt(-1), 100);
        EXPECT_EQ(region["digit"].toString().size(), 1);
        EXPECT_TRUE(region["digit"].toString().at(0).isDigit());
        const QString signature = region["signature"].toString();
        EXPECT_EQ(signature.size(), 100);
        EXPECT_EQ(signature.count(u'L') + signature.count(u'R'), 100);
        EXPECT_GT(region["codes"].toInt(), 100);
    }
}

TEST_F(HeadlessCommand, plainOutputHasALinePerRegionAndASummary)
{
    const Outcome run = umnoglaz({QStringLiteral("--recognize"), ringsPicture()});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = run.out.trimmed().split(u'\n');
    ASSERT_EQ(lines.size(), 4) << run.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("region 1 at (")));
    EXPECT_TRUE(lines.filter(QStringLiteral("1 pixel: no outline")).size() == 1);
    EXPECT_TRUE(lines[3].contains(QStringLiteral("202 x 102 pixels, 3 regions, 2 recognised, "
                                                 "1 without an outline")))
        << lines[3].toStdString();
}

TEST_F(HeadlessCommand, outputWritesTheAnnotatedPictureInTheFormatItsNameGives)
{
    const QString picture = ringsPicture();
    for (const QString &name : {QStringLiteral("out.png"), QStringLiteral("out.bmp")}) {
        const Outcome run = umnoglaz(
            {QStringLiteral("--recognize"), picture, QStringLiteral("--output"), path(name)});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QImage written(path(name));
        ASSERT_EQ(written.size(), QSize(202, 102)) << name.toStdString();
        int red = 0, marked = 0;
        for (int y = 0; y < written.height(); ++y) {
            for (int x = 0; x < written.width(); ++x) {
                const QRgb p = written.pixel(x, y);
                red += p == qRgb(255, 0, 0);
                marked += p == qRgb(0, 255, 0);
            }
        }
        EXPECT_GT(red, 10) << "the labels";
        EXPECT_GT(marked, 100) << "the outlines walked";
    }
    const QImage annotated(path(QStringLiteral("out.png")));
    EXPECT_EQ(annotated.pixel(0, 0), qRgb(255, 255, 255));
}

TEST_F(HeadlessCommand, loadFailuresPrintTheErrorBoxTextAndExitOne)
{
    const QString missing = path(QStringLiteral("missing.bmp"));
    Outcome run = umnoglaz({QStringLiteral("--recognize"), missing, QStringLiteral("--json")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, QString());
    EXPECT_EQ(run.err.trimmed(), CannotOpenFile(missing) + u'.');

    // A PNG takes the JPEG path by its name and is refused as not a JPEG file.
    const QString png = path(QStringLiteral("picture.png"));
    QImage(4, 4, QImage::Format_RGB32).save(png);
    run = umnoglaz({QStringLiteral("--recognize"), png});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.trimmed(), JpegError(52) + u'.');
}

TEST_F(HeadlessCommand, usageErrorsExitTwoAndHelpAndVersionExitZero)
{
    for (const QStringList &arguments : {QStringList {QStringLiteral("--json")},
             QStringList {QStringLiteral("--bogus")}, QStringList {QStringLiteral("--recognize")},
             QStringList {QStringLiteral("--recognize"), QStringLiteral("a.bmp"),
                 QStringLiteral("extra.bmp")}}) {
        const Outcome run = umnoglaz(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments.join(u' ').toStdString();
        EXPECT_TRUE(run.err.contains(QStringLiteral("--recognize"))) << "usage is printed";
    }
    // The problem comes first, in its own line.
    const std::pair<QStringList, QString> problems[] = {
        {{QStringLiteral("--json")}, QString::fromLatin1(kOptionsNeedRecognize)},
        {{QStringLiteral("--recognize"), QStringLiteral("a.bmp"), QStringLiteral("extra.bmp")},
            UnexpectedArgument(QStringLiteral("extra.bmp"))},
        {{QStringLiteral("--recognize"), QStringLiteral("a.bmp"), QStringLiteral("--output"),
             QString()},
            QString::fromLatin1(kOutputNeedsName)},
        {{QStringLiteral("--recognize"), QStringLiteral("a.bmp"), QStringLiteral("--method"),
             QStringLiteral("neural")},
            QString::fromLatin1(kUnknownMethod)},
        {{QStringLiteral("--recognize"), QStringLiteral("a.bmp"),
             QStringLiteral("--min-confidence"), QStringLiteral("0.5")},
            QString::fromLatin1(kMinConfidenceNeedsLearned)},
        {{QStringLiteral("--recognize"), QStringLiteral("a.bmp"), QStringLiteral("--method"),
             QStringLiteral("learned"), QStringLiteral("--min-confidence"), QStringLiteral("1.5")},
            QString::fromLatin1(kBadMinConfidence)},
    };
    for (const auto &[arguments, problem] : problems)
        EXPECT_EQ(umnoglaz(arguments).err.section(u'\n', 0, 0), problem);
    Outcome run = umnoglaz({QStringLiteral("--help")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.contains(QStringLiteral("--recognize <PICTURE>")));
    run = umnoglaz({QStringLiteral("--version")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.startsWith(QStringLiteral("umnoglaz ")));
}

TEST_F(HeadlessCommand, runsWithoutAnyDisplay)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    const Outcome run = umnoglaz({QStringLiteral("--recognize"), ringsPicture()}, environment);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
}

TEST_F(HeadlessCommand, theSamplesAreRecognised)
{
    for (const char *sample : {"pen-digits.bmp", "font-digits.bmp", "font-digits.jpg"}) {
        const QString file = QStringLiteral(UMNOGLAZ_SAMPLES "/") + QLatin1String(sample);
        const Outcome run =
            umnoglaz({QStringLiteral("--recognize"), file, QStringLiteral("--json")});
        ASSERT_EQ(run.exitCode, 0) << sample << run.err.toStdString();
        const QJsonArray regions =
            QJsonDocument::fromJson(run.out.toUtf8()).object()["regions"].toArray();
        EXPECT_GE(regions.size(), 10) << sample;
        int digits = 0;
        for (const QJsonValue &region : regions)
            digits += region.toObject()["digit"].isString();
        EXPECT_GE(digits, 10) << sample;
    }
}

TEST_F(HeadlessCommand, learnedMethodGivesConfidencesAndNullForWhatIsNoDigit)
{
    const QString pen = QStringLiteral(UMNOGLAZ_SAMPLES "/pen-digits.bmp");
    auto json = [&](const QStringList &more) {
        const Outcome run = umnoglaz(
            QStringList {QStringLiteral("--recognize"), pen, QStringLiteral("--json")} + more);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        return QJsonDocument::fromJson(run.out.toUtf8()).object();
    };
    const QJsonObject learned = json({QStringLiteral("--method"), QStringLiteral("learned")});
    EXPECT_EQ(learned["method"].toString(), QStringLiteral("learned"));
    QString digits;
    for (const QJsonValue &value : learned["regions"].toArray()) {
        const QJsonObject region = value.toObject();
        EXPECT_EQ(region.keys(),
            (QStringList {"codes", "confidence", "count", "digit", "region", "x", "y"}));
        const double confidence = region["confidence"].toDouble(-1);
        EXPECT_GT(confidence, 0.0);
        EXPECT_LE(confidence, 1.0);
        EXPECT_DOUBLE_EQ(confidence * 1000, std::round(confidence * 1000)); // 3 decimals
        digits += region["digit"].toString();
    }
    // Region order: top row first; the "1" and the "4" reach highest.
    std::sort(digits.begin(), digits.end());
    EXPECT_EQ(digits.toStdString(), "0123456789");

    // At 1 only a certain answer is taken; the others keep their confidence beside a null
    // digit.
    const QJsonObject strict = json({QStringLiteral("--method"), QStringLiteral("learned"),
        QStringLiteral("--min-confidence"), QStringLiteral("1")});
    int declined = 0;
    for (const QJsonValue &value : strict["regions"].toArray()) {
        const QJsonObject region = value.toObject();
        const double confidence = region["confidence"].toDouble();
        EXPECT_GT(confidence, 0.0);
        // Shown to 3 decimals, 1.000 may be a little less than 1.
        if (confidence < 0.999) {
            EXPECT_TRUE(region["digit"].isNull()) << confidence;
        }
        declined += region["digit"].isNull();
    }
    EXPECT_GT(declined, 0);

    const Outcome text = umnoglaz({QStringLiteral("--recognize"), ringsPicture(),
        QStringLiteral("--method"), QStringLiteral("learned")});
    ASSERT_EQ(text.exitCode, 0) << text.err.toStdString();
    const QStringList lines = text.out.trimmed().split(u'\n');
    ASSERT_EQ(lines.size(), 4) << text.out.toStdString();
    const QRegularExpression withConfidence(
        QStringLiteral("pixels: (\\d|no digit) \\(\\d\\.\\d{3}\\)$"));
    EXPECT_TRUE(withConfidence.match(lines[0]).hasMatch()) << lines[0].toStdString();
    EXPECT_TRUE(lines[3].contains(QStringLiteral("1 without an outline")))
        << lines[3].toStdString();
}
