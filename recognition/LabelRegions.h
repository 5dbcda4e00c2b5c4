// Region labelling: one scan of the work raster that finds every blob of dark pixels and
// rebuilds the region table (Regions.h) from it.
#pragma once

#include "recognition/Regions.h"

class MemoryReservation;
class RowTable;

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
