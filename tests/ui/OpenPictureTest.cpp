// Opening pictures from the dialog, a drop and the command line, and failures in the error box.
#include "tests/support/ScopedMemoryLimit.h"
#include "tests/ui/WidgetTestSupport.h"

#include "base/MemoryBudget.h"

#include <QDir>
#include <QFileDialog>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrl>

#include <memory>

namespace {

struct ShownBox
{
    QString title;
    QString text;
};

} // namespace

class OpenPictureTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<TForm1> form;
    QList<ShownBox> boxes;
    QTemporaryDir dir;
    QString chosen; // what the stub dialog returns; empty means cancelled
    int dialogs = 0;

    const TBitmap &work() const { return form->pictureStore().workRaster; }
    const TBitmap &display() const { return form->pictureStore().displayRaster; }

    // A stroke, so that a picture that must be kept is not just white.
    void drawSomething()
    {
        QWindow *window = form->windowHandle();
        QTest::mousePress(window, Qt::LeftButton, {}, QPoint(300, 200));
        QTest::mouseMove(window, QPoint(360, 240));
        QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(360, 240));
        QVERIFY(countPixels(display(), kBlack) > 0);
    }

    void clickOpen() { QTest::mouseClick(form->Button1, Qt::LeftButton); }

private Q_SLOTS:
    void init()
    {
        boxes.clear();
        chosen.clear();
        dialogs = 0;
        UmnoglazApplication::setErrorBox([this](const QString &title, const QString &text) {
            boxes.append({title, text});
        });
        form = std::make_unique<TForm1>();
        form->setFileChooser([this](QFileDialog &) {
            ++dialogs;
            return chosen;
        });
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }

    void cleanup() { closeWindowTest(form); }

    void theDialogOffersPicturesOnly()
    {
        QStringList filters;
        form->setFileChooser([&](QFileDialog &dialog) {
            filters = dialog.nameFilters();
            return QString();
        });
        clickOpen();
        QCOMPARE(filters, QStringList {QStringLiteral("Pics (*.bmp *.jpg *.jpeg)")});
    }

    void cancellingTheDialogChangesNothing()
    {
        drawSomething();
        const QImage before = snapshot(display());
        clickOpen();
        QCOMPARE(dialogs, 1);
        QVERIFY(boxes.isEmpty());
        QCOMPARE(form->windowTitle(), QStringLiteral("Umnoglaz"));
        QCOMPARE(snapshot(display()), before);
        QVERIFY(sameRasters(work(), display()));
    }

    void failedLoadShowsTheErrorBoxAndKeepsTheWindow_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("missing file") << dir.filePath(QStringLiteral("missing.bmp"));
        QTest::newRow("PNG named .jpg")
            << writeRingPicture(dir.filePath(QStringLiteral("ring.jpg")), "PNG");
    }

    void failedLoadShowsTheErrorBoxAndKeepsTheWindow()
    {
        QFETCH(QString, file);
        drawSomething();
        const QImage shown = snapshot(display());
        chosen = file;
        clickOpen();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(form->windowTitle(), QStringLiteral("Umnoglaz"));
        QCOMPARE(snapshot(display()), shown);
        QCOMPARE(form->viewOffset(), TForm1::kStartViewOffset);
        // The title is this program's file name, cut at its first "." and capitalised.
        QCOMPARE(boxes.first().title, QStringLiteral("Openpicturetest"));
        QVERIFY(boxes.first().text.endsWith(u'.'));
    }

    void theTitleIsTheExecutableNameCutAtItsFirstDot_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("title");
        QTest::newRow("plain name") << "/usr/local/bin/umnoglaz"
                                    << "umnoglaz";
        QTest::newRow("capitals and dots") << "/opt/UMNOGLAZ.bin.old"
                                           << "Umnoglaz";
        QTest::newRow("dot in a folder") << "build/my.app/Umno-Glaz"
                                         << "Umno-glaz";
        QTest::newRow("one letter") << "U"
                                    << "U";
    }

    void theTitleIsTheExecutableNameCutAtItsFirstDot()
    {
        QFETCH(QString, path);
        QFETCH(QString, title);
        QCOMPARE(ErrorBoxTitle(path), title);
    }

    void aPictureOverTheMemoryBudgetFailsAndTheWindowGoesOn()
    {
        drawSomething();
        const QImage shown = snapshot(display());
        // 54 bytes declaring 18916 x 18916 pixels: a gigabyte against a budget of 32 MiB more.
        chosen = dir.filePath(QStringLiteral("huge.bmp"));
        QFile file(chosen);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray::fromHex("424D00000000000000003600000028000000E4490000E4490000"
                                       "0100180000000000000000000000000000000000000000000000"
                                       "0000"));
        file.close();
        {
            const ScopedMemoryLimit limit(ScopedMemoryLimit::above(std::int64_t(32) << 20));
            clickOpen();
        }
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes.first().text, QStringLiteral("Out of system resources."));
        QCOMPARE(snapshot(display()), shown);
        QVERIFY(sameRasters(work(), display()));
        QWindow *window = form->windowHandle();
        QTest::mousePress(window, Qt::LeftButton, {}, QPoint(320, 100));
        QTest::mouseMove(window, QPoint(400, 300));
        QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(400, 300));
        QVERIFY(snapshot(display()) != shown);
    }

    void theProgramGoesOnAfterAFailure()
    {
        drawSomething();
        chosen = dir.filePath(QStringLiteral("missing.bmp"));
        clickOpen();
        QCOMPARE(boxes.size(), 1);
        // The failed load kept the drawing, and strokes go on showing.
        QVERIFY(sameRasters(work(), display()));
        const QImage before = snapshot(display());
        QWindow *window = form->windowHandle();
        QTest::mousePress(window, Qt::LeftButton, {}, QPoint(320, 100));
        QTest::mouseMove(window, QPoint(400, 300));
        QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(400, 300));
        QVERIFY(snapshot(display()) != before);
        QVERIFY(sameRasters(work(), display()));
        QCOMPARE(boxes.size(), 1);
    }

    void aDroppedFileIsOpenedLikeAChosenOne()
    {
        const QString file = dir.filePath(QStringLiteral("dropped.bmp"));
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(file)});
        const QPoint at(500, 300);
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &drop);
        QVERIFY(drop.isAccepted());
        QVERIFY(boxes.isEmpty()); // not inside the drop itself
        // The file went to the loader: its failure names it.
        QTRY_COMPARE(boxes.size(), 1);
        QVERIFY2(boxes.first().text.contains(file), qPrintable(boxes.first().text));
        QCOMPARE(dialogs, 0);
    }

    void theWaitCursorShowsDuringAPassAndGoesOnEveryExit()
    {
        // The pass repaints the window before it returns: the cursor then is the pass's cursor.
        struct CursorAtPaint : QObject
        {
            QList<int> shapes;
            bool eventFilter(QObject *, QEvent *event) override
            {
                if (event->type() == QEvent::Paint) {
                    const QCursor *cursor = QGuiApplication::overrideCursor();
                    shapes.append(cursor ? int(cursor->shape()) : -1);
                }
                return false;
            }
        } spy;
        drawSomething();
        form->installEventFilter(&spy);
        QTest::mouseClick(form->Button2, Qt::LeftButton);
        form->removeEventFilter(&spy);
        QVERIFY(spy.shapes.contains(int(Qt::WaitCursor)));
        QVERIFY(!QGuiApplication::overrideCursor());

        chosen = dir.filePath(QStringLiteral("missing.bmp"));
        clickOpen();
        QCOMPARE(boxes.size(), 1);
        QVERIFY(!QGuiApplication::overrideCursor());
        chosen = writeRingPicture(dir.filePath(QStringLiteral("ring.bmp")), "BMP");
        clickOpen();
        QCOMPARE(boxes.size(), 1);
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void aDragWithoutAFileIsRefused()
    {
        QMimeData mime;
        mime.setText(QStringLiteral("not a file"));
        QDragEnterEvent enter(
            QPoint(500, 300), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        enter.setAccepted(false);
        QApplication::sendEvent(form.get(), &enter);
        QVERIFY(!enter.isAccepted());
    }

    void aPictureNamedAtStartIsOpenedWithItsFullPath()
    {
        const QString relative = QStringLiteral("no-such-folder/start.jpg");
        form->openPictureAtStart(relative);
        QVERIFY(boxes.isEmpty()); // not before the event loop runs
        QTRY_COMPARE(boxes.size(), 1);
        QVERIFY2(boxes.first().text.contains(QDir::current().absoluteFilePath(relative)),
            qPrintable(boxes.first().text));
    }
};

UMNOGLAZ_WIDGET_TEST_MAIN(OpenPictureTest)
#include "OpenPictureTest.moc"
