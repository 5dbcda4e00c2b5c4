// Chain coding: the contour turned into unit pixel-edge moves that keep the region on the
// left (anticlockwise on the screen). The chain code is owned by the recognition state and
// rebuilt by every BuildChainCode call; it holds the codes of the last contour coded.
//
//   code 1: (-1, 0) a top edge, leftwards      code 3: (+1, 0) a bottom edge, rightwards
//   code 2: (0, +1) a left edge, downwards     code 4: (0, -1) a right edge, upwards
//
// A heading (1 to 4) is the side of the next contour pixel at which the edge walk arrives, and
// so the code with which the walk round that pixel begins.
#pragma once

#include "recognition/Contour.h"

#include <cstdint>
#include <vector>

using ChainCode = std::vector<std::uint8_t>;

// Appends the codes for the move from pixel (x0, y0) to pixel (x1, y1) arriving with the given
// heading, and returns the heading for the next move. Row before column, as the table is laid
// out. Moves other than the seven of W, SW, S, SE, E, NE and N (NW, no move, any jump) are all
// coded alike; a heading outside 1 to 4 appends nothing.
std::int32_t ChainStep(std::int32_t y0, std::int32_t x0, std::int32_t y1, std::int32_t x1,
    std::int32_t heading, ChainCode &chainCode);

// Empties the chain code and codes the closed contour: the closing move from the last point to
// the first comes first, with the heading taken from the last two points. A contour of fewer
// than two points gives an empty chain code.
void BuildChainCode(const Contour &contour, ChainCode &chainCode);
