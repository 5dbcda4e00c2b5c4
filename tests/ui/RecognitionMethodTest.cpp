// The recognition method in the window: the list under the buttons, Ctrl+M, the choice kept
// between runs, a "6" drawn with the pen that the trained network labels "6", and a dark
// screenshot that the network reads by the auto ink rule.
#include "recognition/LabelLayer.h"
#include "tests/ui/WidgetTestSupport.h"

#include <QComboBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>

#include <cmath>
#include <memory>
#include <numbers>

class RecognitionMethodTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<TForm1> form;

    const TBitmap &work() const { return form->pictureStore().workRaster; }

    // A "6" about 60 x 90 pixels, as one pen stroke: down the left side from the top right,
    // round the loop at the bottom.
    void drawSix()
    {
        QList<QPoint> points;
        const QPoint origin = TForm1::kStartViewOffset + QPoint(200, 100);
        points.append(origin + QPoint(51, 3));
        for (int i = 0; i <= 24; ++i) {
            const double a = (250.0 - 70.0 * i / 24) * std::numbers::pi / 180;
            points.append(origin + QPoint(int(45 + 39 * std::cos(a)), int(51 + 48 * std::sin(a))));
        }
        for (int i = 0; i <= 48; ++i) {
            const double a = (180.0 + 360.0 * i / 48) * std::numbers::pi / 180;
            points.append(origin + QPoint(int(30 + 26 * std::cos(a)), int(64 + 26 * std::sin(a))));
        }
        WindowMouse mouse {form->windowHandle()};
        mouse.press(Qt::LeftButton, points.first());
        for (const QPoint &point : points.mid(1))
            mouse.move(point);
        mouse.release(Qt::LeftButton, points.last());
    }

    // Strokes of the pen, each a list of points relative to `origin` on the window.
    void drawStrokes(QPoint origin, const QList<QList<QPoint>> &strokes)
    {
        WindowMouse mouse {form->windowHandle()};
        for (const QList<QPoint> &stroke : strokes) {
            mouse.press(Qt::LeftButton, origin + stroke.first());
            for (const QPoint &point : stroke.mid(1))
                mouse.move(origin + point);
            mouse.release(Qt::LeftButton, origin + stroke.last());
        }
    }

    // A "2" and a "7" about 40 x 60 pixels each, so close that the 7's bar runs into the 2's
    // top and its foot into the 2's base.
    void drawTouchingTwoAndSeven()
    {
        QList<QPoint> two;
        for (int i = 0; i <= 24; ++i) {
            const double a = (190.0 + 190.0 * i / 24) * std::numbers::pi / 180;
            two.append(QPoint(int(20 + 17 * std::cos(a)), int(17 + 16 * std::sin(a))));
        }
        two.append(QPoint(4, 60));
        two.append(QPoint(40, 60));
        const QList<QPoint> seven {{26, 2}, {64, 2}, {40, 62}};
        drawStrokes(TForm1::kStartViewOffset + QPoint(200, 100), {two, seven});
    }

    // The region's first listed pixel: the leftmost dark pixel of the topmost dark row.
    QPoint firstDarkPixel() const
    {
        for (int y = 0; y < work().height(); ++y)
            for (int x = 0; x < work().width(); ++x)
                if (pixelAt(work(), x, y) == kBlack)
                    return {x, y};
        return {-1, -1};
    }

    // The digit whose label, drawn as the pass draws it at `at`, gives exactly the red pixels
    // that the window shows in the label's cell (the work raster with the layer over it); 0
    // when none does.
    char labelAt(QPoint at) const
    {
        TBitmap shown;
        shown.copyFrom(work());
        ComposeLayer(shown, form->labelLayer());
        for (char digit = '0'; digit <= '9'; ++digit) {
            TBitmap expected;
            expected.setSize(work().width(), work().height());
            TCanvas &canvas = expected.canvas();
            canvas.fillRect(canvas.clipRect());
            canvas.Font.Color = clRed;
            canvas.textOut(at.x(), at.y() - 15, QString(QChar::fromLatin1(digit)));
            bool same = true;
            for (int y = std::max(0, at.y() - 15); same && y < at.y(); ++y)
                for (int x = at.x(); same && x < std::min(shown.width(), at.x() + 12); ++x) {
                    same =
                        (pixelAt(shown, x, y) == kPureRed) == (pixelAt(expected, x, y) == kPureRed);
                }
            if (same)
                return digit;
        }
        return 0;
    }

private Q_SLOTS:
    void init()
    {
        QSettings().clear();
        form = std::make_unique<TForm1>();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }

    void cleanup()
    {
        closeWindowTest(form);
        QSettings().clear();
    }

    void ctrlMSwitchesAndTheChoiceIsKept()
    {
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QCOMPARE(form->method(), Method::Turns);
        QTest::keyClick(form.get(), Qt::Key_M, Qt::ControlModifier);
        QCOMPARE(form->ComboBox1->currentText(), QStringLiteral("Нейросеть"));
        form.reset();
        form = std::make_unique<TForm1>(); // the next run
        QCOMPARE(form->method(), Method::Learned);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QTest::keyClick(form.get(), Qt::Key_M, Qt::ControlModifier);
        QCOMPARE(form->method(), Method::Turns);
        QCOMPARE(QSettings().value("recognition/method").toString(), QStringLiteral("turns"));
    }

    void aSixDrawnWithThePenIsLabelledSixByTheNetwork()
    {
        drawSix();
        const QPoint first = firstDarkPixel();
        QVERIFY(first.y() >= 15);
        form->ComboBox1->setCurrentIndex(1);
        QTest::mouseClick(form->Button2, Qt::LeftButton);
        QCOMPARE(labelAt(first), '6');
    }

    void twoTouchingDigitsDrawnWithThePenAreReadAsTwo()
    {
        drawTouchingTwoAndSeven();
        form->ComboBox1->setCurrentIndex(1);
        QTest::mouseClick(form->Button2, Qt::LeftButton);
        QCOMPARE(form->recognitionState().regions.size(), std::size_t(2)); // one blob
        QCOMPARE(form->numbers(), QStringList {QStringLiteral("27")});
    }

    void aDarkScreenshotOpenedWithTheNetworkGetsItsLabels()
    {
        // The pen sample as a dark-mode screen shows it: light grey on near black.
        QImage sample(QStringLiteral(UMNOGLAZ_SAMPLES "/pen-digits.bmp"));
        QVERIFY(!sample.isNull());
        sample = sample.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < sample.height(); ++y)
            for (int x = 0; x < sample.width(); ++x) {
                const int ink = 255 - qGray(sample.pixel(x, y));
                const int v = 30 + ink * 200 / 255;
                sample.setPixel(x, y, qRgb(v, v, v + 4));
            }
        QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("dark.bmp"));
        QVERIFY(sample.save(file, "BMP"));

        form->ComboBox1->setCurrentIndex(1);
        form->openPicture(file);
        QCOMPARE(form->labelLayer().size(), std::size_t(10));
        QCOMPARE(form->numbers(), (QStringList {QStringLiteral("01"), QStringLiteral("23456789")}));
        // The labels lie over the picture, which keeps its own pixels.
        QCOMPARE(pixelAt(work(), 1, 1), (Bgr {34, 30, 30}));
    }

    void turnSignaturesStayTheDefaultAndNeverSaySix()
    {
        drawSix();
        const QPoint first = firstDarkPixel();
        QTest::mouseClick(form->Button2, Qt::LeftButton);
        const char label = labelAt(first);
        QVERIFY(label != 0);
        QVERIFY(label != '6');
    }
};

UMNOGLAZ_WIDGET_TEST_MAIN(RecognitionMethodTest)
#include "RecognitionMethodTest.moc"
