// Contour tracing: the outline of one region, walked from the region's first listed pixel.
//
// The contour is owned by the recognition state and refilled by every walk. Element 0 is the
// first neighbour T reached from the start pixel S, each following element the point reached by
// the next move, and the last element is S. A point may occur more than once, S included.
//
// The walk reads and writes the work raster through the row table, which must be current
// (rebuilt since the last replacement of the pixel store).
#pragma once

#include "recognition/Regions.h"

#include <vector>

class RowTable;

using Contour = std::vector<Point>;

// A green byte above this marks a pixel as walked on; white pixels count as marked too.
inline constexpr int kMarkedGreenAbove = 128;

// Walks the outer boundary of the region from its points[0] and marks every pixel it stands on
// (green byte 255; red and blue untouched). Returns false, with the contour empty and nothing
// marked, when no first move exists (a one-pixel region), when the region has no points or when
// its first point lies outside the raster.
//
// Pixels are judged by their bytes alone: dark is red below 128, walkable is red at most 128,
// marked is green above 128 (a white pixel counts as marked). A neighbour outside the raster is
// neither dark, walkable nor marked, and nothing outside the raster is read or written.
//
// The walk stops back at S when the pixel below S is dark, or when the pixels right of S and
// right of and below S are both marked. Where that never happens, it stops at the return to S
// from which the next move would be the first move again: from there it could only repeat
// itself with the same marks. Every walk therefore ends, and ends with S.
bool TraceContour(RowTable &rows, const item &region, Contour &contour);
