// The headless command's reports of one picture, made in-process as the command makes them:
// the pen sample's, pinned byte for byte, and what each kind of report holds.
#include "cli/PictureReport.h"
#include "picture/PictureStore.h"
#include "tests/cli/CommandRun.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <variant>

namespace {

// The command's answer to these arguments, for one picture, short of writing it out.
class PictureReport : public HeadlessCommand
{
protected:
    static Outcome report(const QStringList &arguments)
    {
        const auto parsed = ParseCommandLine(QStringList {QStringLiteral("umnoglaz")} + arguments);
        if (const CommandAnswer *answer = std::get_if<CommandAnswer>(&parsed))
            return {answer->exitCode, answer->out, answer->err};
        const HeadlessOptions &options = std::get<HeadlessOptions>(parsed);
        PictureStore store;
        Reading reading;
        const QString problem =
            LoadAndRead(options.picture(), options, options.threads, store, reading);
        if (!problem.isEmpty())
            return {1, {}, problem};
        ReportOut out;
        WriteReport(out, options.picture(), options, store.workRaster, reading);
        return {0, QString::fromUtf8(out.bytes()), {}};
    }

    // The JSON report of the pen-drawn sample with these further arguments.
    static QJsonObject penJson(const QStringList &more)
    {
        const QString pen = QStringLiteral(UMNOGLAZ_SAMPLES "/pen-digits.bmp");
        const Outcome run = report(
            QStringList {QStringLiteral("--recognize"), pen, QStringLiteral("--json")} + more);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        return QJsonDocument::fromJson(run.out.toUtf8()).object();
    }
};

QByteArray contents(const QString &path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

} // namespace

// The README's example, and its JSON twin: a change of any byte shows here first. The sample
// is named as the README's command names it, from the source folder.
TEST_F(PictureReport, thePenSampleGivesTheReadmesReportsByteForByte)
{
    const QString golden = QStringLiteral(UMNOGLAZ_SOURCE_DIR "/tests/cli/golden/pen-digits");
    ASSERT_TRUE(QDir::setCurrent(QStringLiteral(UMNOGLAZ_SOURCE_DIR)));
    const QString sample = QStringLiteral("samples/pen-digits.bmp");
    const Outcome text = report({QStringLiteral("--recognize"), sample});
    ASSERT_EQ(text.exitCode, 0) << text.err.toStdString();
    EXPECT_EQ(text.out.toUtf8(), contents(golden + QStringLiteral(".txt")));
    const Outcome json = report({QStringLiteral("--recognize"), sample, QStringLiteral("--json")});
    ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
    EXPECT_EQ(json.out.toUtf8(), contents(golden + QStringLiteral(".json")));

    // The README shows the text report, indented as a code block.
    QByteArray shown;
    for (const QByteArray &line : contents(golden + QStringLiteral(".txt")).split('\n'))
        if (!line.isEmpty())
            shown += "    " + line + '\n';
    EXPECT_TRUE(contents(QStringLiteral("README.md")).contains(shown));
}

TEST_F(PictureReport, jsonListsEveryLiveRegionWithTheKeysOtherToolsRead)
{
    const QString picture = ringsPicture();
    const Outcome run = report({QStringLiteral("--recognize"), picture, QStringLiteral("--json")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(run.out.toUtf8(), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << run.out.toStdString();
    const QJsonObject top = document.object();
    EXPECT_EQ(
        top.keys(), (QStringList {"file", "height", "method", "numbers", "regions", "width"}));
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
            EXPECT_EQ(region.keys(), (QStringList {"box", "count", "digit", "region", "x", "y"}));
            EXPECT_TRUE(region["digit"].isNull());
            EXPECT_EQ(region["box"].toArray(), (QJsonArray {101, 91, 1, 1}));
            EXPECT_EQ(region["x"].toInt(), 101); // (100, 90) moved by the frame
            EXPECT_EQ(region["y"].toInt(), 91);
            continue;
        }
        EXPECT_EQ(region.keys(),
            (QStringList {
                "box", "codes", "count", "digit", "mismatches", "region", "signature", "x", "y"}));
        EXPECT_GE(region["mismatches"].toInt(-1), 0);
        EXPECT_LE(region["mismatches"].toInt(-1), 100);
        EXPECT_EQ(region["digit"].toString().size(), 1);
        EXPECT_TRUE(region["digit"].toString().at(0).isDigit());
        const QString signature = region["signature"].toString();
        EXPECT_EQ(signature.size(), 100);
        EXPECT_EQ(signature.count(u'L') + signature.count(u'R'), 100);
        EXPECT_GT(region["codes"].toInt(), 100);
    }

    // The rings lie too far apart to be one number: each is one, left to right, boxed as its
    // region is.
    const QJsonArray numbers = top["numbers"].toArray();
    ASSERT_EQ(numbers.size(), 2);
    for (int i = 0; i < 2; ++i) {
        const QJsonObject number = numbers[i].toObject();
        EXPECT_EQ(number.keys(), (QStringList {"height", "regions", "text", "width", "x", "y"}));
        const QJsonArray members = number["regions"].toArray();
        ASSERT_EQ(members.size(), 1);
        const QJsonObject region = regions[members[0].toInt() - 1].toObject();
        EXPECT_EQ(number["text"], region["digit"]);
        EXPECT_EQ(region["box"].toArray(),
            (QJsonArray {number["x"], number["y"], number["width"], number["height"]}));
    }
    EXPECT_LT(numbers[0].toObject()["x"].toInt(), numbers[1].toObject()["x"].toInt());
}

TEST_F(PictureReport, plainOutputHasALinePerRegionAndASummary)
{
    const Outcome run = report({QStringLiteral("--recognize"), ringsPicture()});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = run.out.trimmed().split(u'\n');
    ASSERT_EQ(lines.size(), 5) << run.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("region 1 at (")));
    EXPECT_TRUE(lines.filter(QStringLiteral("1 pixel: no outline")).size() == 1);
    EXPECT_TRUE(lines[3].contains(QStringLiteral("202 x 102 pixels, 3 regions, 2 recognised, "
                                                 "1 without an outline")))
        << lines[3].toStdString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^numbers: \\d \\d$")).match(lines[4]).hasMatch())
        << lines[4].toStdString();
}

TEST_F(PictureReport, theSamplesAreRecognised)
{
    for (const char *sample : {"pen-digits.bmp", "font-digits.bmp", "font-digits.jpg"}) {
        const QString file = QStringLiteral(UMNOGLAZ_SAMPLES "/") + QLatin1String(sample);
        const Outcome run = report({QStringLiteral("--recognize"), file, QStringLiteral("--json")});
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

TEST_F(PictureReport, learnedMethodGivesConfidencesAndNullForWhatIsNoDigit)
{
    const QJsonObject learned = penJson({QStringLiteral("--method"), QStringLiteral("learned")});
    EXPECT_EQ(learned["method"].toString(), QStringLiteral("learned"));
    QString digits;
    for (const QJsonValue &value : learned["regions"].toArray()) {
        const QJsonObject region = value.toObject();
        // Each digit of the sample is one whole region, and so a glyph of its own.
        EXPECT_EQ(region.keys(),
            (QStringList {
                "box", "codes", "confidence", "count", "digit", "glyphs", "region", "x", "y"}));
        const double confidence = region["confidence"].toDouble(-1);
        EXPECT_GT(confidence, 0.0);
        EXPECT_LE(confidence, 1.0);
        EXPECT_DOUBLE_EQ(confidence * 1000, std::round(confidence * 1000)); // 3 decimals
        digits += region["digit"].toString();
    }
    // Region order: top row first; the "1" and the "4" reach highest.
    std::sort(digits.begin(), digits.end());
    EXPECT_EQ(digits.toStdString(), "0123456789");
    const QJsonArray glyphs = learned["glyphs"].toArray();
    ASSERT_EQ(glyphs.size(), 10);
    for (const QJsonValue &value : glyphs) {
        const QJsonObject glyph = value.toObject();
        EXPECT_EQ(glyph.keys(),
            (QStringList {"box", "confidence", "digit", "glyph", "kind", "regions", "x", "y"}));
        EXPECT_EQ(glyph["kind"].toString(), QStringLiteral("single"));
        const QJsonObject region =
            learned["regions"].toArray()[glyph["regions"].toArray()[0].toInt() - 1].toObject();
        EXPECT_EQ(region["digit"], glyph["digit"]);
        EXPECT_EQ(region["glyphs"].toArray(), QJsonArray {glyph["glyph"]});
        EXPECT_EQ((QJsonArray {region["x"], region["y"]}), (QJsonArray {glyph["x"], glyph["y"]}));
    }
    EXPECT_EQ(learned["numbers"].toArray()[1].toObject()["glyphs"].toArray().size(), 8);

    // At 1 only a certain answer is taken; the others keep their confidence beside a null
    // digit.
    const QJsonObject strict = penJson({QStringLiteral("--method"), QStringLiteral("learned"),
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

    const Outcome text = report({QStringLiteral("--recognize"), ringsPicture(),
        QStringLiteral("--method"), QStringLiteral("learned")});
    ASSERT_EQ(text.exitCode, 0) << text.err.toStdString();
    const QStringList lines = text.out.trimmed().split(u'\n');
    // Three regions, a glyph for each ring, the summary, and the numbers read.
    ASSERT_EQ(lines.size(), 7) << text.out.toStdString();
    const QRegularExpression withConfidence(
        QStringLiteral("pixels: (\\d|no digit) \\(\\d\\.\\d{3}\\)$"));
    EXPECT_TRUE(withConfidence.match(lines[0]).hasMatch()) << lines[0].toStdString();
    const QRegularExpression glyph(
        QStringLiteral("^glyph 1 at \\(\\d+, \\d+\\), region \\d: \\d \\(\\d\\.\\d{3}\\)$"));
    EXPECT_TRUE(glyph.match(lines[3]).hasMatch()) << lines[3].toStdString();
    EXPECT_TRUE(lines[5].contains(QStringLiteral("1 without an outline, 2 glyphs")))
        << lines[5].toStdString();
    EXPECT_TRUE(lines[6].startsWith(QStringLiteral("numbers:"))) << lines[6].toStdString();
}

TEST_F(PictureReport, jsonNamesTheInkRuleWhereItIsNotTheTurnsMethodsOwn)
{
    const QString method = QStringLiteral("--method"), ink = QStringLiteral("--ink");
    const QJsonObject turns = penJson({});
    EXPECT_FALSE(turns.contains(QStringLiteral("ink")));
    EXPECT_FALSE(penJson({ink, QStringLiteral("fixed")}).contains(QStringLiteral("ink")));
    const QJsonObject turnsAuto = penJson({ink, QStringLiteral("auto")});
    EXPECT_EQ(turnsAuto["ink"].toString(), QStringLiteral("auto"));
    // A clean page: the same regions, digits and numbers by either rule.
    EXPECT_EQ(turnsAuto["regions"], turns["regions"]);
    EXPECT_EQ(turnsAuto["numbers"], turns["numbers"]);

    const QJsonObject learned = penJson({method, QStringLiteral("learned")});
    EXPECT_EQ(learned["ink"].toString(), QStringLiteral("auto"));
    const QJsonObject learnedFixed =
        penJson({method, QStringLiteral("learned"), ink, QStringLiteral("fixed")});
    EXPECT_EQ(learnedFixed["ink"].toString(), QStringLiteral("fixed"));
    EXPECT_EQ(learnedFixed["regions"], learned["regions"]);
    EXPECT_EQ(learnedFixed["glyphs"], learned["glyphs"]);
}
