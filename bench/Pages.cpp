#include "bench/Pages.h"

#include <QFont>
#include <QPainter>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

void start(PictureStore &store, int width, int height)
{
    store.workRaster.setSize(width, height);
    store.workRaster.canvas().fillRect(store.workRaster.canvas().clipRect());
}

void setDark(PictureStore &store, int x, int y)
{
    std::memset(store.workRaster.scanLine(y) + 3 * x, 0, 3);
}

} // namespace

void makeDigitPage(PictureStore &store, int width, int height)
{
    start(store, width, height);
    QImage page(width, height, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(90); // digits about 66 pixels tall with strokes about 8 wide
    font.setStyleStrategy(QFont::NoAntialias);
    painter.setFont(font);
    painter.setPen(Qt::black);
    const int cellWidth = 57;
    const int cellHeight = 70;
    int digit = 0;
    for (int y = 0; y + cellHeight < height; y += cellHeight) {
        for (int x = 0; x + cellWidth < width; x += cellWidth) {
            painter.drawText(x + 4, y + 68, QString::number(digit % 10));
            ++digit;
        }
    }
    painter.end();
    store.workRaster.canvas().draw(0, 0, page);
    RebuildRowTable(store.rowTable, store.workRaster);
}

void makeNoisePage(PictureStore &store, int width, int height, int percent)
{
    start(store, width, height);
    std::uint64_t state = 0x9E3779B97F4A7C15u; // xorshift64, the same page every time
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            if (int(state % 100) < percent)
                setDark(store, x, y);
        }
    }
    RebuildRowTable(store.rowTable, store.workRaster);
}

namespace {

// Vertical strips `stroke` wide at a pitch of twice that, from the top row to the bottom.
void drawTeeth(PictureStore &store, int width, int height, int stroke)
{
    for (int left = 0; left + stroke <= width; left += 2 * stroke) {
        for (int y = 0; y < height; ++y) {
            for (int x = left; x < left + stroke; ++x)
                setDark(store, x, y);
        }
    }
}

} // namespace

void makeStripesPage(PictureStore &store, int width, int height, int stroke)
{
    start(store, width, height);
    drawTeeth(store, width, height, stroke);
    RebuildRowTable(store.rowTable, store.workRaster);
}

void makeCombPage(PictureStore &store, int width, int height, int stroke)
{
    start(store, width, height);
    drawTeeth(store, width, height, stroke);
    for (int y = height - stroke; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            setDark(store, x, y);
    }
    RebuildRowTable(store.rowTable, store.workRaster);
}

void makeStaircasePage(PictureStore &store, int width, int height, int stroke)
{
    start(store, width, height);
    const int strips = std::min(width / (2 * stroke), (height - 1) / stroke);
    for (int k = 0; k < strips; ++k) {
        const int left = width - 2 * stroke * (k + 1);
        for (int y = 0; y < height; ++y) {
            for (int x = left; x < left + stroke; ++x)
                setDark(store, x, y);
        }
        // The step joining strip k to strip k - 1, `stroke` rows high, one step lower each time.
        for (int y = k * stroke; k > 0 && y < (k + 1) * stroke; ++y) {
            for (int x = left + stroke; x < left + 2 * stroke; ++x)
                setDark(store, x, y);
        }
    }
    RebuildRowTable(store.rowTable, store.workRaster);
}
