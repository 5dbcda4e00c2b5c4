#include "bench/SegmentStyle.h"

#include <QTransform>

#include <array>
#include <cmath>
#include <numbers>

namespace {

// Segments a to g as bits 0 to 6.
enum : unsigned { A = 1, B = 2, C = 4, D = 8, E = 16, F = 32, G = 64 };

unsigned segmentsOf(int digit, const SegmentStyle &style)
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

// A stadium from (x0, y0) to (x1, y1), horizontal or vertical, shortened by `inset` at both
// ends, of the given thickness.
QPainterPath stadium(double x0, double y0, double x1, double y1, double inset, double thickness)
{
    const double r = thickness / 2;
    QPainterPath path;
    if (y0 == y1) {
        const double left = x0 + inset, right = x1 - inset;
        path.addRoundedRect(left - r, y0 - r, right - left + thickness, thickness, r, r);
    } else {
        const double top = y0 + inset, bottom = y1 - inset;
        path.addRoundedRect(x0 - r, top - r, thickness, bottom - top + thickness, r, r);
    }
    return path;
}

} // namespace

SegmentStyle RandomSegmentStyle(std::mt19937 &random, double height)
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    SegmentStyle style;
    style.height = height;
    style.width = 0.48 + 0.14 * unit(random);
    style.thickness = 0.09 + 0.05 * unit(random);
    style.gap = 0.02 + 0.06 * unit(random);
    style.slant = unit(random) < 0.3 ? 0.0 : 12.0 * unit(random);
    style.sixTail = unit(random) < 0.5;
    style.nineTail = unit(random) < 0.5;
    style.sevenHook = unit(random) < 0.5;
    style.pitch = style.width + 0.18 + 0.17 * unit(random);
    return style;
}

double SegmentCellWidth(const SegmentStyle &style)
{
    return style.height * (style.width + std::tan(style.slant * std::numbers::pi / 180));
}

SegmentDigit DrawSegmentDigit(int digit, const SegmentStyle &style)
{
    const double h = style.height, w = style.width * h, t = style.thickness * h;
    const double inset = (style.gap * h + t) / std::numbers::sqrt2;
    const double xl = t / 2, xr = w - t / 2, yt = t / 2, ym = h / 2, yb = h - t / 2;
    const std::array<QPainterPath, 7> segments = {
        stadium(xl, yt, xr, yt, inset, t), // a
        stadium(xr, yt, xr, ym, inset, t), // b
        stadium(xr, ym, xr, yb, inset, t), // c
        stadium(xl, yb, xr, yb, inset, t), // d
        stadium(xl, ym, xl, yb, inset, t), // e
        stadium(xl, yt, xl, ym, inset, t), // f
        stadium(xl, ym, xr, ym, inset, t), // g
    };
    // x' = x + tan(slant) (H - y): the bottom row stays, the top moves right.
    const double lean = std::tan(style.slant * std::numbers::pi / 180);
    const QTransform shear(1, 0, -lean, 1, lean * h, 0);
    const unsigned on = segmentsOf(digit, style);
    SegmentDigit result;
    for (unsigned s = 0; s < 7; ++s)
        (on & (1u << s) ? result.lit : result.unlit).addPath(shear.map(segments[s]));
    return result;
}
