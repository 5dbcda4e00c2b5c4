#include "recognition/Numbers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <numeric>
#include <random>
#include <set>

namespace {

RegionResult digit(int region, char value, int x, int y, int width = 20, int height = 30)
{
    RegionResult result;
    result.region = region;
    result.traced = true;
    result.digit = value;
    result.box = Box {x, y, width, height};
    return result;
}

RegionResult speck(int region, int x, int y)
{
    RegionResult result;
    result.region = region;
    result.box = Box {x, y, 3, 3};
    return result;
}

std::vector<std::string> texts(const std::vector<Number> &numbers)
{
    std::vector<std::string> out;
    for (const Number &number : numbers)
        out.push_back(number.text);
    return out;
}

} // namespace

TEST(GroupNumbers, aLineOfDigitsReadsLeftToRightWhateverTheRegionOrder)
{
    // Region numbers follow the labelling scan (top row first), not the reading order; the 7
    // is shorter and lower, as handwriting is, and a speck sits in the gap between 2 and 0.
    const std::vector<RegionResult> results {digit(1, '0', 30, 12), digit(2, '2', 0, 10),
        digit(3, '6', 90, 8), speck(4, 22, 20), digit(5, '2', 60, 10),
        digit(6, '7', 130, 20, 16, 22)};
    const std::vector<Number> numbers = GroupNumbers(results);
    ASSERT_EQ(texts(numbers), (std::vector<std::string> {"2026", "7"}));
    EXPECT_EQ(numbers[0].regions, (std::vector<int> {2, 1, 5, 3}));
    EXPECT_EQ(numbers[0].box, (Box {0, 8, 110, 34}));
    EXPECT_EQ(numbers[1].box, (Box {130, 20, 16, 22}));
}

TEST(GroupNumbers, theGapAndOverlapRulesAtTheirLimits)
{
    // Taller height 30: a gap of 15 joins, 16 splits.
    EXPECT_TRUE(SameNumber(Box {0, 0, 20, 30}, Box {35, 0, 20, 30}));
    EXPECT_FALSE(SameNumber(Box {0, 0, 20, 30}, Box {36, 0, 20, 30}));
    // Smaller height 20: an overlap of 10 rows joins, 9 splits.
    EXPECT_TRUE(SameNumber(Box {0, 0, 20, 30}, Box {25, 20, 20, 20}));
    EXPECT_FALSE(SameNumber(Box {0, 0, 20, 30}, Box {25, 21, 20, 20}));
    // Boxes that overlap sideways have no gap; one above the other still splits.
    EXPECT_TRUE(SameNumber(Box {0, 0, 20, 30}, Box {15, 5, 20, 30}));
    EXPECT_FALSE(SameNumber(Box {0, 0, 20, 30}, Box {0, 40, 20, 30}));
}

TEST(GroupNumbers, aDisplaysOnesKeepTheirCellsGap)
{
    // "3411" as a seven-segment display shows it: the 4 has no bottom bar, and each 1 is two
    // right-hand segments, shorter than the digits and far right in its cell.
    auto glyph = [](char digit, Box box, Glyph::Kind kind) {
        Glyph glyph;
        glyph.digit = digit;
        glyph.box = box;
        glyph.kind = kind;
        return glyph;
    };
    std::vector<Glyph> glyphs {glyph('3', {171, 386, 21, 50}, Glyph::Kind::Single),
        glyph('4', {205, 391, 26, 39}, Glyph::Kind::Single),
        glyph('1', {262, 391, 8, 39}, Glyph::Kind::Assembled),
        glyph('1', {301, 391, 8, 39}, Glyph::Kind::Assembled)};
    EXPECT_EQ(texts(GroupNumbers(glyphs)), (std::vector<std::string> {"3411"}));
    // A 1 in one stroke, as pen and type make it, gets no such allowance.
    for (Glyph &one : glyphs)
        one.kind = Glyph::Kind::Single;
    EXPECT_EQ(texts(GroupNumbers(glyphs)), (std::vector<std::string> {"34", "1", "1"}));
}

TEST(GroupNumbers, twoLinesAreListedTopToBottomEachLeftToRight)
{
    // Second line first in the results, and its left number starts further left.
    const std::vector<RegionResult> results {digit(1, '5', 200, 80), digit(2, '1', 10, 82),
        digit(3, '7', 32, 81), digit(4, '3', 150, 0), digit(5, '4', 40, 5), digit(6, '9', 175, 2)};
    EXPECT_EQ(texts(GroupNumbers(results)), (std::vector<std::string> {"4", "39", "17", "5"}));
    EXPECT_EQ(JoinNumbers(GroupNumbers(results), " "), "4 39 17 5");
}

TEST(GroupNumbers, nothingToReadGivesNoNumbers)
{
    EXPECT_TRUE(GroupNumbers(std::vector<RegionResult> {}).empty());
    EXPECT_TRUE(GroupNumbers(std::vector<RegionResult> {speck(1, 0, 0), speck(2, 5, 0)}).empty());
    EXPECT_EQ(JoinNumbers({}, " "), "");
}

TEST(GroupNumbers, joinsWhatTestingEveryPairJoinsOnRandomPages)
{
    std::mt19937 random(12);
    for (int page = 0; page < 120; ++page) {
        // Crowded pages of digits of mixed sizes, some above the top row, and now and then a
        // few very tall ones. Every fourth page is three such crowds far apart, more rows than
        // digits.
        const int count = int(random() % 200) + 1;
        const int apart = page % 4 == 3 ? 100000 : 0;
        std::vector<RegionResult> results;
        for (int r = 1; r <= count; ++r) {
            const int height =
                random() % 16 == 0 ? int(random() % 400) + 1 : int(random() % 40) + 1;
            results.push_back(digit(r, char('0' + r % 10), int(random() % 400),
                int(random() % 300) - 50 + int(random() % 3) * apart, int(random() % 30) + 1,
                height));
        }
        // Every pair tested.
        std::vector<int> group(static_cast<std::size_t>(count));
        std::iota(group.begin(), group.end(), 0);
        const auto find = [&](int i) {
            while (group[i] != i)
                i = group[i];
            return i;
        };
        for (int i = 0; i < count; ++i) {
            for (int j = i + 1; j < count; ++j) {
                if (SameNumber(results[i].box, results[j].box))
                    group[find(i)] = find(j);
            }
        }
        std::map<int, std::set<int>> members;
        for (int i = 0; i < count; ++i)
            members[find(i)].insert(i + 1);
        std::set<std::set<int>> expected;
        for (const auto &[root, regions] : members)
            expected.insert(regions);
        std::set<std::set<int>> found;
        for (const Number &number : GroupNumbers(results))
            found.insert(std::set<int>(number.regions.begin(), number.regions.end()));
        ASSERT_EQ(found, expected) << "page " << page;
    }
}

// The numbers, their digits' order and their order on the page as the plain rules give them:
// the digits sorted left to right by std::sort (ties, digits whose boxes share their top-left
// corner, in whatever order it leaves them), every pair tested, the numbers stably sorted by
// their middle row and each line stably left to right.
TEST(GroupNumbers, givesTheOrderOfThePlainRulesTiesIncluded)
{
    std::mt19937 random(77);
    for (int page = 0; page < 150; ++page) {
        const int count = int(random() % 300) + 1;
        std::vector<PlacedDigit> placed;
        for (int id = 1; id <= count; ++id) {
            // Few distinct corners, so that many boxes share theirs.
            const Box box {int(random() % 40) * 7 - 20, int(random() % 25) * 9 - 30,
                int(random() % 25) + 1, int(random() % 30) + 1};
            placed.push_back({box, char('0' + id % 10), id});
        }
        std::vector<const PlacedDigit *> sorted;
        for (const PlacedDigit &digit : placed)
            sorted.push_back(&digit);
        const auto leftToRight = [](const Box &a, const Box &b) {
            return a.x != b.x ? a.x < b.x : a.y < b.y;
        };
        std::sort(sorted.begin(), sorted.end(), [&](const PlacedDigit *a, const PlacedDigit *b) {
            return leftToRight(a->box, b->box);
        });
        std::vector<int> group(sorted.size());
        std::iota(group.begin(), group.end(), 0);
        const auto find = [&](int i) {
            while (group[std::size_t(i)] != i)
                i = group[std::size_t(i)];
            return i;
        };
        for (int i = 0; i < count; ++i) {
            for (int j = i + 1; j < count; ++j) {
                if (SameNumber(sorted[std::size_t(i)]->box, sorted[std::size_t(j)]->box))
                    group[std::size_t(find(i))] = find(j);
            }
        }
        std::vector<Number> expected;
        std::map<int, std::size_t> numberOf;
        for (int i = 0; i < count; ++i) {
            const PlacedDigit &digit = *sorted[std::size_t(i)];
            const auto [at, added] = numberOf.emplace(find(i), expected.size());
            if (added)
                expected.push_back({"", digit.box, {}, {}});
            Number &number = expected[at->second];
            number.text += digit.digit;
            number.box = number.box.united(digit.box);
            number.regions.push_back(digit.id);
        }
        const auto middle = [](const Number &n) {
            return 2 * std::int64_t(n.box.y) + n.box.height;
        };
        std::stable_sort(expected.begin(), expected.end(),
            [&](const Number &a, const Number &b) { return middle(a) < middle(b); });
        for (auto line = expected.begin(); line != expected.end();) {
            const std::int64_t end = 2 * std::int64_t(line->box.bottom());
            const auto last = std::find_if(
                line, expected.end(), [&](const Number &n) { return middle(n) >= end; });
            std::stable_sort(line, last,
                [&](const Number &a, const Number &b) { return leftToRight(a.box, b.box); });
            line = last;
        }

        const std::vector<Number> found = GroupNumbers(placed);
        ASSERT_EQ(found.size(), expected.size()) << "page " << page;
        for (std::size_t n = 0; n < found.size(); ++n) {
            ASSERT_EQ(found[n].text, expected[n].text) << "page " << page << ", number " << n;
            ASSERT_EQ(found[n].box, expected[n].box) << "page " << page << ", number " << n;
            ASSERT_EQ(found[n].regions, expected[n].regions) << "page " << page << ", number " << n;
        }
    }
}
