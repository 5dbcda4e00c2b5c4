// The window as a desktop program: undo and redo of every kind of step, paste, save, a new
// page, the numbers read and their copy, the controls' texts, moving the view with the wheel,
// which keeps some of the picture in view, and Home.
#include "base/MemoryBudget.h"
#include "base/Messages.h"
#include "tests/support/ScopedMemoryLimit.h"
#include "tests/ui/WidgetTestSupport.h"
#include "ui/ProgressBar.h"

#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QStyleOptionComboBox>
#include <QTemporaryDir>
#include <QWheelEvent>

#include <memory>

class EditTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<TForm1> form;
    QStringList boxes; // the error boxes' texts
    QTemporaryDir dir;
    QString chosen; // what the stub dialogs return

    const TBitmap &work() const { return form->pictureStore().workRaster; }
    const TBitmap &display() const { return form->pictureStore().displayRaster; }

    // A stroke from a to b in work-raster coordinates.
    void stroke(QPoint a, QPoint b)
    {
        QWindow *window = form->windowHandle();
        QTest::mousePress(window, Qt::LeftButton, {}, a + TForm1::kStartViewOffset);
        QTest::mouseMove(window, b + TForm1::kStartViewOffset);
        QTest::mouseRelease(window, Qt::LeftButton, {}, b + TForm1::kStartViewOffset);
    }

    void key(int keyCode, Qt::KeyboardModifiers modifiers = Qt::ControlModifier)
    {
        QTest::keyClick(form.get(), Qt::Key(keyCode), modifiers);
    }

    // The display raster is a whole copy of the work raster, and the row table follows it.
    void verifyDisplayIsWork()
    {
        QCOMPARE(snapshot(display()), snapshot(work()));
        const RowTable &rows = form->pictureStore().rowTable;
        QCOMPARE(rows.height(), work().height());
        if (work().height() > 0)
            QCOMPARE(rows[work().height() - 1], work().scanLine(work().height() - 1));
    }

    void wheel(QPoint angle, Qt::KeyboardModifiers modifiers = {})
    {
        QWheelEvent event(QPointF(400, 300), form->mapToGlobal(QPointF(400, 300)), QPoint(), angle,
            Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(form.get(), &event);
    }

private Q_SLOTS:
    void init()
    {
        boxes.clear();
        UmnoglazApplication::setErrorBox(
            [this](const QString &, const QString &text) { boxes.append(text); });
        form = std::make_unique<TForm1>();
        form->setFileChooser([this](QFileDialog &) { return chosen; });
        form->setSaveChooser([this](QFileDialog &) { return chosen; });
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }

    void cleanup() { closeWindowTest(form); }

    void everyKindOfStepIsUndoneAndRedoneInOrder()
    {
        const QString ringFile = writeRingPicture(dir.filePath(QStringLiteral("ring.bmp")), "BMP");
        QList<QImage> states {snapshot(work())};
        QStringList captions {form->windowTitle()};
        auto record = [&] {
            states.append(snapshot(work()));
            captions.append(form->windowTitle());
        };
        stroke({50, 50}, {150, 120});
        record();
        QTest::mouseClick(form->Button2, Qt::LeftButton); // a pass: labels and marks
        record();
        QTest::mouseClick(form->Button3, Qt::LeftButton); // a clear
        record();
        form->LoadPicture(ringFile); // a load: another size and caption
        record();
        QCOMPARE(QSize(work().width(), work().height()), QSize(62, 42));
        QCOMPARE(form->undoHistory().steps(), std::size_t(4));

        for (qsizetype i = states.size() - 2; i >= 0; --i) {
            key(Qt::Key_Z);
            QCOMPARE(snapshot(work()), states[i]);
            QCOMPARE(form->windowTitle(), captions[i]);
            verifyDisplayIsWork();
        }
        key(Qt::Key_Z); // nothing more to undo
        QCOMPARE(snapshot(work()), states[0]);
        for (qsizetype i = 1; i < states.size(); ++i) {
            key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
            QCOMPARE(snapshot(work()), states[i]);
            QCOMPARE(form->windowTitle(), captions[i]);
            verifyDisplayIsWork();
        }
        // A new step after undoing drops what could have been redone.
        key(Qt::Key_Z);
        stroke({10, 10}, {20, 20});
        QVERIFY(!form->undoHistory().canRedo());
        QVERIFY(boxes.isEmpty());
    }

    void strokesKeepTheirBlocksNotWholeRasters()
    {
        for (int i = 0; i < 30; ++i)
            stroke({20 * i, 10}, {20 * i + 10, 40});
        QCOMPARE(form->undoHistory().steps(), std::size_t(30));
        // Each short stroke touches a few 32 x 32 blocks; a whole raster is 700 x 500 x 3.
        QVERIFY(form->undoHistory().bytes() < 30 * 6 * 32 * 32 * 3 * 2);
        const QImage drawn = snapshot(work());
        for (int i = 0; i < 30; ++i)
            form->Undo();
        QCOMPARE(countPixels(work(), kBlack), 0);
        for (int i = 0; i < 30; ++i)
            form->Redo();
        QCOMPARE(snapshot(work()), drawn);
    }

    void theHistoryDropsItsOldestStepsBeyondTheBudget()
    {
        // Budget for two whole 100 x 100 steps (two rasters each).
        UndoHistory history(4 * 100 * 100 * 3);
        TBitmap raster;
        UndoHistory::Labels labels;
        for (int size : {100, 101, 100, 101}) {
            history.begin(raster, labels);
            raster.setSize(size, 100);
            history.commit(raster, labels);
        }
        QCOMPARE(history.steps(), std::size_t(1)); // 101 + 100 columns, then 100 + 101
        QVERIFY(history.bytes() <= 4 * 100 * 100 * 3);
        QVERIFY(history.undo(raster, labels));
        QCOMPARE(raster.width(), 100);
        QVERIFY(!history.undo(raster, labels));
        // A step larger than the budget empties the history.
        history.begin(raster, labels);
        raster.setSize(300, 300);
        history.commit(raster, labels);
        QCOMPARE(history.steps(), std::size_t(0));
    }

    void theHistoryKeepsWithinTheRunsMemoryBudget()
    {
        UndoHistory history;
        TBitmap raster;
        raster.setSize(200, 200);
        UndoHistory::Labels labels;
        history.begin(raster, labels);
        raster.setSize(201, 200);
        history.commit(raster, labels);
        QCOMPARE(history.steps(), std::size_t(1));
        const std::int64_t charged = MemoryBudget::used();
        // No room left for a copy of the raster: the step goes unrecorded, and so does the
        // history before it, which no longer leads back from the picture.
        {
            const ScopedMemoryLimit limit(charged + 1000);
            history.begin(raster, labels);
            raster.setSize(202, 200);
            history.commit(raster, labels);
        }
        QCOMPARE(history.steps(), std::size_t(0));
        QVERIFY(!history.undo(raster, labels));
        QCOMPARE(raster.width(), 202);
        QVERIFY(MemoryBudget::used() < charged);
    }

    void pasteLoadsTheClipboardPictureFramedAndRecognisesIt()
    {
        QImage picture(60, 40, QImage::Format_ARGB32);
        picture.fill(Qt::transparent);
        {
            QPainter painter(&picture);
            painter.setPen(QPen(Qt::black, 5));
            painter.drawEllipse(QRect(15, 8, 30, 24));
        }
        QGuiApplication::clipboard()->setImage(picture);
        key(Qt::Key_V);
        QVERIFY(boxes.isEmpty());
        QCOMPARE(form->windowTitle(), QStringLiteral("(clipboard)"));
        QCOMPARE(QSize(work().width(), work().height()), QSize(62, 42));
        QCOMPARE(pixelAt(work(), 0, 0), (Bgr {255, 255, 255}));
        QCOMPARE(pixelAt(work(), 5, 5), (Bgr {255, 255, 255})); // transparent is white
        QCOMPARE(form->pictureStore().rowTable.height(), 42);
        QVERIFY(countPixels(work(), Bgr {0, 255, 0}) > 50); // recognised: the outline was walked
        verifyDisplayIsWork();
        form->Undo(); // the pass
        form->Undo(); // the paste
        QCOMPARE(QSize(work().width(), work().height()), QSize(700, 500));

        QGuiApplication::clipboard()->setText(QStringLiteral("not a picture"));
        const QImage before = snapshot(work());
        key(Qt::Key_V);
        QCOMPARE(boxes, QStringList {QString::fromLatin1(kClipboardHasNoPicture) + u'.'});
        QCOMPARE(snapshot(work()), before);
    }

    void saveWritesTheSamePixelsAsBmpByDefaultOrPng()
    {
        stroke({50, 50}, {150, 120});
        QTest::mouseClick(form->Button2, Qt::LeftButton);
        const QImage before = snapshot(work());
        QCOMPARE(form->SaveDialog1->nameFilters().size(), 2);
        QVERIFY(form->SaveDialog1->nameFilters()[0].startsWith(QStringLiteral("BMP")));
        QVERIFY(form->SaveDialog1->nameFilters()[1].contains(QStringLiteral("cannot open")));
        for (const char *name : {"saved.png", "saved.bmp", "drawn"}) {
            chosen = dir.filePath(QLatin1String(name));
            key(Qt::Key_S);
            const QString written = QString(name) == "drawn" ? chosen + ".bmp" : chosen;
            const QImage reloaded = QImage(written).convertToFormat(QImage::Format_BGR888);
            QCOMPARE(reloaded, before);
        }
        // Writing into a folder that does not exist fails in the error box; nothing changes.
        chosen = dir.filePath(QStringLiteral("missing/saved.png"));
        key(Qt::Key_S);
        QCOMPARE(boxes.size(), 1);
        QVERIFY(boxes[0].startsWith(QStringLiteral("Cannot write file ") + chosen));
        QCOMPARE(snapshot(work()), before);
        QCOMPARE(form->undoHistory().steps(), std::size_t(2));
    }

    void theNumbersReadAreShownAndCopiedOnePerLine()
    {
        // Two rings side by side, far enough apart to be two numbers, and one on a line below.
        for (QPoint at : {QPoint(100, 100), QPoint(300, 100), QPoint(100, 300)})
            drawRing(form->pictureStore().workRaster.canvas(), at.x(), at.y());
        form->RecognizeAll();
        QCOMPARE(form->numbers().size(), 3);
        QCOMPARE(form->NumbersLine->text(), form->numbers().join(u' '));
        QVERIFY(form->NumbersLine->isReadOnly());
        QVERIFY(form->NumbersLine->geometry().right() < TForm1::kStartViewOffset.x());
        key(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), form->numbers().join(u'\n'));
        QTest::mouseClick(form->Button3, Qt::LeftButton);
        QCOMPARE(form->NumbersLine->text(), QString());
        form->Undo();
        QCOMPARE(form->numbers().size(), 3);
    }

    void theWheelAndHomeMoveTheView()
    {
        const QPoint start = TForm1::kStartViewOffset;
        wheel(QPoint(0, -120)); // one step down: the picture moves up
        QCOMPARE(form->viewOffset(), start + QPoint(0, -60));
        wheel(QPoint(0, -120), Qt::ShiftModifier); // sideways
        QCOMPARE(form->viewOffset(), start + QPoint(-60, -60));
        key(Qt::Key_Home, Qt::NoModifier);
        QCOMPARE(form->viewOffset(), start);
    }

    void theWheelStopsWhereSomeOfThePictureStaysInView_data()
    {
        QTest::addColumn<QPoint>("notch");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::newRow("down") << QPoint(0, -120) << Qt::KeyboardModifiers();
        QTest::newRow("up") << QPoint(0, 120) << Qt::KeyboardModifiers();
        QTest::newRow("right") << QPoint(0, -120) << Qt::KeyboardModifiers(Qt::ShiftModifier);
        QTest::newRow("left") << QPoint(0, 120) << Qt::KeyboardModifiers(Qt::ShiftModifier);
    }

    void theWheelStopsWhereSomeOfThePictureStaysInView()
    {
        QFETCH(QPoint, notch);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        // The view area: right of and below the picture's start.
        const QRect view(TForm1::kStartViewOffset, form->rect().bottomRight());
        // The view follows the size of the display raster, whatever it holds.
        form->LoadPicture(writeRingPicture(dir.filePath(QStringLiteral("ring.bmp")), "BMP"));
        for (const QSize size : {QSize(62, 42), QSize(700, 500), QSize(20, 10)}) {
            form->pictureStore().displayRaster.setSize(size.width(), size.height());
            key(Qt::Key_Home, Qt::NoModifier);
            QPoint last = form->viewOffset();
            for (int i = 0; i < 30; ++i) {
                wheel(notch, modifiers);
                const QRect seen = QRect(form->viewOffset(), size).intersected(view);
                QVERIFY2(seen.width() >= std::min(32, size.width()) &&
                        seen.height() >= std::min(32, size.height()),
                    qPrintable(QStringLiteral("%1 x %2 after %3 notches")
                                   .arg(size.width())
                                   .arg(size.height())
                                   .arg(i + 1)));
                last = form->viewOffset();
            }
            // It went as far as it may: one pixel more would leave too little.
            const QPoint step =
                modifiers ? QPoint(notch.y() > 0 ? 1 : -1, 0) : QPoint(0, notch.y() > 0 ? 1 : -1);
            const QRect further = QRect(last + step, size).intersected(view);
            QVERIFY(further.width() < std::min(32, size.width()) ||
                further.height() < std::min(32, size.height()));
        }

        // A picture panned out of view with the right button stays where it is, and the wheel
        // brings it back.
        form->pictureStore().displayRaster.setSize(62, 42);
        key(Qt::Key_Home, Qt::NoModifier);
        WindowMouse mouse {form->windowHandle()};
        const QPoint away = QPoint(400, 300) - QPoint(2000, 2000) * (notch.y() > 0 ? -1 : 1);
        mouse.press(Qt::RightButton, QPoint(400, 300));
        mouse.move(away);
        mouse.release(Qt::RightButton, away);
        const QPoint panned = form->viewOffset();
        QVERIFY2(!QRect(panned, QSize(62, 42)).intersects(view),
            qPrintable(QStringLiteral("%1, %2").arg(panned.x()).arg(panned.y())));
        wheel(notch, modifiers);
        QCOMPARE(form->viewOffset(), panned);
        wheel(-notch, modifiers);
        QCOMPARE(form->viewOffset(), panned - (modifiers ? QPoint(notch.y(), 0) : notch) / 2);
    }

    void aNewPageIsWhiteAtTheStartSizeAndCanBeUndone()
    {
        form->openPicture(writeRingPicture(dir.filePath(QStringLiteral("ring.bmp")), "BMP"));
        const QImage loaded = snapshot(work());
        const QString caption = form->windowTitle();
        const QStringList numbers = form->numbers();
        QVERIFY(!numbers.isEmpty());
        form->ScrollView(QPoint(-30, -20));
        key(Qt::Key_N);
        QCOMPARE(QSize(work().width(), work().height()), QSize(700, 500));
        QCOMPARE(countPixels(work(), kWhite), 700 * 500);
        QCOMPARE(form->windowTitle(), QStringLiteral("Umnoglaz"));
        QVERIFY(form->numbers().isEmpty());
        QVERIFY(!form->isFramed());
        QCOMPARE(form->viewOffset(), TForm1::kStartViewOffset);
        verifyDisplayIsWork();

        key(Qt::Key_Z);
        QCOMPARE(snapshot(work()), loaded);
        QCOMPARE(form->windowTitle(), caption);
        QCOMPARE(form->numbers(), numbers);
        QVERIFY(form->isFramed());
        verifyDisplayIsWork();
        key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(QSize(work().width(), work().height()), QSize(700, 500));
        QVERIFY(form->numbers().isEmpty());
        verifyDisplayIsWork();
    }

    void theControlsShowTheirWholeText()
    {
        // Every item of the method list fits the list's text field.
        QComboBox *list = form->ComboBox1;
        for (int i = 0; i < list->count(); ++i) {
            QStyleOptionComboBox option;
            option.initFrom(list);
            option.rect = list->rect();
            option.currentText = list->itemText(i);
            const QRect field = list->style()->subControlRect(
                QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list);
            QVERIFY2(list->fontMetrics().horizontalAdvance(list->itemText(i)) <= field.width() - 2,
                qPrintable(list->itemText(i)));
        }
        QVERIFY(list->geometry().right() < TForm1::kStartViewOffset.x());

        // The numbers line grows to its text, and shows its beginning when the text is longer
        // than the window has room for, the whole of it in the tooltip.
        QLineEdit *line = form->NumbersLine;
        auto cursorX = [line] {
            return line->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x();
        };
        auto textFits = [&] {
            const int start = cursorX();
            line->setCursorPosition(int(line->text().size()));
            const int end = cursorX();
            line->setCursorPosition(0);
            return end - start >= line->fontMetrics().horizontalAdvance(line->text()) - 1 &&
                line->rect().contains(QPoint(end, line->height() / 2));
        };
        const QString numbers = QStringLiteral("0123456789 0");
        line->setText(numbers);
        QVERIFY(textFits());
        QVERIFY(line->toolTip().contains(numbers));
        QString many;
        for (int i = 0; i < 200; ++i)
            many += QStringLiteral("%1 ").arg(i);
        line->setText(many.trimmed());
        QCOMPARE(line->geometry().right(), form->ProgressBar1->geometry().right());
        QCOMPARE(line->cursorPosition(), 0);
        QVERIFY(cursorX() < line->width() / 4);
        QVERIFY(line->toolTip().contains(QStringLiteral("198 199")));
        line->setText(QString());
        QCOMPARE(line->width(), 84);
    }

    void theWindowKeepsItsControlsAndNamesEveryShortcut()
    {
        form->resize(100, 100);
        for (QWidget *control : std::initializer_list<QWidget *> {form->Button1, form->Button2,
                 form->Button3, form->ProgressBar1, form->NumbersLine})
            QVERIFY(form->rect().contains(control->geometry()));
        QCOMPARE(form->Button2->toolTip(), QStringLiteral("Ctrl+R"));
        QVERIFY(form->NumbersLine->toolTip().contains(QStringLiteral("Ctrl+Shift+C")));
        for (const char *keys : {"Ctrl+Z", "Ctrl+Shift+Z", "Ctrl+V", "Ctrl+S", "Ctrl+N", "Home"})
            QVERIFY2(form->toolTip().contains(QLatin1String(keys)), keys);
    }
};

UMNOGLAZ_WIDGET_TEST_MAIN(EditTest)
#include "EditTest.moc"
