#include "bench/PageLayout.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int kMargin = 60;

// The leftmost and rightmost ink column of every row (-1 where a row has none).
struct RowProfile
{
    std::vector<int> left, right;
    explicit RowProfile(const InkPicture &picture)
        : left(std::size_t(picture.height), -1)
        , right(std::size_t(picture.height), -1)
    {
        for (int y = 0; y < picture.height; ++y)
            for (int x = 0; x < picture.width; ++x)
                if (picture.at(x, y) >= 0.5f) {
                    if (left[std::size_t(y)] < 0)
                        left[std::size_t(y)] = x;
                    right[std::size_t(y)] = x;
                }
    }
};

// The smallest frame position of `next` at which no row of its ink overlaps `previous`'s,
// with at least one row where they meet; rows are taken relative to the frames' tops.
int contactPosition(const DigitInk &previous, int previousX, int previousY, const DigitInk &next,
    int nextY, bool &found)
{
    const RowProfile a(previous.lit), b(next.lit);
    int position = std::numeric_limits<int>::min();
    found = false;
    for (int y = 0; y < next.lit.height; ++y) {
        const int row = y + nextY - previousY; // the same page row in the previous frame
        if (row < 0 || row >= previous.lit.height)
            continue;
        const int r = a.right[std::size_t(row)], l = b.left[std::size_t(y)];
        if (r < 0 || l < 0)
            continue;
        position = std::max(position, previousX + r + 1 - l);
        found = true;
    }
    return position;
}

void blend(InkPicture &into, const InkPicture &from, int left, int top)
{
    for (int y = 0; y < from.height; ++y) {
        const int ty = top + y;
        if (ty < 0 || ty >= into.height)
            continue;
        for (int x = 0; x < from.width; ++x) {
            const int tx = left + x;
            if (tx < 0 || tx >= into.width)
                continue;
            float &ink = into.ink[std::size_t(ty) * std::size_t(into.width) + std::size_t(tx)];
            ink = std::max(ink, from.at(x, y));
        }
    }
}

InkPicture paper(int width, int height)
{
    return {width, height, std::vector<float>(std::size_t(width) * std::size_t(height), 0.0f)};
}

} // namespace

NumberInk SetNumber(
    const std::vector<DigitInk> &glyphs, const Spacing &spacing, std::mt19937 &random)
{
    std::uniform_int_distribution<int> pick(spacing.low, spacing.high);
    int baseline = 0;
    for (const DigitInk &glyph : glyphs)
        baseline = std::max(baseline, glyph.baseline);
    // Frame positions, in the number's coordinates before they are moved to start at 0.
    std::vector<int> xs(glyphs.size()), ys(glyphs.size());
    std::vector<QRect> boxes(glyphs.size());
    double pen = 0;
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        const DigitInk &glyph = glyphs[i];
        ys[i] = baseline - glyph.baseline;
        boxes[i] = InkBox(glyph.lit);
        if (i == 0 || spacing.rule == Spacing::Advance) {
            xs[i] = int(std::lround(pen)) - glyph.origin;
        } else {
            const QRect &left = boxes[i - 1];
            const int byBoxes = xs[i - 1] + left.x() + left.width() - boxes[i].x();
            bool found = false;
            if (spacing.rule == Spacing::InkGap)
                xs[i] = byBoxes + pick(random);
            else {
                const int contact =
                    contactPosition(glyphs[i - 1], xs[i - 1], ys[i - 1], glyph, ys[i], found);
                xs[i] = (found ? contact : byBoxes) - pick(random);
            }
        }
        pen = xs[i] + glyph.origin + glyph.advance;
    }
    const int left = *std::min_element(xs.begin(), xs.end());
    int right = 0, bottom = 0;
    bool segments = false;
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        right = std::max(right, xs[i] - left + glyphs[i].lit.width);
        bottom = std::max(bottom, ys[i] + glyphs[i].lit.height);
        segments = segments || glyphs[i].unlit.width > 0;
    }
    NumberInk number;
    number.lit = paper(right, bottom);
    number.unlit = segments ? paper(right, bottom) : InkPicture {};
    number.baseline = baseline;
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        number.text += glyphs[i].digit;
        blend(number.lit, glyphs[i].lit, xs[i] - left, ys[i]);
        if (glyphs[i].unlit.width > 0)
            blend(number.unlit, glyphs[i].unlit, xs[i] - left, ys[i]);
        number.box |= boxes[i].translated(xs[i] - left, ys[i]);
    }
    return number;
}

PageInk LayOutPage(const std::vector<NumberInk> &numbers, int width, std::mt19937 &random)
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    // Lines first: each number's box left edge, relative to the line's start.
    struct Placed
    {
        const NumberInk *number;
        int boxLeft;
    };
    std::vector<std::vector<Placed>> lines;
    int x = 0;
    for (const NumberInk &number : numbers) {
        const int indent = int(unit(random) * 40);
        if (lines.empty()) {
            lines.emplace_back();
            x = indent;
        } else {
            const NumberInk &last = *lines.back().back().number;
            const int tallest = std::max(number.box.height(), last.box.height());
            const int gap = int((1.6 + 1.2 * unit(random)) * tallest);
            if (kMargin + x + gap + number.box.width() > width - kMargin) {
                lines.emplace_back();
                x = indent;
            } else {
                x += gap;
            }
        }
        lines.back().push_back({&number, x});
        x += number.box.width();
    }
    // Then baselines: each line below the ink of the one above by 0.6 to 1.1 of its height.
    std::vector<int> baselines;
    int inkBottom = kMargin, tallest = 0;
    for (const auto &line : lines) {
        int above = 0, below = 0;
        for (const Placed &placed : line) {
            const NumberInk &n = *placed.number;
            above = std::max(above, n.baseline - n.box.top());
            below = std::max(below, n.box.bottom() + 1 - n.baseline);
        }
        const int gap = baselines.empty() ? 0 : int((0.6 + 0.5 * unit(random)) * tallest);
        baselines.push_back(inkBottom + gap + above);
        inkBottom = baselines.back() + below;
        tallest = above + below;
    }
    PageInk page;
    const int height = inkBottom + kMargin;
    page.lit = paper(width, height);
    page.unlit = paper(width, height);
    for (std::size_t l = 0; l < lines.size(); ++l)
        for (const Placed &placed : lines[l]) {
            const NumberInk &n = *placed.number;
            const int left = kMargin + placed.boxLeft - n.box.x();
            const int top = baselines[l] - n.baseline;
            blend(page.lit, n.lit, left, top);
            if (n.unlit.width > 0)
                blend(page.unlit, n.unlit, left, top);
            page.truth.push_back({n.text, n.box.translated(left, top)});
        }
    return page;
}

std::string RandomNumberText(std::mt19937 &random)
{
    std::uniform_int_distribution<int> length(2, 6), digit(0, 9);
    std::string text(std::size_t(length(random)), '0');
    for (char &c : text)
        c = char('0' + digit(random));
    return text;
}
