// The headless command on one picture, end to end through the built program: the annotated
// picture, refusals, failures and their exit codes, and what reaches each stream.
#include "base/Messages.h"
#include "cli/ThreadsOption.h"
#include "tests/cli/CommandRun.h"

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

TEST_F(HeadlessCommand, answersWithoutAPictureReachTheirStreamsAndExitCodes)
{
    Outcome run = umnoglaz({QStringLiteral("--bogus")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, QString());
    EXPECT_EQ(run.err,
        QStringLiteral("Unknown option 'bogus'.\n") + QString::fromLatin1(kTryHelp) + u'\n');
    run = umnoglaz({QStringLiteral("--help")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, QString());
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
