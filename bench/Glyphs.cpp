#include "bench/Glyphs.h"

#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {

constexpr int kPad = 3; // paper around every frame

QPainterPath glyphPath(const QRawFont &font, char digit)
{
    const QList<quint32> glyphs = font.glyphIndexesForString(QString(QChar(digit)));
    if (glyphs.size() != 1 || glyphs[0] == 0)
        throw std::runtime_error(font.familyName().toStdString() + ": no digit " + digit);
    return font.pathForGlyph(glyphs[0]);
}

double advanceOf(const QRawFont &font, char digit)
{
    const QList<quint32> glyphs = font.glyphIndexesForString(QString(QChar(digit)));
    return font.advancesForGlyphIndexes(glyphs).value(0).x();
}

// A bilinear enlargement of the ink, three output pixels per input pixel.
InkPicture enlargeSmoothly(const InkPicture &picture, int scale)
{
    InkPicture out {picture.width * scale, picture.height * scale, {}};
    out.ink.resize(std::size_t(out.width) * std::size_t(out.height));
    auto at = [&](int x, int y) -> float {
        if (x < 0 || y < 0 || x >= picture.width || y >= picture.height)
            return 0.0f;
        return picture.at(x, y);
    };
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) {
            const double u = (x + 0.5) / scale - 0.5, v = (y + 0.5) / scale - 0.5;
            const int x0 = int(std::floor(u)), y0 = int(std::floor(v));
            const float ax = float(u - x0), ay = float(v - y0);
            out.ink[std::size_t(y) * std::size_t(out.width) + std::size_t(x)] =
                (1 - ay) * ((1 - ax) * at(x0, y0) + ax * at(x0 + 1, y0)) +
                ay * ((1 - ax) * at(x0, y0 + 1) + ax * at(x0 + 1, y0 + 1));
        }
    return out;
}

} // namespace

QRect InkBox(const InkPicture &picture)
{
    int left = picture.width, right = -1, top = picture.height, bottom = -1;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            if (picture.at(x, y) >= 0.5f) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    if (right < 0)
        return {};
    return QRect(left, top, right - left + 1, bottom - top + 1);
}

double DigitHeightRatio(const QRawFont &font)
{
    return glyphPath(font, '8').boundingRect().height() / font.pixelSize();
}

std::vector<DigitInk> FontGlyphs(const QRawFont &font, const std::string &text, bool segmentFace)
{
    const int ascent = int(std::ceil(font.ascent())), descent = int(std::ceil(font.descent()));
    const QPainterPath all = segmentFace ? glyphPath(font, '8') : QPainterPath();
    std::vector<DigitInk> glyphs;
    for (const char digit : text) {
        const QPainterPath path = glyphPath(font, digit);
        const double advance = advanceOf(font, digit);
        // The frame holds the advance and whatever ink overhangs it.
        const QRectF bounds = path.boundingRect().united(all.boundingRect());
        const int left = int(std::floor(std::min(0.0, bounds.left()))) - kPad;
        const int right = int(std::ceil(std::max(advance, bounds.right()))) + kPad;
        const int top = std::min(-ascent, int(std::floor(bounds.top()))) - kPad;
        const int bottom = std::max(descent, int(std::ceil(bounds.bottom()))) + kPad;
        DigitInk glyph;
        glyph.digit = digit;
        glyph.origin = -left;
        glyph.baseline = -top;
        glyph.advance = advance;
        glyph.lit = PaintInk(path, right - left, bottom - top, QPointF(-left, -top));
        if (segmentFace)
            glyph.unlit = PaintInk(all, right - left, bottom - top, QPointF(-left, -top));
        glyphs.push_back(std::move(glyph));
    }
    return glyphs;
}

DigitInk HandGlyph(const LabelledInk &sample, bool smooth)
{
    DigitInk glyph;
    glyph.digit = char('0' + sample.digit);
    if (smooth) {
        glyph.lit = enlargeSmoothly(sample.picture, 3);
    } else {
        const Mask mask = Render(sample.picture, Look {}, 0);
        glyph.lit = {mask.width, mask.height, {}};
        glyph.lit.ink.assign(mask.dark.begin(), mask.dark.end());
    }
    glyph.baseline = glyph.lit.height;
    glyph.advance = glyph.lit.width;
    return glyph;
}

DigitInk SegmentGlyph(int digit, const SegmentStyle &style)
{
    const SegmentDigit segments = DrawSegmentDigit(digit, style);
    const int width = int(std::ceil(SegmentCellWidth(style))) + 2 * kPad;
    const int height = int(std::ceil(style.height)) + 2 * kPad;
    DigitInk glyph;
    glyph.digit = char('0' + digit);
    glyph.lit = PaintInk(segments.lit, width, height, QPointF(kPad, kPad));
    QPainterPath all = segments.lit;
    all.addPath(segments.unlit);
    glyph.unlit = PaintInk(all, width, height, QPointF(kPad, kPad));
    glyph.origin = kPad;
    glyph.baseline = kPad + int(std::ceil(style.height));
    glyph.advance = style.pitch * style.height;
    return glyph;
}
