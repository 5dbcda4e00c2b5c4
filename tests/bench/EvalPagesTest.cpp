#include "bench/PageLayout.h"
#include "recognition/Numbers.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// A page of 30 seven-segment numbers in the evaluation-only style, of several sizes and slants,
// spaced by one rule.
PageInk segmentPage(Spacing spacing)
{
    std::mt19937 random(5);
    std::vector<NumberInk> numbers;
    for (int i = 0; i < 30; ++i) {
        const SegmentStyle style = RandomSegmentStyle(random, 30 + 2 * i);
        std::vector<DigitInk> glyphs;
        for (const char digit : RandomNumberText(random))
            glyphs.push_back(SegmentGlyph(digit - '0', style));
        numbers.push_back(SetNumber(glyphs, spacing, random));
    }
    return LayOutPage(numbers, 1600, random);
}

Box asBox(const QRect &rect)
{
    return {rect.x(), rect.y(), rect.width(), rect.height()};
}

class EvalPageLayout : public ::testing::TestWithParam<Spacing::Rule>
{ };

} // namespace

TEST_P(EvalPageLayout, everyInkPixelLiesInExactlyOneTruthBoxAndEveryBoxIsTight)
{
    const PageInk page = segmentPage({GetParam(), 0, 2});
    ASSERT_EQ(page.truth.size(), 30u);
    for (int y = 0; y < page.lit.height; ++y)
        for (int x = 0; x < page.lit.width; ++x) {
            if (page.lit.at(x, y) < 0.5f)
                continue;
            int boxes = 0;
            for (const TruthNumber &number : page.truth)
                boxes += number.box.contains(x, y);
            ASSERT_EQ(boxes, 1) << "ink at " << x << "," << y;
        }
    // Tight: each edge row and column of a box holds ink.
    for (const TruthNumber &number : page.truth) {
        const QRect &b = number.box;
        auto rowHasInk = [&](int y) {
            for (int x = b.left(); x <= b.right(); ++x)
                if (page.lit.at(x, y) >= 0.5f)
                    return true;
            return false;
        };
        auto columnHasInk = [&](int x) {
            for (int y = b.top(); y <= b.bottom(); ++y)
                if (page.lit.at(x, y) >= 0.5f)
                    return true;
            return false;
        };
        EXPECT_TRUE(rowHasInk(b.top()) && rowHasInk(b.bottom())) << number.text;
        EXPECT_TRUE(columnHasInk(b.left()) && columnHasInk(b.right())) << number.text;
    }
}

TEST_P(EvalPageLayout, noTwoTruthNumbersAreCloseEnoughToBeReadAsOne)
{
    const PageInk page = segmentPage({GetParam(), 0, 2});
    for (std::size_t i = 0; i < page.truth.size(); ++i)
        for (std::size_t j = i + 1; j < page.truth.size(); ++j)
            EXPECT_FALSE(SameNumber(asBox(page.truth[i].box), asBox(page.truth[j].box)))
                << page.truth[i].text << " and " << page.truth[j].text;
}

INSTANTIATE_TEST_SUITE_P(Spacings, EvalPageLayout,
    ::testing::Values(Spacing::Advance, Spacing::InkGap, Spacing::Contact),
    [](const ::testing::TestParamInfo<Spacing::Rule> &info) {
        return info.param == Spacing::Advance ? "byAdvance"
            : info.param == Spacing::InkGap   ? "byInkGap"
                                              : "inContact";
    });
