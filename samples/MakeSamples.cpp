// Makes the sample pictures in samples/: digits drawn with the program's own 5-pixel round pen,
// as a user would draw them with the mouse, and digits rendered in a font.
//
//   make_samples OUTPUT_DIRECTORY
#include "picture/PictureStore.h"

#include <QDir>
#include <QGuiApplication>
#include <QPainter>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

namespace {

using Stroke = std::vector<QPointF>;

// Points along an elliptic arc centred at (cx, cy), from angle a0 to a1 in degrees
// (0 = right, 90 = down, as y grows downwards).
Stroke arc(double cx, double cy, double rx, double ry, double a0, double a1)
{
    Stroke stroke;
    const int steps = 24;
    for (int i = 0; i <= steps; ++i) {
        const double a = (a0 + (a1 - a0) * i / steps) * std::numbers::pi / 180;
        stroke.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
    }
    return stroke;
}

Stroke join(Stroke a, const Stroke &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Each digit in a 40 x 60 box, as one or two strokes.
std::vector<Stroke> digitStrokes(int digit)
{
    switch (digit) {
    case 0:
        return {arc(20, 30, 18, 28, 0, 360)};
    case 1:
        return {{{8, 12}, {22, 0}, {22, 60}}};
    case 2:
        return {join(arc(20, 17, 17, 16, 190, 380), Stroke {{4, 60}, {40, 60}})};
    case 3:
        return {join(arc(19, 15, 15, 14, 200, 450), arc(19, 44, 17, 16, 270, 520))};
    case 4:
        return {{{30, 60}, {30, 0}, {2, 42}, {40, 42}}};
    case 5:
        return {join(Stroke {{36, 0}, {8, 0}, {6, 26}}, arc(20, 40, 17, 19, 235, 495))};
    case 6:
        return {join(
            Stroke {{34, 2}}, join(arc(30, 34, 26, 32, 250, 180), arc(20, 43, 17, 17, 180, 540)))};
    case 7:
        return {{{2, 0}, {40, 0}, {16, 60}}};
    case 8:
        return {join(arc(20, 15, 14, 14, 90, 450), arc(20, 44, 17, 16, -90, 270))};
    default:
        return {join(arc(20, 18, 17, 17, 0, 360), Stroke {{37, 18}, {32, 60}})};
    }
}

bool save(const TBitmap &raster, const QString &path)
{
    if (!raster.view().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_samples OUTPUT_DIRECTORY\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));

    // Pen-drawn digits, 0 to 9 in a row, on a white surface.
    TBitmap pen;
    pen.setSize(10 * 64 + 24, 110);
    TCanvas &canvas = pen.canvas();
    canvas.Pen.Width = 5;
    canvas.Pen.Color = clBlack;
    for (int digit = 0; digit < 10; ++digit) {
        const QPointF origin(16 + 64 * digit, 30);
        for (const Stroke &stroke : digitStrokes(digit)) {
            const QPoint first = (origin + stroke.front()).toPoint();
            canvas.moveTo(first.x(), first.y());
            for (const QPointF &p : stroke) {
                const QPoint q = (origin + p).toPoint();
                canvas.lineTo(q.x(), q.y());
            }
        }
    }

    // Font digits, 0 to 9, rendered without smoothing.
    QImage font(10 * 50 + 20, 100, QImage::Format_RGB32);
    font.fill(Qt::white);
    QPainter painter(&font);
    QFont face(QStringLiteral("DejaVu Sans"));
    face.setPixelSize(64);
    face.setStyleStrategy(QFont::NoAntialias);
    painter.setFont(face);
    painter.setPen(Qt::black);
    for (int digit = 0; digit < 10; ++digit)
        painter.drawText(12 + 50 * digit, 80, QString::number(digit));
    painter.end();
    TBitmap fontRaster;
    fontRaster.setSize(font.width(), font.height());
    fontRaster.canvas().draw(0, 0, font);

    const bool ok = save(pen, out.filePath(QStringLiteral("pen-digits.bmp"))) &&
        save(fontRaster, out.filePath(QStringLiteral("font-digits.bmp"))) &&
        save(fontRaster, out.filePath(QStringLiteral("font-digits.jpg")));
    return ok ? 0 : 1;
}
