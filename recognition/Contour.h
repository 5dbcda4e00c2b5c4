// Contour tracing: the outline of one region, walked from the region's first listed pixel.
//
// The contour is owned by the recognition state and refilled by every walk. Element 0 is the
// first neighbour reached from the start pixel S, each following element the point reached by
// the next move, and the last element is S.
#pragma once

#include "Regions.h"

#include <vector>

class RowTable;

using Contour = std::vector<Point>;

// Walks the outer boundary of the region from its points[0] and marks every pixel it stands on
// (green byte 255; red and blue untouched). Returns false, with the contour empty and nothing
// marked, when no first move exists.
bool TraceContour(RowTable &rows, const item &region, Contour &contour);
