// The region table: what region labelling finds in the work raster.
//
// Entry 0 is reserved and stays all zero; regions are numbered from 1 in order of creation.
// An entry merged into another stays in the table with count 0, no points and a mergeLink
// naming the region that absorbed it at that moment. The table is owned by the recognition
// state and rebuilt by every LabelRegions call.
#pragma once

#include "recognition/PointList.h"

#include <cstdint>
#include <vector>

struct item
{
    std::int32_t count = 0;     // pixels in points; 0 marks a merged entry
    PointList points;           // the region's pixels, each once (order: see LabelRegions)
    std::int32_t firstRow = 0;  // the row in which the entry was created
    std::int32_t mergeLink = 0; // 0, or the region that absorbed this one
};

// A speckled page holds hundreds of thousands of entries: keep them at 32 bytes.
static_assert(sizeof(item) == 32);

using RegionTable = std::vector<item>;

// A growable array of 32-bit integers: the label rows and the touched list of labelling.
using ZonaRosta = std::vector<std::int32_t>;

// A red byte below this is dark; contour walking may also step on a red byte equal to it.
inline constexpr int kDarkRedLimit = 128;

// Dark pixel: red byte below kDarkRedLimit. Blue and green never matter.
inline bool isDarkRed(std::uint8_t red)
{
    return red < kDarkRedLimit;
}
