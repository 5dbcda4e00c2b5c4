#include "recognition/Numbers.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <numeric>
#include <utility>

namespace {

// Disjoint sets over the digits, for the transitive closure of SameNumber: the set of lower rank
// goes under the other, and finding halves the path, so that no chain grows long. Which digit
// stands for a set never matters, only which digits share one.
class Groups
{
public:
    explicit Groups(std::size_t size)
        : m_parent(size)
        , m_rank(size, 0)
    {
        std::iota(m_parent.begin(), m_parent.end(), std::uint32_t(0));
    }
    std::size_t find(std::size_t i)
    {
        while (m_parent[i] != i)
            i = m_parent[i] = m_parent[m_parent[i]];
        return i;
    }
    void join(std::size_t a, std::size_t b)
    {
        std::size_t ra = find(a), rb = find(b);
        if (ra == rb)
            return;
        if (m_rank[ra] > m_rank[rb])
            std::swap(ra, rb);
        m_parent[ra] = std::uint32_t(rb);
        m_rank[rb] += m_rank[ra] == m_rank[rb];
    }

private:
    std::vector<std::uint32_t> m_parent;
    std::vector<std::uint8_t> m_rank; // below 32: a set of rank r holds 2^r digits or more
};

bool leftToRight(const Box &a, const Box &b)
{
    return a.x != b.x ? a.x < b.x : a.y < b.y;
}

// SameNumber, inlined into the search for pairs.
[[gnu::always_inline]] inline bool sameNumber(const Box &a, const Box &b)
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

} // namespace

bool SameNumber(const Box &a, const Box &b)
{
    return sameNumber(a, b);
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
    // is taken as that wide to its left: the gap before it is the cell's, not the column's. A 1
    // assembled from a display's two right segments stands shorter than the digits beside it,
    // which have bars above and below: it is taken as a quarter taller first.
    std::vector<PlacedDigit> digits;
    digits.reserve(glyphs.size());
    for (std::size_t g = 0; g < glyphs.size(); ++g) {
        Box box = glyphs[g].box;
        if (glyphs[g].digit == '1' && box.width * 2 < box.height) {
            if (glyphs[g].kind == Glyph::Kind::Assembled) {
                box.y -= box.height / 8;
                box.height += box.height / 4;
            }
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
    // Left to right, ties in whatever order std::sort leaves them. The sort sees each digit as
    // its left edge and top row in one word, whose order is leftToRight's, beside its index:
    // the same comparisons in the same order, and so the same order of the digits, ties
    // included, as sorting the digits themselves by leftToRight, read from far fewer bytes.
    struct Keyed
    {
        std::uint64_t key;
        std::uint32_t index;
    };
    std::vector<Keyed> keyed(placed.size());
    for (std::size_t i = 0; i < placed.size(); ++i) {
        const Box &box = placed[i].box;
        keyed[i] = {(std::uint64_t(std::uint32_t(box.x) ^ 0x80000000u) << 32) |
                std::uint64_t(std::uint32_t(box.y) ^ 0x80000000u),
            std::uint32_t(i)};
    }
    std::sort(
        keyed.begin(), keyed.end(), [](const Keyed &a, const Keyed &b) { return a.key < b.key; });
    std::vector<const PlacedDigit *> digits(placed.size());
    for (std::size_t i = 0; i < placed.size(); ++i)
        digits[i] = &placed[keyed[i].index];
    std::vector<Keyed>().swap(keyed);

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
    std::vector<std::uint8_t> classOf(count);
    int topClass = -1;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t height = std::uint32_t(std::max(boxes[i].height, 1));
        classOf[i] = std::uint8_t(std::bit_width(height) - 1);
        topClass = std::max(topClass, int(classOf[i]));
    }
    std::vector<bool> present(std::size_t(topClass + 1), false);
    for (const std::uint8_t k : classOf)
        present[std::size_t(k)] = true;

    Groups groups(count);
    // A listing carries its digit's box and class, so that searching a band reads the listings
    // one after another instead of boxes from all over the page.
    struct Listed
    {
        std::int32_t band;
        std::uint32_t digit : 31; // in left-edge order
        std::uint32_t taller : 1; // of the class being searched
        Box box;
        bool operator<(const Listed &other) const
        {
            return band != other.band ? band < other.band : digit < other.digit;
        }
    };
    std::vector<Listed> listed;
    std::vector<std::uint32_t> nextOfClass; // per listing: the next listing of class k in its band
    std::vector<std::size_t> bandStart;
    for (int k = 0; k <= topClass; ++k) {
        if (!present[std::size_t(k)])
            continue;
        // Bands of 2^(k+1) rows: a row's band is its number shifted right, which rounds down
        // for rows above the picture too.
        const int bandShift = k + 1;
        const std::int64_t reach = std::int64_t(1) << k;
        // Listed by band, and within a band in left-edge order: a counting sort over the bands
        // when they are few for the listings, as on any page of text; otherwise a sort.
        auto forEachListing = [&](auto &&list) {
            for (std::size_t i = 0; i < count; ++i) {
                if (classOf[i] > k)
                    continue;
                const Box &box = boxes[i];
                const std::int64_t first = std::int64_t(box.y) >> bandShift;
                const std::int64_t last = (std::int64_t(box.bottom()) - 1) >> bandShift;
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
                listed[bandStart[std::size_t(b - lowest)]++] = {
                    std::int32_t(b), std::uint32_t(i), classOf[i] == k, boxes[i]};
            });
        } else {
            listed.reserve(listings);
            forEachListing([&](std::int64_t b, std::size_t i) {
                listed.push_back({std::int32_t(b), std::uint32_t(i), classOf[i] == k, boxes[i]});
            });
            std::sort(listed.begin(), listed.end());
        }
        nextOfClass.assign(listed.size() + 1, std::uint32_t(listed.size()));
        for (std::size_t p = listed.size(); p-- > 0;) {
            const bool sameBand = p + 1 < listed.size() && listed[p + 1].band == listed[p].band;
            nextOfClass[p] = listed[p].taller ? std::uint32_t(p)
                : sameBand                    ? nextOfClass[p + 1]
                                              : std::uint32_t(listed.size());
        }
        for (std::size_t p = 0; p < listed.size(); ++p) {
            const Box &a = listed[p].box;
            const bool taller = listed[p].taller;
            for (std::size_t q = taller ? p + 1 : nextOfClass[p + 1];
                 q < listed.size() && listed[q].band == listed[p].band;
                 q = taller ? q + 1 : nextOfClass[q + 1]) {
                const Box &b = listed[q].box;
                if ((std::int64_t(b.x) - a.right()) * kGapDenominator > kGapNumerator * 2 * reach)
                    break;
                if (sameNumber(a, b))
                    groups.join(listed[p].digit, listed[q].digit);
            }
        }
    }

    // Each group's number, in order of its leftmost digit, and its box. The numbers are put in
    // their order by index first and made once, in place: a Number holds heap blocks, and
    // sorting them would move each of them again and again.
    std::vector<std::size_t> numberOf(count, SIZE_MAX);
    std::vector<std::size_t> groupOf(count);
    std::vector<Box> numberBoxes;
    std::vector<std::size_t> digitsOf;
    for (std::size_t i = 0; i < count; ++i) {
        std::size_t &index = numberOf[groups.find(i)];
        if (index == SIZE_MAX) {
            index = numberBoxes.size();
            numberBoxes.push_back(boxes[i]);
            digitsOf.push_back(0);
        }
        groupOf[i] = index;
        numberBoxes[index] = numberBoxes[index].united(boxes[i]);
        ++digitsOf[index];
    }

    // Lines: numbers in order of their middle row; a line takes every following number whose
    // middle lies within the rows of the line's first number. Then each line left to right.
    // Both sorts are stable, so their order is fixed by the keys and the order before them.
    std::vector<std::size_t> order(numberBoxes.size());
    std::iota(order.begin(), order.end(), std::size_t(0));
    auto middle = [&](std::size_t n) {
        return 2 * std::int64_t(numberBoxes[n].y) + numberBoxes[n].height;
    };
    std::stable_sort(order.begin(), order.end(),
        [&](std::size_t a, std::size_t b) { return middle(a) < middle(b); });
    for (auto line = order.begin(); line != order.end();) {
        const Box first = numberBoxes[*line];
        auto end = std::find_if(line, order.end(),
            [&](std::size_t n) { return middle(n) >= 2 * std::int64_t(first.bottom()); });
        std::stable_sort(line, end, [&](std::size_t a, std::size_t b) {
            return leftToRight(numberBoxes[a], numberBoxes[b]);
        });
        line = end;
    }

    // Digits were visited left to right, so each number receives them in reading order.
    std::vector<std::size_t> placeOf(order.size());
    std::vector<Number> numbers(order.size());
    for (std::size_t place = 0; place < order.size(); ++place) {
        placeOf[order[place]] = place;
        Number &number = numbers[place];
        number.box = numberBoxes[order[place]];
        number.text.reserve(digitsOf[order[place]]);
        number.regions.reserve(digitsOf[order[place]]);
    }
    for (std::size_t i = 0; i < count; ++i) {
        Number &number = numbers[placeOf[groupOf[i]]];
        number.text += digits[i]->digit;
        number.regions.push_back(digits[i]->id);
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
