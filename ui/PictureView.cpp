// The main window's view: the display raster painted at the view offset with the layer of
// labels over it, kept equal to the work raster block by block as strokes change it, and moved
// by the wheel and Home.
#include "ui/MainWindow.h"

#include "recognition/LabelLayer.h"
#include "ui/Application.h"

#include <QPaintEvent>
#include <QPainter>

namespace {

QRect rasterRect(const TBitmap &raster)
{
    return QRect(0, 0, raster.width(), raster.height());
}

} // namespace

void TForm1::paintEvent(QPaintEvent *event)
{
    RunHandler([&] {
        QPainter painter(this);
        FormPaint(painter, event->rect());
    });
}

void TForm1::FormPaint(QPainter &painter, const QRect &area)
{
    // Only the part of the display raster inside the area being painted is drawn, so that the
    // cost follows the window's size, not the picture's. Qt's backing store double-buffers the
    // paint: it goes to an off-screen picture filled with the background first, and reaches the
    // screen in one piece.
    const QImage picture = m_store.displayRaster.view();
    if (picture.isNull())
        return;
    const QRect target = QRect(m_viewOffset, picture.size()).intersected(area);
    if (target.isEmpty())
        return;
    painter.drawImage(target.topLeft(), picture, target.translated(-m_viewOffset));
    PaintLayer(painter, m_viewOffset, picture.size(), m_layer);
}

void TForm1::publishStroke(const QRect &changed)
{
    TBitmap &display = m_store.displayRaster;
    const TBitmap &work = m_store.workRaster;
    if (!m_displayMatchesWork) {
        catchUpDisplay();
        return;
    }
    const QRect block = changed.intersected(rasterRect(display)).intersected(rasterRect(work));
    if (block.isEmpty())
        return;
    CopyRect(
        display, block.x(), block.y(), block.width(), block.height(), work, block.x(), block.y());
    repaint(block.translated(m_viewOffset));
}

void TForm1::catchUpDisplay()
{
    TBitmap &display = m_store.displayRaster;
    CopyRect(display, 0, 0, display.width(), display.height(), m_store.workRaster, 0, 0);
    m_displayMatchesWork = true;
    repaint();
}

void TForm1::ScrollView(QPoint by)
{
    if (by.isNull())
        return;
    m_viewOffset += by;
    repaint();
}

void TForm1::ResetView()
{
    if (m_viewOffset == kStartViewOffset)
        return;
    m_viewOffset = kStartViewOffset;
    repaint();
}
