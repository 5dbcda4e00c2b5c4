// The layer of labels: composed into a raster it writes what the pass's labels write, and
// painted over a copy of the raster it gives the same pixels, at the edges and where labels
// overlap too.
#include "recognition/LabelLayer.h"

#include "picture/TBitmap.h"
#include "recognition/RecognizeAll.h"
#include "tests/support/Fixtures.h"

#include <gtest/gtest.h>

#include <QPainter>

namespace {

// A 60 x 40 grey raster with a dark square, so that both the label's box and the pixels it
// leaves alone can be told from white.
void paintBackground(TBitmap &raster)
{
    raster.setSize(60, 40);
    TCanvas &canvas = raster.canvas();
    canvas.Brush.Color = 0x808080;
    canvas.fillRect(canvas.clipRect());
    canvas.Brush.Color = 0x202020;
    canvas.fillRect({20, 15, 35, 30});
    canvas.Brush.Color = clWhite;
}

struct LayerCase
{
    const char *name;
    LabelLayer layer;
};

} // namespace

TEST(LabelLayer, paintedOverTheRasterItGivesWhatComposingWrites)
{
    const LayerCase cases[] = {
        {"oneLabelInside", {{{20, 20}, '3'}}},
        {"overlappingLabelsTheLaterOnTop", {{{20, 20}, '8'}, {{24, 22}, '1'}}},
        {"cutByTheTopAndLeftEdges", {{{-3, 5}, '0'}, {{10, 2}, '7'}}},
        {"cutByTheRightAndBottomEdges", {{{56, 39}, '4'}, {{59, 50}, '9'}}},
        {"whollyOutside", {{{-40, 20}, '5'}, {{20, 80}, '6'}}},
        {"empty", {}},
    };
    for (const LayerCase &row : cases) {
        SCOPED_TRACE(row.name);
        TBitmap composed;
        paintBackground(composed);
        ComposeLayer(composed, row.layer);

        // The same labels written one by one, as the pass writes them.
        TBitmap written;
        paintBackground(written);
        for (const LayerLabel &label : row.layer)
            WriteLabel(written.canvas(), label.start, label.digit);
        EXPECT_TRUE(sameRasters(composed, written));

        // Painted over the raster at an offset, onto a larger surface: the same pixels there,
        // and nothing outside the raster's place.
        TBitmap plain;
        paintBackground(plain);
        QImage surface(100, 80, QImage::Format_RGB32);
        surface.fill(Qt::blue);
        const QPoint origin(13, 7);
        {
            QPainter painter(&surface);
            painter.drawImage(origin, plain.view());
            PaintLayer(painter, origin, QSize(plain.width(), plain.height()), row.layer);
        }
        EXPECT_EQ(surface.copy(QRect(origin, QSize(60, 40))).convertToFormat(QImage::Format_BGR888),
            composed.view());
        QImage outside = surface;
        {
            QPainter painter(&outside);
            painter.fillRect(QRect(origin, QSize(60, 40)), Qt::blue);
        }
        for (int y = 0; y < outside.height(); ++y)
            for (int x = 0; x < outside.width(); ++x)
                ASSERT_EQ(outside.pixel(x, y), qRgb(0, 0, 255)) << x << ", " << y;
    }
}

TEST(LabelLayer, aShiftMovesEveryLabelAsCroppingTheComposedRasterWould)
{
    const LabelLayer layer {{{1, 16}, '2'}, {{30, 20}, '5'}, {{58, 38}, '0'}};
    TBitmap whole;
    paintBackground(whole);
    ComposeLayer(whole, layer);
    TBitmap cropped;
    cropped.setSize(58, 38);
    TBitmap background;
    paintBackground(background);
    CopyRect(cropped, 0, 0, 58, 38, background, 1, 1);
    ComposeLayer(cropped, layer, QPoint(-1, -1));
    EXPECT_EQ(cropped.view(), whole.view().copy(1, 1, 58, 38));
}
