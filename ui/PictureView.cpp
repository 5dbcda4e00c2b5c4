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

// One axis of a wheel move: the picture spans [offset, offset + size) and the view area
// [from, to). The move stops where `keep` pixels of the picture (all of it when smaller) stay
// in the area; a picture already further out is not moved further.
int boundedScroll(int offset, int by, int size, int from, int to, int keep)
{
    keep = std::min(keep, size);
    const int least = from + keep - size; // the picture's last `keep` pixels at the area's start
    const int most = to - keep;           // its first `keep` pixels at the area's end
    const std::int64_t moved = std::int64_t(offset) + by;
    if (by < 0)
        return int(std::max<std::int64_t>(moved, std::min(offset, least)));
    return int(std::min<std::int64_t>(moved, std::max(offset, most)));
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
    const TBitmap &picture = m_store.displayRaster;
    const QRect view(kStartViewOffset, QPoint(width() - 1, height() - 1));
    const QPoint moved(boundedScroll(m_viewOffset.x(), by.x(), picture.width(), view.left(),
                           view.right() + 1, kKeepInView),
        boundedScroll(m_viewOffset.y(), by.y(), picture.height(), view.top(), view.bottom() + 1,
            kKeepInView));
    if (moved == m_viewOffset)
        return;
    m_viewOffset = moved;
    repaint();
}

void TForm1::ResetView()
{
    if (m_viewOffset == kStartViewOffset)
        return;
    m_viewOffset = kStartViewOffset;
    repaint();
}
