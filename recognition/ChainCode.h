// Chain coding: the contour turned into unit pixel-edge moves that keep the region on the
// left (anticlockwise on the screen). The chain code is owned by the recognition state and
// rebuilt by every BuildChainCode call.
//
//   code 1: (-1, 0) a top edge, leftwards      code 3: (+1, 0) a bottom edge, rightwards
//   code 2: (0, +1) a left edge, downwards     code 4: (0, -1) a right edge, upwards
#pragma once

#include "Contour.h"

#include <cstdint>
#include <vector>

using ChainCode = std::vector<std::uint8_t>;

// Appends the codes for the move from pixel (x0, y0) to pixel (x1, y1) arriving with the given
// heading, and returns the heading for the next move. Row before column, as the table is laid out.
std::int32_t ChainStep(std::int32_t y0, std::int32_t x0, std::int32_t y1, std::int32_t x1,
    std::int32_t heading, ChainCode &chainCode);

// Empties the chain code and codes the closed contour (at least two points): the closing move
// from the last point to the first comes first.
void BuildChainCode(const Contour &contour, ChainCode &chainCode);
