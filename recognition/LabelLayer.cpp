#include "recognition/LabelLayer.h"

#include "picture/TBitmap.h"
#include "recognition/RecognizeAll.h"

#include <QPainter>

#include <array>

namespace {

// Every pixel a label may write, relative to the first pixel of what it labels.
QRect labelReach(char digit)
{
    return TCanvas::textReach(QString(QChar::fromLatin1(digit))).translated(0, -kLabelRise);
}

// A label as a picture to lay on: what WriteLabel writes, opaque, and transparent everywhere
// it writes nothing. It is written over black, a colour that a label never writes, so that
// every pixel still black is one it left alone.
QImage makeStamp(char digit)
{
    const QRect reach = labelReach(digit);
    TBitmap cell;
    cell.setSize(reach.width(), reach.height());
    TCanvas &canvas = cell.canvas();
    const TColor brush = canvas.Brush.Color;
    canvas.Brush.Color = clBlack;
    canvas.fillRect(canvas.clipRect());
    canvas.Brush.Color = brush;
    WriteLabel(canvas, Point {-reach.x(), -reach.y()}, digit);

    QImage stamp = cell.view().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < stamp.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(stamp.scanLine(y));
        for (int x = 0; x < stamp.width(); ++x) {
            if (row[x] == qRgb(0, 0, 0))
                row[x] = qRgba(0, 0, 0, 0);
        }
    }
    return stamp;
}

// The digits' stamps are made once per thread, as the label font's glyphs are measured; any
// other character's each time it is asked for.
QImage stampFor(char digit)
{
    if (digit < '0' || digit > '9')
        return makeStamp(digit);
    thread_local std::array<QImage, 10> stamps;
    QImage &stamp = stamps[std::size_t(digit - '0')];
    if (stamp.isNull())
        stamp = makeStamp(digit);
    return stamp;
}

} // namespace

LabelLayer LayerOf(const std::vector<Glyph> &glyphs)
{
    LabelLayer layer;
    layer.reserve(glyphs.size());
    for (const Glyph &glyph : glyphs)
        layer.push_back({glyph.start, glyph.digit});
    return layer;
}

void ComposeLayer(TBitmap &raster, const LabelLayer &layer, QPoint shift)
{
    for (const LayerLabel &label : layer) {
        const Point at {label.start.x + shift.x(), label.start.y + shift.y()};
        WriteLabel(raster.canvas(), at, label.digit);
    }
}

void ComposeLayer(TBitmap &raster, const std::vector<Glyph> &glyphs)
{
    for (const Glyph &glyph : glyphs)
        WriteLabel(raster.canvas(), glyph.start, glyph.digit);
}

void PaintLayer(QPainter &painter, QPoint origin, QSize size, const LabelLayer &layer)
{
    if (layer.empty())
        return;
    painter.save();
    painter.setClipRect(QRect(origin, size), Qt::IntersectClip);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    for (const LayerLabel &label : layer) {
        const QRect reach = labelReach(label.digit);
        const QPoint at = origin + QPoint(label.start.x, label.start.y) + reach.topLeft();
        painter.drawImage(at, stampFor(label.digit));
    }
    painter.restore();
}
