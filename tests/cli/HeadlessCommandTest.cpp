// The headless command on one picture: its reports, the annotated picture, failures and usage.
#include "CommandRun.h"
#include "Messages.h"
#include "ThreadsOption.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

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

TEST_F(HeadlessCommand, plainOutputHasALinePerRegionAndASummary)
{
    const Outcome run = umnoglaz({QStringLiteral("--recognize"), ringsPicture()});
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

TEST_F(HeadlessCommand, outputRefusesToOverwriteTheInputHoweverItIsSpelled)
{
    const QString picture = ringsPicture();
    QFile original(picture);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray bytes = original.readAll();
    ASSERT_TRUE(QFile::link(picture, path(QStringLiteral("link.bmp"))));
    ASSERT_EQ(::link(QFile::encodeName(picture).constData(),
                  QFile::encodeName(path(QStringLiteral("hard.bmp"))).constData()),
        0);

    const QStringList outputs {picture, QStringLiteral("./rings.bmp"),
        QStringLiteral("../") + QFileInfo(dir.path()).fileName() + QStringLiteral("/rings.bmp"),
        QStringLiteral("link.bmp"), QStringLiteral("hard.bmp")};
    for (const QString &output : outputs) {
        const Outcome run = umnoglaz({QStringLiteral("--recognize"), QStringLiteral("rings.bmp"),
                                         QStringLiteral("-o"), output},
            QProcessEnvironment::systemEnvironment(),
            [&](QProcess &process) { process.setWorkingDirectory(dir.path()); });
        EXPECT_EQ(run.exitCode, 2) << output.toStdString();
        EXPECT_EQ(run.err.trimmed(), RefusingToOverwriteInput(QStringLiteral("rings.bmp")) + u'.');
        EXPECT_EQ(run.out, QString());
    }
    // An input that the output folder would take is refused the same way.
    const Outcome run = umnoglaz({QStringLiteral("--recognize"), picture,
        QStringLiteral("--output-dir"), dir.path(), QStringLiteral("--json")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString(); // rings.png is not rings.bmp
    const QString named = path(QStringLiteral("copy.png"));
    ASSERT_TRUE(QFile::copy(picture, named));
    EXPECT_EQ(
        umnoglaz({QStringLiteral("--recognize"), named, QStringLiteral("--output-dir"), dir.path()})
            .exitCode,
        2);

    ASSERT_TRUE(original.seek(0));
    EXPECT_EQ(original.readAll(), bytes) << "the input is untouched";
}

TEST_F(HeadlessCommand, aReportThatCannotBeWrittenIsAFailure)
{
    // Standard output on a full device, for one picture and for a folder of them.
    for (const QString &target : {ringsPicture(), dir.path()}) {
        const Outcome run = umnoglaz({QStringLiteral("--recognize"), target},
            QProcessEnvironment::systemEnvironment(),
            [](QProcess &process) { process.setStandardOutputFile(QStringLiteral("/dev/full")); });
        EXPECT_EQ(run.exitCode, 1) << target.toStdString();
        EXPECT_TRUE(run.err.startsWith(
            QStringLiteral("Cannot write the report to standard output: No space left on device")))
            << run.err.toStdString();
    }
}

TEST_F(HeadlessCommand, aFailedWriteLeavesNoFileBehindAndKeepsTheOldOne)
{
    const QString picture = ringsPicture();
    const QString output = path(QStringLiteral("out.bmp"));
    QFile old(output);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("the old output");
    old.close();

    // Files may grow to 4 KB only: the write fails part way through the 60 KB picture.
    const Outcome run =
        umnoglaz({QStringLiteral("--recognize"), picture, QStringLiteral("-o"), output},
            QProcessEnvironment::systemEnvironment(), [](QProcess &process) {
                process.setChildProcessModifier([] {
                    const rlimit limit {4096, 4096};
                    ::setrlimit(RLIMIT_FSIZE, &limit);
                    std::signal(SIGXFSZ, SIG_IGN);
                });
            });
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("Cannot write file ") + output))
        << run.err.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
        (QStringList {QStringLiteral("out.bmp"), QStringLiteral("rings.bmp")}));
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("the old output"));

    // A folder that cannot be written to (root writes anywhere, so only for other users).
    if (::geteuid() != 0) {
        const QString locked = path(QStringLiteral("locked"));
        ASSERT_TRUE(QDir().mkdir(locked));
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
        const Outcome refused = umnoglaz({QStringLiteral("--recognize"), picture,
            QStringLiteral("-o"), locked + QStringLiteral("/out.png")});
        EXPECT_EQ(refused.exitCode, 1);
        EXPECT_TRUE(QDir(locked).isEmpty());
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
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
                 QStringLiteral("--threads"), QStringLiteral("0")}}) {
        const Outcome run = umnoglaz(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments.join(u' ').toStdString();
        EXPECT_TRUE(run.err.contains(QStringLiteral("--recognize"))) << "usage is printed";
    }
    // The problem comes first, in its own line.
    const std::pair<QStringList, QString> problems[] = {
        {{QStringLiteral("--json")}, QString::fromLatin1(kOptionsNeedRecognize)},
        {{QStringLiteral("--recognize"), QStringLiteral("a.bmp"), QStringLiteral("extra.bmp"),
             QStringLiteral("--output"), QStringLiteral("o.png")},
            QString::fromLatin1(kOutputTakesOnePicture)},
        {{QStringLiteral("--recognize"), QStringLiteral("a.bmp"), QStringLiteral("-o"),
             QStringLiteral("o.png"), QStringLiteral("--output-dir"), QStringLiteral("d")},
            QString::fromLatin1(kOutputOrOutputDir)},
        {{QStringLiteral("--recognize"), QStringLiteral("a.bmp"), QStringLiteral("--threads"),
             QStringLiteral("many")},
            BadThreadCount(QStringLiteral("many"), kMostThreads)},
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
        {{QStringLiteral("--recognize"), QStringLiteral("a.bmp"), QStringLiteral("--threads"),
             QStringLiteral("0")},
            BadThreadCount(QStringLiteral("0"), kMostThreads)},
        {{QStringLiteral("--recognize"), QStringLiteral("a.bmp"), QStringLiteral("--threads"),
             QStringLiteral("+2")},
            BadThreadCount(QStringLiteral("+2"), kMostThreads)},
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

TEST_F(HeadlessCommand, everyThreadCountGivesTheSameReportAndPicture)
{
    const QString sample = QStringLiteral(UMNOGLAZ_SAMPLES "/pen-digits.bmp");
    QByteArray firstPicture;
    QString firstReport;
    for (const char *threads : {"1", "2", "3"}) {
        const QString output = path(QStringLiteral("threads-%1.bmp").arg(threads));
        const Outcome run = umnoglaz({QStringLiteral("--recognize"), sample,
            QStringLiteral("--json"), QStringLiteral("--threads"), QString::fromLatin1(threads),
            QStringLiteral("--output"), output});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        QFile file(output);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        if (firstReport.isEmpty()) {
            firstReport = run.out;
            firstPicture = file.readAll();
            continue;
        }
        EXPECT_EQ(run.out, firstReport) << threads << " threads";
        EXPECT_EQ(file.readAll(), firstPicture) << threads << " threads";
    }
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
            (QStringList {"box", "codes", "confidence", "count", "digit", "region", "x", "y"}));
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
    // Three regions, the summary, and the numbers read.
    ASSERT_EQ(lines.size(), 5) << text.out.toStdString();
    const QRegularExpression withConfidence(
        QStringLiteral("pixels: (\\d|no digit) \\(\\d\\.\\d{3}\\)$"));
    EXPECT_TRUE(withConfidence.match(lines[0]).hasMatch()) << lines[0].toStdString();
    EXPECT_TRUE(lines[3].contains(QStringLiteral("1 without an outline")))
        << lines[3].toStdString();
    EXPECT_TRUE(lines[4].startsWith(QStringLiteral("numbers:"))) << lines[4].toStdString();
}
