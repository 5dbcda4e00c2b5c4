// Reading digits as numbers: the digits that a pass found, grouped by where their boxes lie.
// Two digits belong to one number when their boxes overlap vertically by at least half the
// smaller height and the horizontal gap between them is at most half the taller height; the
// relation is closed transitively. Regions without a digit neither join nor split numbers.
//
//      +--+ gap +--+        overlap: rows that both boxes cover
//      |2 |<--->|0 |        gap:     columns strictly between them (0 when they overlap)
//      +--+     |  |
//               +--+
#pragma once

#include "recognition/Glyph.h"
#include "recognition/RegionResult.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct Number
{
    std::string text;         // its digits, left to right
    Box box;                  // the smallest box holding its digits' boxes
    std::vector<int> regions; // its digits' region numbers, left to right
    std::vector<int> glyphs;  // numbers read from glyphs: theirs (from 1), left to right
};

// A digit where it lies on the page, for grouping: a region's or a glyph's.
struct PlacedDigit
{
    Box box;
    char digit = 0;
    int id = 0; // the region's or the glyph's number
};

// The overlap and gap rules as ratios: overlap * 2 >= smaller height, gap * 2 <= taller.
//
// The gap limit separates numbers set one space apart: in DejaVu Sans at 24 and 48 points,
// digits of one number lie at most 0.29 heights apart and numbers one space apart at least
// 0.56. Drawn digits of one number lie 0.34 to 0.45 heights apart, except beside a narrow "1"
// drawn in a cell as wide as the others (0.62), which a half-height limit splits off.
inline constexpr int kOverlapDenominator = 2;
inline constexpr int kGapNumerator = 1;
inline constexpr int kGapDenominator = 2;

// Whether two digit boxes belong to one number.
bool SameNumber(const Box &a, const Box &b);

// What GroupNumbers holds at its peak with the numbers it returns, at most, per result given
// to it (about 190 bytes a digit): for callers to charge to the run's memory budget first.
inline constexpr std::int64_t kNumbersBytesPerResult = 192;
// The same for a grouping of this many digits at most, with what every grouping holds: the
// counting sort's table of bands has room for a thousand bands however few the digits.
inline std::int64_t GroupingBytes(std::size_t digits)
{
    return (std::int64_t(16) << 10) + std::int64_t(digits) * kNumbersBytesPerResult;
}

// The numbers among the results, line by line from the top, each line left to right. A line
// is a run of numbers, taken in order of their box's vertical middle, whose middles fall inside
// the rows that the line's first number covers.
std::vector<Number> GroupNumbers(std::span<const PlacedDigit> digits);
// The regions that have a digit; each number's regions are theirs.
std::vector<Number> GroupNumbers(const std::vector<RegionResult> &results);
// The glyphs; each number's glyphs are theirs (numbered from 1), and its regions all that its
// glyphs take pixels from, in the glyphs' order.
std::vector<Number> GroupNumbers(const std::vector<Glyph> &glyphs);

// What the numbers that GroupNumbers returned hold, once it has: their array and their texts'
// and region lists.
std::int64_t NumbersBytes(const std::vector<Number> &numbers);

// The numbers' texts joined by the separator ("2026 17 5").
std::string JoinNumbers(const std::vector<Number> &numbers, const char *separator);
