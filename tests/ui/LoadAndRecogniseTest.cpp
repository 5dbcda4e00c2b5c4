// The window with the real picture loading and outline tracing underneath: loaded pictures,
// the loader's messages in the error box, and digits recognised after drawing.
#include "base/Messages.h"
#include "tests/ui/WidgetTestSupport.h"
#include "ui/ProgressBar.h"

#include <QFileDialog>
#include <QPushButton>
#include <QTemporaryDir>

#include <cmath>
#include <memory>
#include <numbers>

class LoadAndRecogniseTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<TForm1> form;
    QStringList boxTexts;
    QTemporaryDir dir;
    QString chosen;

    const TBitmap &work() const { return form->pictureStore().workRaster; }
    const TBitmap &display() const { return form->pictureStore().displayRaster; }

    void open(const QString &file)
    {
        chosen = file;
        QTest::mouseClick(form->Button1, Qt::LeftButton);
    }

    void strokeThrough(const QList<QPoint> &points)
    {
        WindowMouse mouse {form->windowHandle()};
        mouse.press(Qt::LeftButton, points.first());
        for (const QPoint &point : points.mid(1))
            mouse.move(point);
        mouse.release(Qt::LeftButton, points.last());
    }

    // A zero drawn as a closed oval centred on picture point `centre`, 30 rows above and below.
    void drawZero(QPoint centre)
    {
        QList<QPoint> oval;
        for (int degrees = 270; degrees <= 270 + 360; degrees += 10) {
            const double a = degrees * std::numbers::pi / 180;
            oval.append(TForm1::kStartViewOffset + centre +
                QPoint(int(std::lround(20 * std::cos(a))), int(std::lround(30 * std::sin(a)))));
        }
        strokeThrough(oval);
    }

private Q_SLOTS:
    void init()
    {
        boxTexts.clear();
        UmnoglazApplication::setErrorBox(
            [this](const QString &, const QString &text) { boxTexts.append(text); });
        form = std::make_unique<TForm1>();
        form->setFileChooser([this](QFileDialog &) { return chosen; });
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }

    void cleanup() { closeWindowTest(form); }

    void theErrorBoxShowsTheLoaderMessage_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("message");
        const QString missing = dir.filePath(QStringLiteral("missing.bmp"));
        QTest::newRow("missing file") << missing << CannotOpenFile(missing) + u'.';
        QTest::newRow("PNG named .jpg")
            << writeRingPicture(dir.filePath(QStringLiteral("ring.jpg")), "PNG")
            << JpegError(52) + u'.';
    }

    void theErrorBoxShowsTheLoaderMessage()
    {
        QFETCH(QString, file);
        QFETCH(QString, message);
        open(file);
        QCOMPARE(boxTexts, QStringList {message});
    }

    void aChosenPictureIsLoadedFramedAndRecognised()
    {
        const QString file = writeRingPicture(dir.filePath(QStringLiteral("ring.bmp")), "BMP");
        open(file);
        QVERIFY2(boxTexts.isEmpty(), qPrintable(boxTexts.join(u'\n')));
        QCOMPARE(form->windowHandle()->title(), file);
        QCOMPARE(work().width(), 62);
        QCOMPARE(work().height(), 42);
        QVERIFY(sameRasters(work(), display()));
        QCOMPARE(form->viewOffset(), TForm1::kStartViewOffset);
        QCOMPARE(form->ProgressBar1->maximum(), 1);
        QVERIFY(countPixels(work(), kPureRed, QRect(0, 0, 62, 42)) > 0);

        // Clearing whitens the picture at its loaded size, labels included.
        QTest::mouseClick(form->Button3, Qt::LeftButton);
        QCOMPARE(work().width(), 62);
        QCOMPARE(countPixels(work(), kBlack), 0);
        QCOMPARE(countPixels(work(), kPureRed, QRect(0, 0, 62, 42)), 0);
    }

    void aFailedLoadKeepsTheDrawingAndLaterStrokesShow()
    {
        drawZero(QPoint(200, 180));
        open(dir.filePath(QStringLiteral("missing.bmp")));
        QCOMPARE(boxTexts.size(), 1);
        QCOMPARE(form->windowHandle()->title(), QStringLiteral("Umnoglaz"));
        QCOMPARE(work().width(), 700);
        drawZero(QPoint(400, 180));
        QVERIFY(sameRasters(work(), display()));
        QVERIFY(countPixels(display(), kBlack) > 0);
        QVERIFY(countPixels(display(), kBlack, QRect(370, 140, 60, 80)) > 0);
        QTest::mouseClick(form->Button2, Qt::LeftButton);
        QCOMPARE(form->ProgressBar1->maximum(), 2);
        QVERIFY(countPixels(display(), kPureRed, QRect(190, 130, 30, 18)) > 5);
        QVERIFY(countPixels(display(), kPureRed, QRect(390, 130, 30, 18)) > 5);
        QCOMPARE(boxTexts.size(), 1);
    }

    void theCaptionIsThePathExactlyAsGiven()
    {
        // Qt reads "[*]" in a title as the place of the modified mark.
        const QString file =
            writeRingPicture(dir.filePath(QStringLiteral("x[*]y[*][*]z.bmp")), "BMP");
        open(file);
        QVERIFY2(boxTexts.isEmpty(), qPrintable(boxTexts.join(u'\n')));
        QCOMPARE(form->windowHandle()->title(), file);
    }

    void recogniseAfterDrawingADigitWritesARedLabelAboveIt()
    {
        // Centred on picture point (300, 180), top at row 150.
        drawZero(QPoint(300, 180));
        QCOMPARE(countPixels(work(), kPureRed, QRect(0, 0, 700, 500)), 0);
        QTest::mouseClick(form->Button2, Qt::LeftButton);
        QCOMPARE(form->ProgressBar1->maximum(), 1);
        // The label's box lies 15 rows above the region's first pixel (row 148, the top of
        // the pen's circle), from its column on.
        QVERIFY(countPixels(work(), kPureRed, QRect(290, 130, 30, 18)) > 5);
        QCOMPARE(countPixels(work(), kPureRed, QRect(0, 150, 700, 350)), 0);
        QVERIFY(sameRasters(work(), display()));
        QCOMPARE(form->ProgressBar1->position(), 0);
    }
};

UMNOGLAZ_WIDGET_TEST_MAIN(LoadAndRecogniseTest)
#include "LoadAndRecogniseTest.moc"
