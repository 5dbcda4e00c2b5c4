// The main window: its layout, drawing and panning with the mouse, painting, clearing and
// recognising.
#include "tests/ui/WidgetTestSupport.h"
#include "ui/ProgressBar.h"

#include <QComboBox>

#include <QFileDialog>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>

#include <memory>

namespace {

constexpr QPoint kStart = TForm1::kStartViewOffset;

// The window point over a work-raster point, at the start offset.
QPoint overPicture(int x, int y)
{
    return QPoint(x, y) + kStart;
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<TForm1> form;
    WindowMouse mouse {nullptr};

    const TBitmap &work() const { return form->pictureStore().workRaster; }
    const TBitmap &display() const { return form->pictureStore().displayRaster; }

    // Presses at the first point, moves through the others, releases at the last.
    void stroke(Qt::MouseButton button, const QList<QPoint> &points)
    {
        mouse.press(button, points.first());
        for (const QPoint &point : points.mid(1))
            mouse.move(point);
        mouse.release(button, points.last());
    }

private Q_SLOTS:
    void init()
    {
        form = std::make_unique<TForm1>();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        mouse.window = form->windowHandle();
    }

    void cleanup() { closeWindowTest(form); }

    void layoutAndCaptions()
    {
        QCOMPARE(form->windowTitle(), QStringLiteral("Umnoglaz"));
        QCOMPARE(form->size(), QSize(1153, 622));
        QCOMPARE(form->font().family(), QStringLiteral("DejaVu Sans"));
        QCOMPARE(form->font().pixelSize(), 11);
        QCOMPARE(form->Button1->text(), QStringLiteral("Open file"));
        QCOMPARE(form->Button2->text(), QStringLiteral("Опознать"));
        QCOMPARE(form->Button3->text(), QStringLiteral("Почистить"));
        QCOMPARE(form->Button1->geometry(), QRect(8, 20, 75, 25));
        QCOMPARE(form->Button2->geometry(), QRect(8, 56, 75, 25));
        QCOMPARE(form->Button3->geometry(), QRect(8, 92, 75, 25));
        // The list is as wide as its longest item needs, at least as wide as the buttons.
        QCOMPARE(form->ComboBox1->geometry().topLeft(), QPoint(8, 128));
        QCOMPARE(form->ComboBox1->height(), 25);
        QVERIFY(form->ComboBox1->width() >= 75);
        QCOMPARE(form->ComboBox1->count(), 2);
        QCOMPARE(form->ComboBox1->itemText(0), QStringLiteral("Повороты"));
        QCOMPARE(form->ComboBox1->itemText(1), QStringLiteral("Нейросеть"));
        QCOMPARE(form->ComboBox1->currentIndex(), 0);
        QCOMPARE(form->Memo1->geometry(), QRect(8, 152, 75, 413));
        QVERIFY(form->Memo1->isHidden());
        QCOMPARE(form->ProgressBar1->geometry(), QRect(4, 4, 721, 8));
        QCOMPARE(form->ProgressBar1->minimum(), 0);
        QCOMPARE(form->ProgressBar1->maximum(), 100);
        QCOMPARE(form->ProgressBar1->position(), 0);
        QCOMPARE(form->ProgressBar1->stepSize(), 1);
        QCOMPARE(form->OpenDialog1->nameFilters(),
            QStringList {QStringLiteral("Pics (*.bmp *.jpg *.jpeg)")});
        // Resizable: no fixed size.
        QVERIFY(form->minimumSize() != form->maximumSize());
    }

    void onlyTheButtonsAndTheMethodListAreTabStops()
    {
        QList<QWidget *> chain;
        QWidget *widget = form->Button1;
        do {
            if (widget->isVisible() && (widget->focusPolicy() & Qt::TabFocus))
                chain.append(widget);
            widget = widget->nextInFocusChain();
        } while (widget != form->Button1);
        QCOMPARE(chain,
            (QList<QWidget *> {form->Button1, form->Button2, form->Button3, form->ComboBox1}));
    }

    void startsWithAWhiteSurfaceAtItsOffset()
    {
        QCOMPARE(form->viewOffset(), QPoint(100, 20));
        QCOMPARE(work().width(), 700);
        QCOMPARE(work().height(), 500);
        QCOMPARE(countPixels(work(), kBlack), 0);
        QVERIFY(sameRasters(work(), display()));
        QVERIFY(!form->isDrawing());
        QVERIFY(!form->isPanning());
    }

    void strokeChangesTheWorkRasterAlongItsPath_data()
    {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::newRow("left button") << Qt::LeftButton;
        QTest::newRow("middle button") << Qt::MiddleButton;
    }

    void strokeChangesTheWorkRasterAlongItsPath()
    {
        QFETCH(Qt::MouseButton, button);
        stroke(button, {overPicture(100, 80), overPicture(150, 105), overPicture(200, 130)});
        for (int i = 0; i <= 20; ++i) {
            const int x = 100 + 5 * i;
            const int y = 80 + 5 * i / 2;
            QVERIFY2(pixelAt(work(), x, y) == kBlack,
                qPrintable(QStringLiteral("(%1, %2)").arg(x).arg(y)));
        }
        // A 5-pixel pen: the stroke is a few pixels thick, not more.
        QVERIFY(!(pixelAt(work(), 150, 112) == kBlack));
        QVERIFY(!(pixelAt(work(), 150, 98) == kBlack));
        QVERIFY(!(pixelAt(work(), 94, 80) == kBlack));
        QVERIFY(!(pixelAt(work(), 206, 130) == kBlack));
        QVERIFY(sameRasters(work(), display()));
        QVERIFY(!form->isDrawing());
    }

    void clickWithoutMoveDrawsNothing()
    {
        mouse.press(Qt::LeftButton, overPicture(300, 200));
        QVERIFY(form->isDrawing());
        mouse.release(Qt::LeftButton, overPicture(300, 200));
        QCOMPARE(countPixels(work(), kBlack), 0);
        QCOMPARE(countPixels(display(), kBlack), 0);
    }

    void doubleClickCountsAsAPress()
    {
        QMouseEvent doubleClick(QEvent::MouseButtonDblClick, overPicture(50, 50),
            form->mapToGlobal(overPicture(50, 50)), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &doubleClick);
        QVERIFY(form->isDrawing());
        QMouseEvent move(QEvent::MouseMove, overPicture(60, 50),
            form->mapToGlobal(overPicture(60, 50)), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &move);
        QVERIFY(pixelAt(work(), 50, 50) == kBlack);
        QVERIFY(pixelAt(work(), 60, 50) == kBlack);
    }

    void strokeLeavingTheRasterIsClippedAtItsEdge()
    {
        stroke(Qt::LeftButton, {overPicture(650, 300), overPicture(1000, 300)});
        QCOMPARE(work().width(), 700);
        QCOMPARE(work().height(), 500);
        QCOMPARE(display().width(), 700);
        QVERIFY(pixelAt(work(), 699, 300) == kBlack);
        QVERIFY(sameRasters(work(), display()));
    }

    void rightDragPansWithoutCopying()
    {
        stroke(Qt::LeftButton, {overPicture(10, 10), overPicture(30, 10)});
        const QImage before = snapshot(display());
        mouse.press(Qt::RightButton, QPoint(400, 300));
        QVERIFY(form->isPanning());
        QCOMPARE(form->viewOffset(), kStart);
        mouse.move(QPoint(450, 320));
        QCOMPARE(form->viewOffset(), kStart + QPoint(50, 20));
        mouse.move(QPoint(430, 330));
        QCOMPARE(form->viewOffset(), kStart + QPoint(30, 30));
        mouse.release(Qt::RightButton, QPoint(430, 330));
        QVERIFY(!form->isPanning());
        QCOMPARE(snapshot(display()), before);
        QVERIFY(sameRasters(work(), display()));
    }

    void panningHasNoBound()
    {
        // Dragging far outside the window moves the picture out of view; back again shows it.
        mouse.press(Qt::RightButton, QPoint(600, 300));
        mouse.move(QPoint(-3000, -2000));
        QCOMPARE(form->viewOffset(), kStart + QPoint(-3600, -2300));
        mouse.move(QPoint(600, 300));
        mouse.release(Qt::RightButton, QPoint(600, 300));
        QCOMPARE(form->viewOffset(), kStart);
    }

    void panAndStrokeAtOnceMoveThePictureFirst()
    {
        // With both modes on, the picture moves with the mouse first and the stroke then goes
        // to the mouse in the moved picture: the pen stays on one picture point.
        mouse.press(Qt::LeftButton, overPicture(200, 180));
        mouse.press(Qt::RightButton, overPicture(200, 180));
        QVERIFY(form->isDrawing());
        QVERIFY(form->isPanning());
        mouse.move(overPicture(220, 190));
        mouse.move(overPicture(240, 200));
        QCOMPARE(form->viewOffset(), kStart + QPoint(40, 20));
        QVERIFY(pixelAt(work(), 200, 180) == kBlack);
        QCOMPARE(countPixels(work(), kBlack, QRect(190, 170, 21, 21)), countPixels(work(), kBlack));
        // Releasing the right button ends both modes.
        mouse.release(Qt::RightButton, overPicture(240, 200));
        QVERIFY(!form->isPanning());
        QVERIFY(!form->isDrawing());
        mouse.release(Qt::LeftButton, overPicture(240, 200));
    }

    void releasingTheLeftButtonKeepsAPanGoing()
    {
        mouse.press(Qt::RightButton, QPoint(500, 300));
        mouse.press(Qt::LeftButton, QPoint(500, 300));
        mouse.release(Qt::LeftButton, QPoint(500, 300));
        QVERIFY(!form->isDrawing());
        QVERIFY(form->isPanning());
        mouse.move(QPoint(510, 300));
        QCOMPARE(form->viewOffset(), kStart + QPoint(10, 0));
        mouse.release(Qt::RightButton, QPoint(510, 300));
        QVERIFY(!form->isPanning());
    }

    void dragsGoOnOutsideTheWindowAndEndOnReleaseThere_data()
    {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::newRow("left stroke") << Qt::LeftButton;
        QTest::newRow("middle stroke") << Qt::MiddleButton;
        QTest::newRow("right pan") << Qt::RightButton;
    }

    void dragsGoOnOutsideTheWindowAndEndOnReleaseThere()
    {
        QFETCH(Qt::MouseButton, button);
        const QPoint outside(1400, 320); // right of the window
        mouse.press(button, overPicture(600, 300));
        mouse.move(outside);
        if (button == Qt::RightButton) {
            QCOMPARE(form->viewOffset(), kStart + outside - overPicture(600, 300));
        } else {
            // The stroke reaches the raster's right edge on its way out.
            QVERIFY(pixelAt(work(), 650, 300) == kBlack);
            QVERIFY(pixelAt(work(), 699, 300) == kBlack);
        }
        mouse.release(button, outside);
        QVERIFY(!form->isDrawing());
        QVERIFY(!form->isPanning());
        // Nothing follows the mouse afterwards.
        const QPoint offset = form->viewOffset();
        const QImage picture = snapshot(work());
        mouse.move(QPoint(500, 200));
        QCOMPARE(form->viewOffset(), offset);
        QCOMPARE(snapshot(work()), picture);
    }

    void strokeReleasedOverAButtonEndsThere()
    {
        int dialogs = 0;
        form->setFileChooser([&](QFileDialog &) {
            ++dialogs;
            return QString();
        });
        mouse.press(Qt::MiddleButton, overPicture(300, 300));
        const QPoint overButton1 = form->Button1->geometry().center();
        mouse.move(overButton1);
        mouse.release(Qt::MiddleButton, overButton1);
        QVERIFY(!form->isDrawing());
        // The press and release belonged to the window, not to the button.
        QCOMPARE(dialogs, 0);
        QVERIFY(pixelAt(work(), 300, 300) == kBlack);
        QVERIFY(pixelAt(work(), 122, 156) == kBlack); // half-way to the button
    }

    void displayStaysWhatAWholeCopyWouldGive()
    {
        // Random strokes and pans: the display raster must always equal the work raster.
        QRandomGenerator random(12345);
        auto somewhere = [&] {
            return QPoint(random.bounded(-200, 1300), random.bounded(-200, 800));
        };
        for (int i = 0; i < 30; ++i) {
            const Qt::MouseButton button = i % 3 == 2 ? Qt::RightButton : Qt::LeftButton;
            mouse.press(button, somewhere());
            for (int j = 0; j < 5; ++j)
                mouse.move(somewhere());
            mouse.release(button, somewhere());
            QVERIFY(sameRasters(work(), display()));
        }
        QVERIFY(countPixels(work(), kBlack) > 0);
    }

    void paintsTheDisplayRasterAtTheOffsetUnderTheControls()
    {
        stroke(Qt::LeftButton, {overPicture(300, 200), overPicture(320, 200)});
        QImage shown = form->grab().toImage();
        QCOMPARE(shown.pixelColor(overPicture(310, 200)), QColor(Qt::black));
        QCOMPARE(shown.pixelColor(overPicture(310, 220)), QColor(Qt::white));
        const QColor background = form->palette().color(QPalette::Button);
        QCOMPARE(shown.pixelColor(overPicture(750, 200)), background);
        QCOMPARE(shown.pixelColor(QPoint(1100, 600)), background);

        // Panned under the buttons and the bar, the picture stays beneath them.
        mouse.press(Qt::RightButton, QPoint(600, 400));
        mouse.move(QPoint(500, 380));
        mouse.release(Qt::RightButton, QPoint(500, 380));
        shown = form->grab().toImage();
        const QPoint besideText = form->Button2->geometry().topLeft() + QPoint(4, 12);
        QVERIFY(shown.pixelColor(besideText) != QColor(Qt::white));
        QCOMPARE(shown.pixelColor(QPoint(50, 300)), QColor(Qt::white));
    }

    void clearWhitensAtTheCurrentSizeAndRecognisesNothing()
    {
        stroke(Qt::LeftButton, {overPicture(100, 100), overPicture(200, 200)});
        QVERIFY(countPixels(work(), kBlack) > 0);
        const std::size_t regions = form->recognitionState().regions.size();
        QTest::mouseClick(form->Button3, Qt::LeftButton);
        QCOMPARE(countPixels(work(), kBlack), 0);
        QCOMPARE(work().width(), 700);
        QCOMPARE(work().height(), 500);
        QVERIFY(sameRasters(work(), display()));
        QCOMPARE(form->recognitionState().regions.size(), regions);
        QCOMPARE(form->windowTitle(), QStringLiteral("Umnoglaz"));
    }

    void recogniseOnTheBlankSurfaceChangesNothing()
    {
        const QImage before = snapshot(work());
        QTest::mouseClick(form->Button2, Qt::LeftButton);
        QCOMPARE(snapshot(work()), before);
        QVERIFY(sameRasters(work(), display()));
        QCOMPARE(form->ProgressBar1->maximum(), 0);
        QCOMPARE(form->ProgressBar1->position(), 0);
    }

    void shortcutsRunTheButtons()
    {
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        int dialogs = 0;
        form->setFileChooser([&](QFileDialog &) {
            ++dialogs;
            return QString();
        });
        QTest::keyClick(form.get(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(dialogs, 1);

        stroke(Qt::LeftButton, {overPicture(100, 100), overPicture(120, 100)});
        QTest::keyClick(form.get(), Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(form->ProgressBar1->maximum(), 1); // one region was counted
        QTest::keyClick(form.get(), Qt::Key_L, Qt::ControlModifier);
        QCOMPARE(countPixels(work(), kBlack), 0);
        QVERIFY(sameRasters(work(), display()));
    }

    void quitKeyClosesTheWindow()
    {
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QTest::keyClick(form.get(), Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!form->isVisible());
    }
};

UMNOGLAZ_WIDGET_TEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
