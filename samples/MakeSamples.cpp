// Makes the sample pictures in samples/: digits drawn with the program's own 5-pixel round pen,
// as a user would draw them with the mouse, the same drawn so close that they touch, digits
// rendered in a font, and a seven-segment display's digits, each segment a blob of its own.
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

// The seven segments of a display's digit, a to g, and which of them each digit lights:
//
//      aaa
//     f   b
//      ggg
//     e   c
//      ddd
constexpr const char *kLit[10] = {
    "abcdef", "bc", "abdeg", "abcdg", "bcfg", "acdfg", "acdefg", "abc", "abcdefg", "abcdfg"};

// A segment from one end to the other, `thickness` wide, with pointed ends.
QPolygonF segment(QPointF from, QPointF to, double thickness)
{
    const QPointF along = (to - from) / std::hypot(to.x() - from.x(), to.y() - from.y());
    const QPointF across(-along.y(), along.x());
    const double half = thickness / 2;
    return QPolygonF({from, from + along * half + across * half, to - along * half + across * half,
        to, to - along * half - across * half, from + along * half - across * half});
}

// A digit in a cell `width` x `height` at (left, top), its segments `thickness` wide with a gap
// between them, leaning by `slant` (the top moved right by slant x height).
void paintSegmentDigit(QPainter &painter, int digit, double left, double top, double width,
    double height, double thickness, double gap, double slant)
{
    const double half = thickness / 2;
    const double x0 = left + half, x1 = left + width - half;
    const double y0 = top + half, y1 = top + height / 2, y2 = top + height - half;
    auto at = [&](double x, double y) { return QPointF(x + slant * (top + height - y), y); };
    for (const char *s = kLit[digit]; *s; ++s) {
        QPointF from, to;
        switch (*s) {
        case 'a':
            from = at(x0 + gap, y0), to = at(x1 - gap, y0);
            break;
        case 'g':
            from = at(x0 + gap, y1), to = at(x1 - gap, y1);
            break;
        case 'd':
            from = at(x0 + gap, y2), to = at(x1 - gap, y2);
            break;
        case 'f':
            from = at(x0, y0 + gap), to = at(x0, y1 - gap);
            break;
        case 'e':
            from = at(x0, y1 + gap), to = at(x0, y2 - gap);
            break;
        case 'b':
            from = at(x1, y0 + gap), to = at(x1, y1 - gap);
            break;
        default:
            from = at(x1, y1 + gap), to = at(x1, y2 - gap);
            break;
        }
        painter.drawPolygon(segment(from, to, thickness));
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

    // The same pen's digits so close that neighbours touch: 2, 0, 2, 6, 4, 5, 7, 8.
    TBitmap touching;
    touching.setSize(8 * 34 + 40, 110);
    TCanvas &close = touching.canvas();
    close.Pen.Width = 5;
    close.Pen.Color = clBlack;
    int place = 0;
    for (const int digit : {2, 0, 2, 6, 4, 5, 7, 8}) {
        const QPointF origin(16 + 34 * place++, 30);
        for (const Stroke &stroke : digitStrokes(digit)) {
            const QPoint first = (origin + stroke.front()).toPoint();
            close.moveTo(first.x(), first.y());
            for (const QPointF &p : stroke) {
                const QPoint q = (origin + p).toPoint();
                close.lineTo(q.x(), q.y());
            }
        }
    }

    // A display's digits, 0 to 9, each segment apart from the others, a little slanted.
    QImage display(10 * 52 + 28, 110, QImage::Format_RGB32);
    display.fill(Qt::white);
    QPainter segments(&display);
    segments.setPen(Qt::NoPen);
    segments.setBrush(Qt::black);
    for (int digit = 0; digit < 10; ++digit)
        paintSegmentDigit(segments, digit, 14 + 52 * digit, 24, 36, 64, 8, 2.5, 0.08);
    segments.end();
    TBitmap displayRaster;
    displayRaster.setSize(display.width(), display.height());
    displayRaster.canvas().draw(0, 0, display);

    const bool ok = save(pen, out.filePath(QStringLiteral("pen-digits.bmp"))) &&
        save(touching, out.filePath(QStringLiteral("touching-digits.bmp"))) &&
        save(displayRaster, out.filePath(QStringLiteral("seven-segment.bmp"))) &&
        save(fontRaster, out.filePath(QStringLiteral("font-digits.bmp"))) &&
        save(fontRaster, out.filePath(QStringLiteral("font-digits.jpg")));
    return ok ? 0 : 1;
}
