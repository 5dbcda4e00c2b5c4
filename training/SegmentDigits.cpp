#include "training/SegmentDigits.h"

#include <QDir>
#include <QPolygonF>
#include <QTransform>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace {

constexpr int kPad = 3; // paper around every frame

// Segments a to g as bits 0 to 6.
enum : unsigned { A = 1, B = 2, C = 4, D = 8, E = 16, F = 32, G = 64 };

unsigned segmentsOf(int digit, const TrainingSegmentStyle &style)
{
    switch (digit) {
    case 0:
        return A | B | C | D | E | F;
    case 1:
        return B | C;
    case 2:
        return A | B | G | E | D;
    case 3:
        return A | B | G | C | D;
    case 4:
        return F | G | B | C;
    case 5:
        return A | F | G | C | D;
    case 6:
        return (style.sixTail ? A : 0u) | F | G | E | D | C;
    case 7:
        return A | B | C | (style.sevenHook ? F : 0u);
    case 8:
        return A | B | C | D | E | F | G;
    default:
        return A | B | C | F | G | (style.nineTail ? D : 0u);
    }
}

using Segments = std::array<QPolygonF, 7>; // a, b, c, d, e, f, g

// The same polygon with x and y swapped: a horizontal segment's outline made vertical.
QPolygonF transposed(const QPolygonF &polygon)
{
    QPolygonF out;
    for (const QPointF &p : polygon)
        out << QPointF(p.y(), p.x());
    return out;
}

QPolygonF mirroredX(const QPolygonF &polygon, double width)
{
    QPolygonF out;
    for (const QPointF &p : polygon)
        out << QPointF(width - p.x(), p.y());
    return out;
}

QPolygonF mirroredY(const QPolygonF &polygon, double height)
{
    QPolygonF out;
    for (const QPointF &p : polygon)
        out << QPointF(p.x(), height - p.y());
    return out;
}

// A horizontal hexagon on the line y from x0 to x1, its tips `inset` in from the ends, half
// as tall as `half` either side; the points shrink when the bar is too short for them.
QPolygonF hexagon(double x0, double x1, double y, double inset, double half)
{
    const double left = x0 + inset, right = x1 - inset;
    const double point = std::min(half, (right - left) / 2);
    return QPolygonF({{left, y}, {left + point, y - half}, {right - point, y - half}, {right, y},
        {right - point, y + half}, {left + point, y + half}});
}

// Hexagons on the cell's centre lines: the corner and middle points are where the centre lines
// meet, and two tips facing one across a corner are G apart between their parallel flanks.
Segments pointed(double w, double h, double t, double g)
{
    const double inset = g / std::numbers::sqrt2, r = t / 2;
    const double xl = r, xr = w - r, yt = r, ym = h / 2, yb = h - r;
    return {hexagon(xl, xr, yt, inset, r), transposed(hexagon(yt, ym, xr, inset, r)),
        transposed(hexagon(ym, yb, xr, inset, r)), hexagon(xl, xr, yb, inset, r),
        transposed(hexagon(ym, yb, xl, inset, r)), transposed(hexagon(yt, ym, xl, inset, r)),
        hexagon(xl, xr, ym, inset, r)};
}

// The border band T wide, cut at 45 degrees through the outer corners with a gap G along the
// cut; g a hexagon whose points sit in notches of f/e and b/c, which meet flat at the middle.
//
//     \______________/         f's lower end: the inner edge stops where a 45-degree cut G
//    |\              /|        from g's flank begins; the cut runs out to the row G/2 above
//    | |            | |        the middle, and from there the end is flat to the outer edge.
//    | |____________| |
//    |/_____<g>______\|
Segments mitred(double w, double h, double t, double g)
{
    const double c = g / std::numbers::sqrt2, ym = h / 2;
    const double notch = t / 2 - c + g / 2; // where f's cut meets its flat end
    const QPolygonF a({{c, 0}, {w - c, 0}, {w - t - c, t}, {t + c, t}});
    const QPolygonF f(
        {{0, c}, {t, t + c}, {t, ym - t / 2 - c}, {notch, ym - g / 2}, {0, ym - g / 2}});
    const QPolygonF middle({{t / 2 + c, ym}, {t + c, ym - t / 2}, {w - t - c, ym - t / 2},
        {w - t / 2 - c, ym}, {w - t - c, ym + t / 2}, {t + c, ym + t / 2}});
    return {a, mirroredX(f, w), mirroredX(mirroredY(f, h), w), mirroredY(a, h), mirroredY(f, h), f,
        middle};
}

// Rectangles: the columns b, c, e, f full height with a gap G between each pair at the middle,
// the rows a, g, d between the columns, G from them.
Segments square(double w, double h, double t, double g)
{
    const double ym = h / 2;
    auto box = [](double x0, double y0, double x1, double y1) {
        return QPolygonF({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}});
    };
    return {box(t + g, 0, w - t - g, t), box(w - t, 0, w, ym - g / 2), box(w - t, ym + g / 2, w, h),
        box(t + g, h - t, w - t - g, h), box(0, ym + g / 2, t, h), box(0, 0, t, ym - g / 2),
        box(t + g, ym - t / 2, w - t - g, ym + t / 2)};
}

double leanOf(const TrainingSegmentStyle &style)
{
    return std::tan(style.slant * std::numbers::pi / 180);
}

// The segments in the cell, slanted: x' = x + tan(slant) (H - y), the bottom row stays.
Segments segmentsIn(const TrainingSegmentStyle &style)
{
    const double h = style.height, w = style.width * h;
    const double t = style.thickness * h, g = style.gap * h;
    Segments segments = style.ends == SegmentEnds::Pointed ? pointed(w, h, t, g)
        : style.ends == SegmentEnds::Mitred                ? mitred(w, h, t, g)
                                                           : square(w, h, t, g);
    const double lean = leanOf(style);
    const QTransform shear(1, 0, -lean, 1, lean * h, 0);
    for (QPolygonF &segment : segments)
        segment = shear.map(segment);
    return segments;
}

QPainterPath pathOf(const QPolygonF &polygon)
{
    QPainterPath path;
    path.addPolygon(polygon);
    path.closeSubpath();
    return path;
}

struct Frame
{
    int width = 0, height = 0, origin = 0, baseline = 0;
};

Frame drawnFrame(const TrainingSegmentStyle &style)
{
    const double cell = style.height * (style.width + leanOf(style));
    return {int(std::ceil(cell)) + 2 * kPad, int(std::ceil(style.height)) + 2 * kPad, kPad,
        kPad + int(std::ceil(style.height))};
}

QPainterPath glyphPath(const QRawFont &font, int digit)
{
    const QList<quint32> glyphs = font.glyphIndexesForString(QString::number(digit));
    if (glyphs.size() != 1 || glyphs[0] == 0)
        throw std::runtime_error(
            font.familyName().toStdString() + ": no digit " + std::to_string(digit));
    return font.pathForGlyph(glyphs[0]);
}

// The frame of a font digit: the pen's advance, the font's ascent and descent and whatever ink
// of the digit or of the face's "8" overhangs them.
Frame fontFrame(const QRawFont &font, int digit, double &advance)
{
    const QList<quint32> glyphs = font.glyphIndexesForString(QString::number(digit));
    advance = font.advancesForGlyphIndexes(glyphs).value(0).x();
    const QRectF bounds =
        glyphPath(font, digit).boundingRect().united(glyphPath(font, 8).boundingRect());
    const int left = int(std::floor(std::min(0.0, bounds.left()))) - kPad;
    const int right = int(std::ceil(std::max(advance, bounds.right()))) + kPad;
    const int top = std::min(-int(std::ceil(font.ascent())), int(std::floor(bounds.top()))) - kPad;
    const int bottom =
        std::max(int(std::ceil(font.descent())), int(std::ceil(bounds.bottom()))) + kPad;
    return {right - left, bottom - top, -left, -top};
}

// The ink of `all` that `lit` does not cover.
InkPicture without(InkPicture all, const InkPicture &lit)
{
    for (std::size_t i = 0; i < all.ink.size(); ++i)
        all.ink[i] = std::max(0.0f, all.ink[i] - lit.ink[i]);
    return all;
}

} // namespace

TrainingSegmentStyle RandomTrainingSegmentStyle(std::mt19937 &random, double height)
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    TrainingSegmentStyle style;
    style.height = height;
    style.thickness = 0.08 + 0.08 * unit(random);
    style.gap = 0.01 + 0.09 * unit(random);
    // Rows a, g and d keep a straight part of at least a fifth of the height.
    const double narrowest = std::clamp(2 * style.thickness + 2 * style.gap + 0.2, 0.45, 0.70);
    style.width = narrowest + (0.70 - narrowest) * unit(random);
    style.slant = unit(random) < 1.0 / 3 ? 0.0 : 14.0 * unit(random);
    style.ends = std::array {SegmentEnds::Pointed, SegmentEnds::Mitred,
        SegmentEnds::Square}[std::size_t(unit(random) * 3) % 3];
    style.sixTail = unit(random) < 0.5;
    style.nineTail = unit(random) < 0.5;
    style.sevenHook = unit(random) < 0.5;
    style.pitch = style.width + 0.16 + 0.2 * unit(random);
    return style;
}

SegmentInk DrawnSegmentDigit(int digit, const TrainingSegmentStyle &style, bool withUnlit)
{
    const Segments segments = segmentsIn(style);
    const unsigned on = segmentsOf(digit, style);
    QPainterPath lit, unlit;
    for (unsigned s = 0; s < 7; ++s)
        (on & (1u << s) ? lit : unlit).addPath(pathOf(segments[s]));
    const Frame frame = drawnFrame(style);
    const QPointF offset(kPad, kPad);
    SegmentInk ink;
    ink.lit = PaintInk(lit, frame.width, frame.height, offset);
    if (withUnlit)
        ink.unlit = PaintInk(unlit, frame.width, frame.height, offset);
    ink.origin = frame.origin;
    ink.baseline = frame.baseline;
    ink.advance = style.pitch * style.height;
    return ink;
}

std::vector<InkPicture> DrawnSegmentPieces(int digit, const TrainingSegmentStyle &style)
{
    const Segments segments = segmentsIn(style);
    const unsigned on = segmentsOf(digit, style);
    const Frame frame = drawnFrame(style);
    std::vector<InkPicture> pieces;
    for (unsigned s = 0; s < 7; ++s)
        if (on & (1u << s))
            pieces.push_back(
                PaintInk(pathOf(segments[s]), frame.width, frame.height, QPointF(kPad, kPad)));
    return pieces;
}

std::vector<QString> ClassicSegmentFontFiles()
{
    const QDir dseg(QStringLiteral("/usr/share/fonts/truetype/dseg"));
    std::vector<QString> files;
    for (const QString &name : dseg.entryList(
             {QStringLiteral("DSEG7Classic-*.ttf"), QStringLiteral("DSEG7ClassicMini-*.ttf")},
             QDir::Files, QDir::Name))
        files.push_back(dseg.filePath(name));
    return files;
}

SegmentInk FontSegmentDigit(const QRawFont &font, int digit, bool withUnlit)
{
    SegmentInk ink;
    const Frame frame = fontFrame(font, digit, ink.advance);
    const QPointF offset(frame.origin, frame.baseline);
    ink.lit = PaintInk(glyphPath(font, digit), frame.width, frame.height, offset);
    if (withUnlit)
        ink.unlit =
            without(PaintInk(glyphPath(font, 8), frame.width, frame.height, offset), ink.lit);
    ink.origin = frame.origin;
    ink.baseline = frame.baseline;
    return ink;
}

std::vector<InkPicture> FontSegmentPieces(const QRawFont &font, int digit)
{
    double advance = 0;
    const Frame frame = fontFrame(font, digit, advance);
    const QPointF offset(frame.origin, frame.baseline);
    std::vector<InkPicture> pieces;
    for (const QPolygonF &outline : glyphPath(font, digit).toSubpathPolygons())
        pieces.push_back(PaintInk(pathOf(outline), frame.width, frame.height, offset));
    return pieces;
}
