// Drawing with the mouse: the time of one mouse move in drawing mode (the line, the copy onto
// the display raster, the repaint), on the 700 x 500 start surface and on an 8000 x 6000
// picture. A mouse sends about 100 moves a second, so one move must take well under 10 ms.
//
//   Drawing/window       what the window does: the line, a copy of the block that it changed,
//                        a repaint of what of it the window shows
//   Drawing/wholeCopy    the line, a copy of the whole work raster, a repaint of the window
#include "ui/MainWindow.h"

#include <QApplication>
#include <QMouseEvent>

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>

namespace {

// A shown window whose work raster is width x height and white, published to the display
// raster by a recognition pass as after loading a picture of that size.
void prepare(TForm1 &form, int width, int height)
{
    form.show();
    PictureStore &store = form.pictureStore();
    if (width != store.workRaster.width() || height != store.workRaster.height()) {
        store.workRaster.setSize(width, height);
        RebuildRowTable(store.rowTable, store.workRaster);
        form.Button2Click();
    }
    QCoreApplication::processEvents();
}

// The mouse runs round a circle of radius 150 in 100 moves: segments of about 9 pixels.
QPoint mouseAt(std::int64_t move)
{
    const double a = 2 * std::numbers::pi * double(move % 100) / 100;
    return QPoint(600 + int(150 * std::cos(a)), 300 + int(150 * std::sin(a)));
}

void send(TForm1 &form, QEvent::Type type, QPoint at, Qt::MouseButton button)
{
    QMouseEvent event(type, at, form.mapToGlobal(at), button, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &event);
}

void windowMoves(benchmark::State &state)
{
    TForm1 form;
    prepare(form, int(state.range(0)), int(state.range(1)));
    std::int64_t move = 0;
    send(form, QEvent::MouseButtonPress, mouseAt(move), Qt::LeftButton);
    for (auto _ : state)
        send(form, QEvent::MouseMove, mouseAt(++move), Qt::NoButton);
    send(form, QEvent::MouseButtonRelease, mouseAt(move), Qt::LeftButton);
    state.counters["moves"] = benchmark::Counter(double(move), benchmark::Counter::kIsRate);
}

void wholeCopyMoves(benchmark::State &state)
{
    TForm1 form;
    prepare(form, int(state.range(0)), int(state.range(1)));
    PictureStore &store = form.pictureStore();
    TCanvas &canvas = store.workRaster.canvas();
    canvas.Pen.Width = 5;
    std::int64_t move = 0;
    for (auto _ : state) {
        const QPoint from = mouseAt(move) - form.viewOffset();
        const QPoint to = mouseAt(++move) - form.viewOffset();
        canvas.moveTo(from.x(), from.y());
        canvas.lineTo(to.x(), to.y());
        CopyRect(store.displayRaster, 0, 0, store.displayRaster.width(),
            store.displayRaster.height(), store.workRaster, 0, 0);
        form.repaint();
    }
    state.counters["moves"] = benchmark::Counter(double(move), benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(windowMoves)
    ->Name("Drawing/window")
    ->Args({700, 500})
    ->Args({8000, 6000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(wholeCopyMoves)
    ->Name("Drawing/wholeCopy")
    ->Args({700, 500})
    ->Args({8000, 6000})
    ->Unit(benchmark::kMillisecond);
