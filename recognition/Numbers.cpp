#include "Numbers.h"

#include <algorithm>
#include <cstdint>
#include <numeric>

namespace {

Box unite(const Box &a, const Box &b)
{
    const std::int32_t left = std::min(a.x, b.x);
    const std::int32_t top = std::min(a.y, b.y);
    return Box {
        left, top, std::max(a.right(), b.right()) - left, std::max(a.bottom(), b.bottom()) - top};
}

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
    std::vector<const RegionResult *> digits;
    std::int64_t tallest = 0;
    for (const RegionResult &result : results) {
        if (result.hasDigit()) {
            digits.push_back(&result);
            tallest = std::max<std::int64_t>(tallest, result.box.height);
        }
    }
    std::sort(digits.begin(), digits.end(),
        [](const RegionResult *a, const RegionResult *b) { return leftToRight(a->box, b->box); });

    // In order of their left edge, a digit further right than the tallest allowed gap beyond
    // this one's right edge cannot join it, nor can any after it.
    Groups groups(digits.size());
    for (std::size_t i = 0; i < digits.size(); ++i) {
        const Box &a = digits[i]->box;
        for (std::size_t j = i + 1; j < digits.size(); ++j) {
            const Box &b = digits[j]->box;
            if ((std::int64_t(b.x) - a.right()) * kGapDenominator > kGapNumerator * tallest)
                break;
            if (SameNumber(a, b))
                groups.join(i, j);
        }
    }

    // Digits were visited left to right, so each number receives them in reading order.
    std::vector<Number> numbers;
    std::vector<std::size_t> numberOf(digits.size(), SIZE_MAX);
    for (std::size_t i = 0; i < digits.size(); ++i) {
        std::size_t &index = numberOf[groups.find(i)];
        if (index == SIZE_MAX) {
            index = numbers.size();
            numbers.push_back(Number {std::string(), digits[i]->box, {}});
        }
        Number &number = numbers[index];
        number.text += digits[i]->digit;
        number.box = unite(number.box, digits[i]->box);
        number.regions.push_back(digits[i]->region);
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
