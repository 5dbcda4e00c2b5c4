// Starting the program: where there is no display it says so in one line and stops.
#include "base/Messages.h"
#include "tests/ui/WidgetTestSupport.h"

#include <QFileInfo>
#include <QProcess>

namespace {

struct Outcome
{
    bool exited = false; // ended normally rather than by a signal
    int exitCode = -1;
    QStringList errorLines;
};

Outcome run(const QStringList &arguments, const QProcessEnvironment &environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(UMNOGLAZ_EXECUTABLE), arguments);
    if (!process.waitForFinished(60'000))
        process.kill();
    process.waitForFinished();
    Outcome outcome;
    outcome.exited = process.exitStatus() == QProcess::NormalExit;
    outcome.exitCode = process.exitCode();
    outcome.errorLines =
        QString::fromLocal8Bit(process.readAllStandardError()).split(u'\n', Qt::SkipEmptyParts);
    return outcome;
}

QProcessEnvironment withoutDisplay()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    return environment;
}

// A display number that no X server serves here.
QString unusedDisplay()
{
    for (int n = 271;; ++n) {
        if (!QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)) &&
            !QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
            return QStringLiteral(":%1").arg(n);
    }
}

} // namespace

class ProgramStartTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void withoutADisplayItSaysSoInOneLine()
    {
        const Outcome outcome = run({}, withoutDisplay());
        QVERIFY(outcome.exited);
        QCOMPARE(outcome.exitCode, 1);
        QCOMPARE(outcome.errorLines.size(), 1);
        QCOMPARE(outcome.errorLines.first() + u'\n', QString::fromLatin1(kNoDisplay));
    }

    void aDisplayThatCannotBeOpenedIsOneLineToo()
    {
        QProcessEnvironment environment = withoutDisplay();
        const QString display = unusedDisplay();
        environment.insert(QStringLiteral("DISPLAY"), display);
        const Outcome outcome = run({}, environment);
        QVERIFY(outcome.exited);
        QCOMPARE(outcome.exitCode, 1);
        QCOMPARE(outcome.errorLines.size(), 1);
        QCOMPARE(outcome.errorLines.first() + u'\n',
            QString::fromLatin1(CannotOpenDisplay(display.toLatin1())));
    }

    void theHeadlessCommandNeedsNoDisplay()
    {
        const Outcome outcome = run({QStringLiteral("--version")}, withoutDisplay());
        QVERIFY(outcome.exited);
        QCOMPARE(outcome.exitCode, 0);
    }

    void morePicturesThanOneIsAUsageError()
    {
        const Outcome outcome =
            run({QStringLiteral("a.bmp"), QStringLiteral("b.bmp")}, withoutDisplay());
        QVERIFY(outcome.exited);
        QCOMPARE(outcome.exitCode, 2);
        QCOMPARE(outcome.errorLines.first() + u'\n', QString::fromLatin1(kWindowUsage));
    }
};

UMNOGLAZ_WIDGET_TEST_MAIN(ProgramStartTest)
#include "ProgramStartTest.moc"
