// A glyph: one digit as the page shows it, read by the learned method from the regions of a
// line. It may be one region, several regions joined (the segments of a seven-segment digit,
// a broken stroke, a flag come loose), a part of a region cut from the digits it touches, or
// parts and regions together. A glyph owns what it holds; it stays valid when the region table
// is labelled again.
#pragma once

#include "recognition/Box.h"
#include "recognition/PointList.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

struct Glyph
{
    enum class Kind {
        Single,    // exactly one region, whole
        Assembled, // several whole regions
        Cut,       // at least one part of a region cut from the rest of it
    };

    char digit = '0';
    float confidence = 0; // the network's probability for the digit
    Box box;              // the smallest box holding its pixels
    Point start;          // its first pixel: the leftmost of its top row, where its label hangs
    Kind kind = Kind::Single;
    std::vector<int> regions; // the regions it takes pixels from, ascending
};

// What a list of glyphs holds: the array and each glyph's list of regions.
inline std::int64_t GlyphsBytes(const std::vector<Glyph> &glyphs)
{
    std::int64_t bytes = std::int64_t(glyphs.capacity() * sizeof(Glyph));
    for (const Glyph &glyph : glyphs)
        bytes += std::int64_t(glyph.regions.capacity() * sizeof(int));
    return bytes;
}

// "single", "assembled" or "cut", as the reports name the kinds.
inline std::string_view GlyphKindName(Glyph::Kind kind)
{
    return kind == Glyph::Kind::Single   ? "single"
        : kind == Glyph::Kind::Assembled ? "assembled"
                                         : "cut";
}

// Which glyphs each region is part of: (region, glyph) pairs, glyphs numbered from 1 in the
// list's order, ascending by region and then by glyph, for reports that go through the
// regions in order.
inline std::vector<std::pair<int, int>> GlyphsByRegion(const std::vector<Glyph> &glyphs)
{
    std::vector<std::pair<int, int>> pairs;
    for (std::size_t g = 0; g < glyphs.size(); ++g)
        for (const int region : glyphs[g].regions)
            pairs.emplace_back(region, int(g + 1));
    std::sort(pairs.begin(), pairs.end());
    return pairs;
}
