// ProgressBar1's kind: the position rules of the classic bar, and painting while a pass runs.
#include "ui/ProgressBar.h"
#include "tests/ui/WidgetTestSupport.h"

#include <QElapsedTimer>
#include <QThread>

namespace {

class CountingBar : public TProgressBar
{
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        ++paints;
        TProgressBar::paintEvent(event);
    }
};

// A bar at ProgressBar1's place in a window on the screen.
struct BarOnWindow
{
    QWidget window;
    CountingBar *bar = new CountingBar;

    BarOnWindow()
    {
        window.resize(800, 50);
        bar->setParent(&window);
        bar->setGeometry(4, 4, 721, 8);
        window.show();
    }

    // Waits until the window is shown and every pending event is handled.
    bool exposed()
    {
        const bool shown = QTest::qWaitForWindowExposed(&window);
        QCoreApplication::processEvents();
        return shown;
    }
};

QImage look(int maximum, int position)
{
    TProgressBar bar;
    bar.resize(721, 8);
    bar.setMaximum(maximum);
    bar.setPosition(position);
    return bar.grab().toImage();
}

} // namespace

class ProgressBarTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startsAtPositionZero()
    {
        TProgressBar bar;
        QCOMPARE(bar.position(), 0);
        QCOMPARE(bar.filledWidth(), 0);
    }

    void stepAddsTheStep()
    {
        TProgressBar bar;
        bar.setMaximum(3);
        bar.stepIt();
        QCOMPARE(bar.position(), 1);
        bar.setStep(2);
        bar.stepIt();
        QCOMPARE(bar.position(), 3);
    }

    void steppingPastTheMaximumStartsOver()
    {
        TProgressBar bar;
        bar.setMaximum(2);
        bar.setPosition(2);
        bar.stepIt();
        QCOMPARE(bar.position(), 0);
    }

    void settingTheMaximumKeepsThePositionUnlessOutside()
    {
        TProgressBar bar;
        bar.setPosition(40);
        bar.setMaximum(500);
        QCOMPARE(bar.position(), 40);
        bar.setMaximum(10);
        QCOMPARE(bar.position(), 10);
        bar.setMaximum(0);
        QCOMPARE(bar.position(), 0);
        bar.setMaximum(100);
        QCOMPARE(bar.position(), 0);
    }

    void positionIsClampedIntoTheRange()
    {
        TProgressBar bar;
        bar.setPosition(150);
        QCOMPARE(bar.position(), 100);
        bar.setPosition(-3);
        QCOMPARE(bar.position(), 0);
    }

    void fillFollowsThePosition()
    {
        TProgressBar bar;
        bar.resize(721, 8);
        bar.setPosition(50);
        QCOMPARE(bar.filledWidth(), 360);
        bar.setPosition(100);
        QCOMPARE(bar.filledWidth(), 721);
    }

    void maximumZeroShowsAnEmptyBar()
    {
        const QImage empty = look(100, 0);
        QCOMPARE(look(0, 0), empty);
        QVERIFY(look(10, 10) != empty);
        QVERIFY(look(10, 5) != look(10, 10));
    }

    void paintsItselfWhileThePassKeepsTheThread()
    {
        BarOnWindow shown;
        QVERIFY(shown.exposed());
        CountingBar *bar = shown.bar;

        // From here on no event is processed, as inside the recognition pass.
        bar->setMaximum(4);
        QThread::msleep(TProgressBar::kRepaintIntervalMs + 5);
        const int before = bar->paints;
        bar->stepIt();
        QCOMPARE(bar->paints, before + 1);
        QThread::msleep(TProgressBar::kRepaintIntervalMs + 5);
        bar->stepIt();
        QCOMPARE(bar->paints, before + 2);
    }

    void paintsAtASensibleRateForManySteps()
    {
        BarOnWindow shown;
        QVERIFY(shown.exposed());
        CountingBar *bar = shown.bar;

        const int steps = 50'000;
        bar->setMaximum(steps);
        const int before = bar->paints;
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < steps; ++i) {
            bar->stepIt();
            if (i % 1000 == 0)
                QThread::msleep(2); // the pass's own work between steps
        }
        const qint64 elapsed = clock.elapsed();
        const int paints = bar->paints - before;
        QVERIFY(paints >= 2);
        QVERIFY2(paints <= elapsed / TProgressBar::kRepaintIntervalMs + 2,
            qPrintable(QStringLiteral("%1 paints in %2 ms").arg(paints).arg(elapsed)));
        QCOMPARE(bar->position(), steps);
    }
};

UMNOGLAZ_WIDGET_TEST_MAIN(ProgressBarTest)
#include "ProgressBarTest.moc"
