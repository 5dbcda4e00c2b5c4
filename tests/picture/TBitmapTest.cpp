#include "base/AppError.h"
#include "base/Messages.h"
#include "picture/PictureStore.h"
#include "tests/picture/PictureFiles.h"
#include "tests/support/AsciiRaster.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QPainter>

#include <functional>

namespace {

bool allBytes(const TBitmap &raster, int value)
{
    for (int y = 0; y < raster.height(); ++y) {
        const std::uint8_t *row = raster.scanLine(y);
        for (int i = 0; i < 3 * raster.width(); ++i) {
            if (row[i] != value)
                return false;
        }
    }
    return true;
}

// A raster whose pixel (x, y) has blue x, green y, red 7: every pixel is told apart.
void paintCoordinates(TBitmap &raster, int width, int height)
{
    raster.setSize(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            setPixel(raster, x, y, {x, y, 7});
    }
}

} // namespace

TEST(PictureStore, windowCreationMakesTwoWhiteRastersAndFiveHundredRows)
{
    PictureStore store;
    CreatePictureStore(store);
    EXPECT_EQ(store.workRaster.width(), 700);
    EXPECT_EQ(store.workRaster.height(), 500);
    EXPECT_EQ(store.displayRaster.width(), 700);
    EXPECT_EQ(store.displayRaster.height(), 500);
    EXPECT_TRUE(allBytes(store.workRaster, 255));
    EXPECT_TRUE(allBytes(store.displayRaster, 255));
    EXPECT_EQ(store.rowTable.height(), 500);
    EXPECT_EQ(store.rowTable.width(), 700);
    for (int y : {0, 250, 499})
        EXPECT_EQ(store.rowTable[y], store.workRaster.scanLine(y));
}

TEST(TBitmap, settingTheSameWidthKeepsTheStore)
{
    TBitmap raster;
    paintCoordinates(raster, 4, 3);
    const std::uint8_t *before = raster.scanLine(1);
    raster.setWidth(4);
    raster.setHeight(3);
    EXPECT_EQ(raster.scanLine(1), before);
    EXPECT_EQ(pixelAt(raster, 3, 2), (Bgr {3, 2, 7}));
}

TEST(TBitmap, growingAddsWhiteAndShrinkingCutsOnTheRight)
{
    TBitmap raster;
    paintCoordinates(raster, 3, 2);
    raster.setWidth(5);
    ASSERT_EQ(raster.width(), 5);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(pixelAt(raster, x, y), (Bgr {x, y, 7}));
        EXPECT_EQ(pixelAt(raster, 3, y), (Bgr {255, 255, 255}));
        EXPECT_EQ(pixelAt(raster, 4, y), (Bgr {255, 255, 255}));
    }
    raster.setWidth(2);
    raster.setHeight(3);
    EXPECT_EQ(pixelAt(raster, 1, 1), (Bgr {1, 1, 7}));
    EXPECT_EQ(pixelAt(raster, 0, 2), (Bgr {255, 255, 255}));
}

TEST(TBitmap, anEmptyRasterKeepsTheOtherDimensionAndGrowsWhite)
{
    TBitmap raster;
    paintCoordinates(raster, 3, 2);
    raster.setWidth(0);
    EXPECT_TRUE(raster.isEmpty());
    EXPECT_EQ(raster.height(), 2);
    raster.setWidth(4);
    EXPECT_TRUE(allBytes(raster, 255));
}

TEST(TBitmap, rowAccessOutsideTheRasterFails)
{
    TBitmap raster;
    EXPECT_EQ(errorOf([&] { raster.scanLine(0); }), kScanLineOutOfRange);
    raster.setSize(2, 2);
    EXPECT_EQ(errorOf([&] { raster.scanLine(2); }), kScanLineOutOfRange);
    EXPECT_EQ(errorOf([&] { raster.scanLine(-1); }), kScanLineOutOfRange);
    EXPECT_EQ(errorOf([&] { raster.scanLine(1); }), "no error");
}

TEST(TBitmap, aStoreTooLargeFailsAndKeepsTheRaster)
{
    TBitmap raster;
    paintCoordinates(raster, 3, 2);
    EXPECT_EQ(errorOf([&] { raster.setSize(65535, 65535); }), kOutOfResources);
    EXPECT_EQ(errorOf([&] { raster.setWidth(400'000'000); }), kOutOfResources);
    EXPECT_EQ(raster.width(), 3);
    EXPECT_EQ(raster.height(), 2);
    EXPECT_EQ(pixelAt(raster, 2, 1), (Bgr {2, 1, 7}));
}

TEST(TBitmap, drawingOnAnEmptyRasterDoesNothing)
{
    TBitmap raster;
    raster.setHeight(5);
    TCanvas &canvas = raster.canvas();
    canvas.moveTo(0, 0);
    canvas.lineTo(4, 4);
    canvas.fillRect({0, 0, 5, 5});
    canvas.textOut(0, 0, QStringLiteral("7"));
    QImage picture(2, 2, QImage::Format_BGR888);
    picture.fill(Qt::black);
    canvas.draw(0, 0, picture);
    EXPECT_TRUE(raster.isEmpty());

    RowTable rows;
    RebuildRowTable(rows, raster);
    EXPECT_EQ(rows.height(), 0);
    EXPECT_TRUE(rows.isEmpty());
}

TEST(CopyRect, shiftingABlockOnItsOwnRasterMovesEveryPixelOnce)
{
    // The framing step of loading: a W x H picture at (0, 0) of a (W + 2) x (H + 2) raster
    // is moved to (1, 1).
    TBitmap raster;
    paintCoordinates(raster, 6, 4);
    raster.setSize(8, 6);
    CopyRect(raster, 1, 1, 6, 4, raster, 0, 0);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x)
            ASSERT_EQ(pixelAt(raster, x + 1, y + 1), (Bgr {x, y, 7})) << x << "," << y;
    }
    // Row 0 and column 0 are not written by the copy.
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(pixelAt(raster, x, 0), (Bgr {x, 0, 7}));
    for (int y = 0; y < 4; ++y)
        EXPECT_EQ(pixelAt(raster, 0, y), (Bgr {0, y, 7}));
}

TEST(CopyRect, shiftingUpAndLeftOnItsOwnRasterDoesNotSmear)
{
    TBitmap raster;
    paintCoordinates(raster, 5, 5);
    CopyRect(raster, 0, 0, 4, 4, raster, 1, 1);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x)
            ASSERT_EQ(pixelAt(raster, x, y), (Bgr {x + 1, y + 1, 7}));
    }
}

TEST(CopyRect, onlyPixelsInsideBothRastersAreCopied)
{
    TBitmap source, dest;
    paintCoordinates(source, 3, 3);
    dest.setSize(4, 4);
    dest.canvas().Brush.Color = clBlack;
    dest.canvas().fillRect(dest.canvas().clipRect());
    // The block reaches past the source's right and bottom edges and past dest's left edge.
    CopyRect(dest, -1, 1, 5, 5, source, 0, 0);
    EXPECT_EQ(asciiOf(dest)[0], "####");
    EXPECT_EQ(pixelAt(dest, 0, 1), (Bgr {1, 0, 7}));
    EXPECT_EQ(pixelAt(dest, 1, 3), (Bgr {2, 2, 7}));
    EXPECT_EQ(pixelAt(dest, 2, 1), (Bgr {0, 0, 0})); // its source lies past the right edge
    TBitmap empty;
    CopyRect(dest, 0, 0, 4, 4, empty, 0, 0);
    EXPECT_EQ(pixelAt(dest, 0, 1), (Bgr {1, 0, 7}));
}

TEST(TCanvas, fillRectClipsToTheRaster)
{
    PictureStore store;
    drawAscii(store.workRaster, store.rowTable, {"####", "####", "####"});
    store.workRaster.canvas().fillRect({-2, 1, 2, 9});
    EXPECT_EQ(asciiOf(store.workRaster), (std::vector<std::string> {"####", "..##", "..##"}));
}

TEST(TCanvas, wideLinesAreSolidRoundAndNotSmoothed)
{
    TBitmap raster;
    raster.setSize(40, 20);
    TCanvas &canvas = raster.canvas();
    canvas.Pen.Width = 5;
    canvas.moveTo(5, 10);
    canvas.lineTo(30, 10);
    int black = 0;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 40; ++x) {
            const Bgr p = pixelAt(raster, x, y);
            ASSERT_TRUE(p == (Bgr {0, 0, 0}) || p == (Bgr {255, 255, 255})) << x << "," << y;
            black += p.red == 0;
        }
    }
    // Five rows thick along the segment, with round ends beyond both end points.
    for (int y = 8; y <= 12; ++y)
        EXPECT_EQ(pixelAt(raster, 17, y).red, 0) << y;
    EXPECT_EQ(pixelAt(raster, 17, 6).red, 255);
    EXPECT_EQ(pixelAt(raster, 17, 14).red, 255);
    EXPECT_EQ(pixelAt(raster, 3, 10).red, 0);
    EXPECT_EQ(pixelAt(raster, 3, 8).red, 255); // the corner of a square end would be black
    EXPECT_GT(black, 25 * 5);

    // The end point became the position: the next line starts there.
    canvas.Pen.Width = 1;
    canvas.Pen.Color = clRed;
    canvas.lineTo(30, 19);
    EXPECT_EQ(pixelAt(raster, 30, 16), (Bgr {0, 0, 255}));
}

TEST(TCanvas, linesAreClippedAtTheRasterEdge)
{
    TBitmap raster;
    raster.setSize(10, 10);
    raster.canvas().Pen.Width = 5;
    raster.canvas().moveTo(-20, 5);
    raster.canvas().lineTo(30, 5);
    EXPECT_EQ(raster.width(), 10);
    EXPECT_EQ(pixelAt(raster, 0, 5).red, 0);
    EXPECT_EQ(pixelAt(raster, 9, 5).red, 0);
}

TEST(TCanvas, textIsDrawnOpaqueInItsCell)
{
    TBitmap raster;
    raster.setSize(30, 30);
    raster.canvas().Brush.Color = clBlack;
    raster.canvas().fillRect(raster.canvas().clipRect());
    raster.canvas().Brush.Color = clWhite;
    raster.canvas().Font.Color = clRed;
    raster.canvas().textOut(5, 6, QStringLiteral("7"));

    const QFontMetrics metrics(TFont::qfont());
    ASSERT_EQ(metrics.ascent() + metrics.descent(), 13) << "the label font's cell must be 13 high";
    const int cellWidth = metrics.horizontalAdvance(QStringLiteral("7"));
    int red = 0;
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 30; ++x) {
            const Bgr p = pixelAt(raster, x, y);
            const bool inCell = x >= 5 && x < 5 + cellWidth && y >= 6 && y < 6 + 13;
            if (!inCell) {
                ASSERT_EQ(p, (Bgr {0, 0, 0})) << x << "," << y;
                continue;
            }
            ASSERT_TRUE(p == (Bgr {255, 255, 255}) || p == (Bgr {0, 0, 255})) << x << "," << y;
            red += p == (Bgr {0, 0, 255});
        }
    }
    EXPECT_GT(red, 5);

    // The position moved to the cell's top-right corner: a line drawn next starts there.
    raster.canvas().Pen.Color = clRed;
    raster.canvas().lineTo(5 + cellWidth, 29);
    EXPECT_EQ(pixelAt(raster, 5 + cellWidth, 22), (Bgr {0, 0, 255}));
    EXPECT_EQ(pixelAt(raster, 5 + cellWidth - 1, 22), (Bgr {0, 0, 0}));
}

TEST(TCanvas, textIsPixelForPixelWhatQPainterDrawsAtEveryEdge)
{
    // The reference: the cell filled and the text drawn by QPainter on the raster's own pixels.
    const QFont font = TFont::qfont();
    const QFontMetrics metrics(font);
    const int cellHeight = metrics.ascent() + metrics.descent();
    constexpr int kWidth = 20, kHeight = 18;
    for (char digit = '0'; digit <= '9'; ++digit) {
        const QString text(QChar::fromLatin1(digit));
        const int cellWidth = metrics.horizontalAdvance(text);
        for (const int x : {-cellWidth + 1, -2, 0, 6, kWidth - cellWidth, kWidth - 2, kWidth - 1}) {
            for (const int y : {-cellHeight + 1, -5, 0, 3, kHeight - cellHeight, kHeight - 4}) {
                TBitmap raster;
                paintCoordinates(raster, kWidth, kHeight);
                raster.canvas().Brush.Color = 0x336699;
                raster.canvas().Font.Color = clRed;
                QImage expected = raster.view().copy();
                QPainter painter(&expected);
                painter.fillRect(QRect(x, y, cellWidth, cellHeight), QColor(0x99, 0x66, 0x33));
                painter.setFont(font);
                painter.setPen(QColor(255, 0, 0));
                painter.drawText(x, y + metrics.ascent(), text);
                painter.end();

                raster.canvas().textOut(x, y, text);
                ASSERT_EQ(raster.view(), expected) << digit << " at " << x << "," << y;
            }
        }
    }
}

TEST(TFont, labelFontIsElevenPixelsAtNinetySixDpi)
{
    EXPECT_EQ(TFont::pixelSize(), 11);
    EXPECT_EQ(TFont::qfont().family(), QStringLiteral("DejaVu Sans"));
}

TEST(TCanvas, drawingAPictureCopiesItOneToOneAndClips)
{
    TBitmap raster;
    raster.setSize(4, 3);
    QImage picture(3, 2, QImage::Format_RGB32);
    picture.fill(QColor(30, 20, 10));
    raster.canvas().draw(2, 2, picture);
    EXPECT_EQ(pixelAt(raster, 2, 2), (Bgr {10, 20, 30}));
    EXPECT_EQ(pixelAt(raster, 3, 2), (Bgr {10, 20, 30}));
    EXPECT_EQ(pixelAt(raster, 1, 2), (Bgr {255, 255, 255}));
    EXPECT_EQ(pixelAt(raster, 2, 1), (Bgr {255, 255, 255}));
}

TEST(TBitmap, theViewShowsThePixelsWithoutSharingTheStore)
{
    TBitmap raster;
    paintCoordinates(raster, 3, 2);
    RowTable rows;
    RebuildRowTable(rows, raster);
    QImage copy = raster.view();
    copy.setPixelColor(0, 0, Qt::black); // detaches the copy, never the raster
    rows[1][3 * 2] = 99;
    EXPECT_EQ(pixelAt(raster, 2, 1).blue, 99);
    EXPECT_EQ(pixelAt(raster, 0, 0), (Bgr {0, 0, 7}));
    EXPECT_EQ(QColor(raster.view().pixel(2, 1)).blue(), 99);
}
