#include "recognition/Numbers.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <numeric>
#include <utility>

namespace {

// Disjoint sets over the digits, for the transitive closure of SameNumber.
class Groups
{
public:
    explicit Groups(std::size_t size)
        : m_parent(size)
    {
        std::iota(m_parent.begin(), m_parent.end(), std::size_t(0));
    }
    std::size_t find(std::size_t i)
    {
        while (m_parent[i] != i)
            i = m_parent[i] = m_parent[m_parent[i]];
        return i;
    }
    void join(std::size_t a, std::size_t b) { m_parent[find(a)] = find(b); }

private:
    std::vector<std::size_t> m_parent;
};

std::int64_t floorDivide(std::int64_t value, std::int64_t divisor)
{
    return value >= 0 ? value / divisor : -((-value + divisor - 1) / divisor);
}

bool leftToRight(const Box &a, const Box &b)
{
    return a.x != b.x ? a.x < b.x : a.y < b.y;
}

} // namespace

bool SameNumber(const Box &a, const Box &b)
{
    const std::int64_t overlap =
        std::int64_t(std::min(a.bottom(), b.bottom())) - std::max(a.y, b.y);
    const std::int64_t smaller = std::min(a.height, b.height);
    if (overlap * kOverlapDenominator < smaller)
        return false;
    const std::int64_t gap = std::max<std::int64_t>(
        0, std::int64_t(std::max(a.x, b.x)) - std::min(a.right(), b.right()));
    const std::int64_t taller = std::max(a.height, b.height);
    return gap * kGapDenominator <= kGapNumerator * taller;
}

std::vector<Number> GroupNumbers(const std::vector<RegionResult> &results)
{
    std::vector<PlacedDigit> digits;
    for (const RegionResult &result : results) {
        if (result.hasDigit())
            digits.push_back({result.box, result.digit, result.region});
    }
    return GroupNumbers(digits);
}

std::vector<Number> GroupNumbers(const std::vector<Glyph> &glyphs)
{
    // A display sets a 1 in the right column of its cell, so a 1 narrower than half its height
    // is taken as that wide to its left: the gap before it is the cell's, not the column's.
    std::vector<PlacedDigit> digits;
    digits.reserve(glyphs.size());
    for (std::size_t g = 0; g < glyphs.size(); ++g) {
        Box box = glyphs[g].box;
        if (glyphs[g].digit == '1' && box.width * 2 < box.height) {
            box.x -= box.height / 2 - box.width;
            box.width = box.height / 2;
        }
        digits.push_back({box, glyphs[g].digit, int(g + 1)});
    }
    std::vector<Number> numbers = GroupNumbers(digits);
    for (Number &number : numbers) {
        number.glyphs = std::move(number.regions);
        number.regions.clear();
        number.box = glyphs[std::size_t(number.glyphs.front() - 1)].box;
        for (const int g : number.glyphs) {
            number.box = number.box.united(glyphs[std::size_t(g - 1)].box);
            for (const int region : glyphs[std::size_t(g - 1)].regions) {
                if (std::find(number.regions.begin(), number.regions.end(), region) ==
                    number.regions.end())
                    number.regions.push_back(region);
            }
        }
    }
    return numbers;
}

std::vector<Number> GroupNumbers(std::span<const PlacedDigit> placed)
{
    std::vector<const PlacedDigit *> digits;
    digits.reserve(placed.size());
    for (const PlacedDigit &digit : placed)
        digits.push_back(&digit);
    std::sort(digits.begin(), digits.end(),
        [](const PlacedDigit *a, const PlacedDigit *b) { return leftToRight(a->box, b->box); });

    // Pairs are found class by class of height, class k holding the heights from 2^k to
    // 2^(k+1) - 1, each pair in the class of its taller digit. Two digits can only join when
    // they share a row, and so one of the bands of 2^(k+1) rows that tile the picture: in the
    // pass for class k, each digit of class k or lower is listed in the one or two bands that
    // its rows fall in, and each band is searched on its own, in order of left edge. A digit
    // further right than 2^k beyond one's right edge is too far for any pair of the class, and
    // so is every digit after it. A digit of class k tries every digit within that reach; a
    // lower one tries only those of class k, having met the others in lower classes. Which
    // pairs join does not depend on the order in which they are found, and a blob as tall as
    // the page costs a pass over the digits beside it, not over every pair.
    const std::size_t count = digits.size();
    // The boxes side by side: the passes below read them again and again.
    std::vector<Box> boxes(count);
    for (std::size_t i = 0; i < count; ++i)
        boxes[i] = digits[i]->box;
    std::vector<int> classOf(count);
    int topClass = -1;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t height = std::uint32_t(std::max(boxes[i].height, 1));
        classOf[i] = int(std::bit_width(height)) - 1;
        topClass = std::max(topClass, classOf[i]);
    }
    std::vector<bool> present(std::size_t(topClass + 1), false);
    for (const int k : classOf)
        present[std::size_t(k)] = true;

    Groups groups(count);
    struct Listed
    {
        std::int64_t band;
        std::size_t digit; // in left-edge order
        bool operator<(const Listed &other) const
        {
            return band != other.band ? band < other.band : digit < other.digit;
        }
    };
    std::vector<Listed> listed;
    std::vector<std::size_t> nextOfClass; // per listing: the next listing of class k in its band
    std::vector<std::size_t> bandStart;
    for (int k = 0; k <= topClass; ++k) {
        if (!present[std::size_t(k)])
            continue;
        const std::int64_t band = std::int64_t(2) << k;
        const std::int64_t reach = std::int64_t(1) << k;
        // Listed by band, and within a band in left-edge order: a counting sort over the bands
        // when they are few for the listings, as on any page of text; otherwise a sort.
        auto forEachListing = [&](auto &&list) {
            for (std::size_t i = 0; i < count; ++i) {
                if (classOf[i] > k)
                    continue;
                const Box &box = boxes[i];
                const std::int64_t first = floorDivide(box.y, band);
                const std::int64_t last = floorDivide(std::int64_t(box.bottom()) - 1, band);
                for (std::int64_t b = first; b <= last; ++b)
                    list(b, i);
            }
        };
        std::int64_t lowest = INT64_MAX, highest = INT64_MIN;
        std::size_t listings = 0;
        forEachListing([&](std::int64_t b, std::size_t) {
            lowest = std::min(lowest, b);
            highest = std::max(highest, b);
            ++listings;
        });
        listed.clear();
        if (listings > 0 && std::uint64_t(highest - lowest) < 2 * listings + 1024) {
            bandStart.assign(std::size_t(highest - lowest) + 2, 0);
            forEachListing(
                [&](std::int64_t b, std::size_t) { ++bandStart[std::size_t(b - lowest) + 1]; });
            for (std::size_t b = 1; b < bandStart.size(); ++b)
                bandStart[b] += bandStart[b - 1];
            listed.resize(listings);
            forEachListing([&](std::int64_t b, std::size_t i) {
                listed[bandStart[std::size_t(b - lowest)]++] = {b, i};
            });
        } else {
            forEachListing([&](std::int64_t b, std::size_t i) { listed.push_back({b, i}); });
            std::sort(listed.begin(), listed.end());
        }
        nextOfClass.assign(listed.size() + 1, listed.size());
        for (std::size_t p = listed.size(); p-- > 0;) {
            const bool sameBand = p + 1 < listed.size() && listed[p + 1].band == listed[p].band;
            nextOfClass[p] = classOf[listed[p].digit] == k ? p
                : sameBand                                 ? nextOfClass[p + 1]
                                                           : listed.size();
        }
        for (std::size_t p = 0; p < listed.size(); ++p) {
            const Box &a = boxes[listed[p].digit];
            const bool taller = classOf[listed[p].digit] == k;
            for (std::size_t q = taller ? p + 1 : nextOfClass[p + 1];
                 q < listed.size() && listed[q].band == listed[p].band;
                 q = taller ? q + 1 : nextOfClass[q + 1]) {
                const Box &b = boxes[listed[q].digit];
                if ((std::int64_t(b.x) - a.right()) * kGapDenominator > kGapNumerator * 2 * reach)
                    break;
                if (SameNumber(a, b))
                    groups.join(listed[p].digit, listed[q].digit);
            }
        }
    }

    // Digits were visited left to right, so each number receives them in reading order.
    std::vector<Number> numbers;
    std::vector<std::size_t> numberOf(digits.size(), SIZE_MAX);
    for (std::size_t i = 0; i < digits.size(); ++i) {
        std::size_t &index = numberOf[groups.find(i)];
        if (index == SIZE_MAX) {
            index = numbers.size();
            numbers.push_back(Number {std::string(), digits[i]->box, {}, {}});
        }
        Number &number = numbers[index];
        number.text += digits[i]->digit;
        number.box = number.box.united(digits[i]->box);
        number.regions.push_back(digits[i]->id);
    }

    // Lines: numbers in order of their middle row; a line takes every following number whose
    // middle lies within the rows of the line's first number. Then each line left to right.
    auto middle = [](const Number &n) { return 2 * std::int64_t(n.box.y) + n.box.height; };
    std::stable_sort(numbers.begin(), numbers.end(),
        [&](const Number &a, const Number &b) { return middle(a) < middle(b); });
    for (auto line = numbers.begin(); line != numbers.end();) {
        const Box first = line->box;
        auto end = std::find_if(line, numbers.end(),
            [&](const Number &n) { return middle(n) >= 2 * std::int64_t(first.bottom()); });
        std::stable_sort(
            line, end, [](const Number &a, const Number &b) { return leftToRight(a.box, b.box); });
        line = end;
    }
    return numbers;
}

std::string JoinNumbers(const std::vector<Number> &numbers, const char *separator)
{
    std::string joined;
    for (const Number &number : numbers) {
        if (!joined.empty())
            joined += separator;
        joined += number.text;
    }
    return joined;
}

std::int64_t NumbersBytes(const std::vector<Number> &numbers)
{
    // A short text lives inside the string itself.
    const std::size_t inPlace = std::string().capacity();
    std::int64_t bytes = std::int64_t(numbers.capacity() * sizeof(Number));
    for (const Number &number : numbers) {
        bytes += std::int64_t((number.regions.capacity() + number.glyphs.capacity()) * sizeof(int));
        if (number.text.capacity() > inPlace)
            bytes += std::int64_t(number.text.capacity() + 1);
    }
    return bytes;
}
