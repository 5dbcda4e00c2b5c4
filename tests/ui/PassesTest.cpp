// What passes leave in the window: the learned method's labels lie over the picture, so a
// second pass reads what the first read and no drawn pixel changes its darkness; switching the
// method after a pass reads the picture as it was before it; saving composes the labels and
// drops the loader's frame, so the file opens as the same picture; and the turns method's
// pixels are what they always were.
#include "recognition/LabelLayer.h"
#include "tests/ui/WidgetTestSupport.h"

#include <QComboBox>
#include <QCryptographicHash>
#include <QFileDialog>
#include <QPushButton>

#include <cmath>
#include <memory>
#include <numbers>

Q_DECLARE_METATYPE(Method)

namespace {

// Which pixels are dark, by the rule that labelling reads: a red byte below 128.
QList<bool> darkness(const TBitmap &raster)
{
    QList<bool> dark;
    for (int y = 0; y < raster.height(); ++y)
        for (int x = 0; x < raster.width(); ++x)
            dark.append(pixelAt(raster, x, y).red < 128);
    return dark;
}

// The raster with the layer composed in: what the window shows, and what a save writes.
QImage shown(const TBitmap &work, const LabelLayer &layer)
{
    TBitmap copy;
    copy.copyFrom(work);
    ComposeLayer(copy, layer);
    return copy.view().copy();
}

QByteArray digest(const TBitmap &raster)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (int y = 0; y < raster.height(); ++y)
        hash.addData(QByteArrayView(
            reinterpret_cast<const char *>(raster.scanLine(y)), qsizetype(raster.width()) * 3));
    return hash.result().toHex();
}

int liveRegions(const RegionTable &regions)
{
    int live = 0;
    for (std::size_t r = 1; r < regions.size(); ++r)
        live += regions[r].count != 0;
    return live;
}

} // namespace

class PassesTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<TForm1> form;
    QStringList boxes;
    QTemporaryDir dir;
    QString chosen;

    const TBitmap &work() const { return form->pictureStore().workRaster; }

    void strokeThrough(const QList<QPoint> &points)
    {
        WindowMouse mouse {form->windowHandle()};
        mouse.press(Qt::LeftButton, TForm1::kStartViewOffset + points.first());
        for (const QPoint &point : points.mid(1))
            mouse.move(TForm1::kStartViewOffset + point);
        mouse.release(Qt::LeftButton, TForm1::kStartViewOffset + points.last());
    }

    // A horizontal line, and a zero whose top lies 10 rows below it: the zero's label box
    // reaches across the line.
    void drawLineAndZeroBelowIt()
    {
        strokeThrough({{150, 200}, {350, 200}});
        QList<QPoint> oval;
        for (int degrees = 270; degrees <= 270 + 360; degrees += 10) {
            const double a = degrees * std::numbers::pi / 180;
            oval.append(QPoint(250, 242) +
                QPoint(int(std::lround(20 * std::cos(a))), int(std::lround(30 * std::sin(a)))));
        }
        strokeThrough(oval);
    }

    void pass() { QTest::mouseClick(form->Button2, Qt::LeftButton); }
    void key(int keyCode) { QTest::keyClick(form.get(), Qt::Key(keyCode), Qt::ControlModifier); }

private Q_SLOTS:
    void init()
    {
        QSettings().clear();
        boxes.clear();
        UmnoglazApplication::setErrorBox(
            [this](const QString &, const QString &text) { boxes.append(text); });
        form = std::make_unique<TForm1>();
        form->setSaveChooser([this](QFileDialog &) { return chosen; });
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }

    void cleanup()
    {
        QVERIFY(boxes.isEmpty());
        closeWindowTest(form);
        QSettings().clear();
    }

    void twoLearnedPassesReadTheSameAndLeaveTheDrawingAsItWas()
    {
        form->setMethod(Method::Learned);
        drawLineAndZeroBelowIt();
        const QList<bool> drawn = darkness(work());

        pass();
        const LabelLayer first = form->labelLayer();
        const QStringList firstNumbers = form->numbers();
        const QImage afterFirst = snapshot(work());
        QCOMPARE(liveRegions(form->recognitionState().regions), 2);
        QCOMPARE(first.size(), std::size_t(1)); // the zero; the line is no digit
        QCOMPARE(countPixels(work(), kPureRed), 0);
        QCOMPARE(darkness(work()), drawn);

        pass();
        QCOMPARE(liveRegions(form->recognitionState().regions), 2); // the line is still whole
        QCOMPARE(form->labelLayer(), first);
        QCOMPARE(form->numbers(), firstNumbers);
        QCOMPARE(snapshot(work()), afterFirst); // the same marks, laid on again
        QCOMPARE(darkness(work()), drawn);

        // The window shows the labels over the picture, as a save composes them.
        const QImage window = form->grab().toImage().convertToFormat(QImage::Format_BGR888);
        const QRect label(QPoint(200, 190), QSize(100, 60));
        QCOMPARE(window.copy(label.translated(TForm1::kStartViewOffset)),
            shown(work(), first).copy(label));
    }

    void switchingTheMethodAfterAPassReadsThePictureAsItWasBefore_data()
    {
        QTest::addColumn<Method>("from");
        QTest::addColumn<Method>("to");
        QTest::newRow("turnsToLearned") << Method::Turns << Method::Learned;
        QTest::newRow("learnedToTurns") << Method::Learned << Method::Turns;
    }

    void switchingTheMethodAfterAPassReadsThePictureAsItWasBefore()
    {
        QFETCH(Method, from);
        QFETCH(Method, to);
        // What the new method reads on the drawing alone, in a window of its own.
        drawLineAndZeroBelowIt();
        const QImage drawing = snapshot(work());
        form->setMethod(to);
        pass();
        const QImage expected = shown(work(), form->labelLayer());
        const QStringList expectedNumbers = form->numbers();
        closeWindowTest(form);
        init();

        form->setMethod(from);
        drawLineAndZeroBelowIt();
        QCOMPARE(snapshot(work()), drawing);
        pass();
        form->setMethod(to);
        QCOMPARE(shown(work(), form->labelLayer()), expected);
        QCOMPARE(form->numbers(), expectedNumbers);
        QCOMPARE(form->labelLayer().empty(), to == Method::Turns);
        // The first method's pass is gone from the history: undo leads to the drawing.
        form->Undo();
        QCOMPARE(snapshot(work()), drawing);
        QVERIFY(form->labelLayer().empty());
        form->Redo();
        QCOMPARE(shown(work(), form->labelLayer()), expected);

        // With a stroke since the pass, switching reads nothing.
        strokeThrough({{400, 400}, {450, 420}});
        const QImage stroked = snapshot(work());
        const LabelLayer layer = form->labelLayer();
        form->setMethod(from);
        QCOMPARE(snapshot(work()), stroked);
        QCOMPARE(form->labelLayer(), layer);
    }

    void savingAndOpeningAgainGivesTheSamePicture_data()
    {
        QTest::addColumn<Method>("method");
        QTest::newRow("turns") << Method::Turns;
        QTest::newRow("learned") << Method::Learned;
    }

    void savingAndOpeningAgainGivesTheSamePicture()
    {
        QFETCH(Method, method);
        form->setMethod(method);
        form->openPicture(writeRingPicture(dir.filePath(QStringLiteral("ring.bmp")), "BMP"));
        QVERIFY(form->isFramed());
        QCOMPARE(QSize(work().width(), work().height()), QSize(62, 42));
        const QImage before = shown(work(), form->labelLayer());

        chosen = dir.filePath(QStringLiteral("saved"));
        key(Qt::Key_S);
        QCOMPARE(QImage(chosen + QStringLiteral(".bmp")).size(), QSize(60, 40));
        form->LoadPicture(chosen + QStringLiteral(".bmp"));
        QCOMPARE(QSize(work().width(), work().height()), QSize(62, 42));
        // Inside the frame, every pixel is as the window showed it; the frame is white again.
        const QRect inside(1, 1, 60, 40);
        QCOMPARE(snapshot(work()).copy(inside), before.copy(inside));
        QCOMPARE(
            countPixels(work(), kWhite) - countPixels(work(), kWhite, inside), 62 * 42 - 60 * 40);

        // A drawn page has no frame to drop.
        form->NewPage();
        QVERIFY(!form->isFramed());
        strokeThrough({{10, 10}, {60, 30}});
        key(Qt::Key_S);
        QCOMPARE(QImage(chosen + QStringLiteral(".bmp")).size(), QSize(700, 500));
    }

    void theTurnsMethodsPixelsAreWhatTheyWere()
    {
        // Digests of the work raster that the window made before the labels could lie over
        // it: a loaded picture read once and again, and a drawing whose line a label cuts.
        form->openPicture(QStringLiteral(UMNOGLAZ_SAMPLES "/pen-digits.bmp"));
        QCOMPARE(digest(work()),
            QByteArray("e2032a769d7e939dcfa4788c697b84f84363e1a5b7cb0ecbd443d8f0b5a858f4"));
        pass();
        QCOMPARE(digest(work()),
            QByteArray("e2032a769d7e939dcfa4788c697b84f84363e1a5b7cb0ecbd443d8f0b5a858f4"));

        form->NewPage();
        TCanvas &canvas = form->pictureStore().workRaster.canvas();
        for (int x : {100, 150, 300})
            drawRing(canvas, x, 100);
        canvas.Brush.Color = clBlack;
        canvas.fillRect({90, 95, 400, 97});
        canvas.Brush.Color = clWhite;
        form->RecognizeAll();
        QCOMPARE(digest(work()),
            QByteArray("d49a815811cf5b34275d7de3ec1e916a54d710887eb31891b8edc7a427dce2e6"));
        form->RecognizeAll();
        QCOMPARE(digest(work()),
            QByteArray("5f11f9a9306ed328faa9f09372c77a0e57f71a0529eb1e54ae20da72360ba22f"));
        QVERIFY(form->labelLayer().empty());
    }
};

UMNOGLAZ_WIDGET_TEST_MAIN(PassesTest)
#include "PassesTest.moc"
