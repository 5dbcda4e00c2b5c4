// The glyph stage of the learned method: the digits of a labelling read from its pieces
// (GlyphPieces.h), whether a digit is one region, several or part of one. Here's the plan:
//
//   1. every atom, and every region that may be an atom taken whole, is shown to the network;
//   2. runs of several atoms are shown too, except those that hold an atom already read as a
//      whole digit of the block's height beside another atom as tall as a digit: such a run
//      cannot win;
//   3. each block is read at once, left to right, by a dynamic programme over its atoms: an
//      atom is left out (not a digit) or starts a run read as a digit, and the reading with
//      the greatest summed log-probability wins. A run is a digit only when its most probable
//      digit reaches the least confidence, it is nearly as tall as its block and not smaller
//      than the least digit the network reads (its box's longer side); an atom left
//      out costs the network's probability that it is no digit when it is that tall, and a
//      fixed price when it is a smaller piece that the network cannot judge alone.
//
// The network's work is batched across the page. The pieces, the requests and the batches are
// charged to the run's memory budget while they live.
#pragma once

#include "recognition/Glyph.h"
#include "recognition/RegionResult.h"
#include "recognition/Regions.h"

#include <vector>

class DigitNetwork;

// The glyphs of the page, ordered by their first pixel, row by row. Fills in each judged
// region's confidence (the network's probability for the digit it sees in the region alone;
// -1 for a region too small to ask about: a speck, or a piece shorter than a digit of its line,
// such as a display's segment) and gives a region the digit of the glyph that is
// exactly that region, no digit otherwise.
std::vector<Glyph> ReadGlyphs(const RegionTable &regions, std::vector<RegionResult> &results,
    DigitNetwork &network, float minConfidence);
