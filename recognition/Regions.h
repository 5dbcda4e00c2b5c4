// The region table: what region labelling finds in the work raster.
//
// Entry 0 is reserved and stays all zero; regions are numbered from 1 in order of creation.
// An entry merged into another stays in the table with count 0, no points and a mergeLink
// naming the region that absorbed it at that moment. The table is owned by the recognition
// state and rebuilt by every LabelRegions call.
#pragma once

#include "PointList.h"

#include <cstdint>
#include <vector>

class MemoryReservation;
class RowTable;

struct item
{
    std::int32_t count = 0;     // pixels in points; 0 marks a merged entry
    PointList points;           // the region's pixels, each once (order: see LabelRegions)
    std::int32_t firstRow = 0;  // the row in which the entry was created
    std::int32_t mergeLink = 0; // 0, or the region that absorbed this one
};

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

// Finds every blob of dark pixels (joined through any of their eight neighbours) in one scan,
// top row first, left to right, and rebuilds the region table: one live entry per blob.
//
// Order of each entry's points: the run that created it left to right (so points[0] is the
// leftmost pixel of the blob's topmost run); every later run right to left; each absorbed
// region's pixels after the run that absorbed it, in the reverse of their order there.
// The representative of a merge is the touched region with the smallest firstRow, ties going
// to the one found first (further left in the row above). Merge links are followed to the
// live region, so every blob ends in exactly one live entry.
//
// Reads only the red bytes, through the row table; changes nothing in the raster.
//
// The tables are charged to the run's memory budget as they grow; `charge` keeps what the
// finished region table holds for as long as the table lives (the two-argument form gives it
// back at once). Over budget it throws "Out of system resources" with entry 0 alone left.
void LabelRegions(const RowTable &rows, RegionTable &regions);
void LabelRegions(const RowTable &rows, RegionTable &regions, MemoryReservation &charge);
