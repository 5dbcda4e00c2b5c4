// The pieces that glyphs are made of, and how they lie in lines. Here's the plan:
//
//   1. atoms: every traced region that is not a speck is an atom, whole;
//   2. blocks: atoms close enough to belong to one number join a block (their boxes, grown by
//      a share of their heights, meet); a block's height is what its digits are measured
//      against;
//   3. cuts: a region as tall as a digit of its block and wide for that may hold several
//      touching digits; the lines, upright or leaning a little either way, that cross fewest
//      of its pixels become cut candidates, and the region is replaced in the block by the
//      parts between its cuts (a cut runs through the region's own pixels only: a part is the
//      region's pixels between two lines);
//   4. runs: a candidate glyph is a run of neighbouring atoms of a block, left to right, not
//      wider than a digit can be.
//
//      block:   [seg][seg][seg] [seg][seg]   [ region wide enough to cut ]
//      atoms:    a0   a1   a2    a3   a4      a5 | a6 | a7      (| : a cut)
//      runs:    a0, a0-a1, a0-a2, a1, a1-a2, ..., a5, a5-a6, a5-a7, ...
//
//   5. stacks: blocks that lie one above the other, close for their heights, are noted in
//      pairs; the halves of a display's 0 or 7 come apart so, and so do two lines of print.
//      Reading decides: a set of them is read again as one block where that reads more of
//      their ink, and better.
//
// Every step has a bound, so that a page of noise or one huge blob costs a constant factor of
// the regions, never a power of them: at most kMostCuts cuts a region and kMostRunAtoms atoms
// a run.
#pragma once

#include "base/MemoryBudget.h"
#include "recognition/Box.h"
#include "recognition/RegionResult.h"
#include "recognition/Regions.h"

#include <cstddef>
#include <cstdint>
#include <numeric>
#include <utility>
#include <vector>

// Disjoint sets over 0 .. size-1.
class DisjointSets
{
public:
    explicit DisjointSets(std::size_t size)
        : m_parent(size)
    {
        std::iota(m_parent.begin(), m_parent.end(), std::size_t(0));
    }
    std::size_t find(std::size_t i)
    {
        while (m_parent[i] != i)
            i = m_parent[i] = m_parent[m_parent[i]];
        return i;
    }
    void join(std::size_t a, std::size_t b) { m_parent[find(a)] = find(b); }

private:
    std::vector<std::size_t> m_parent;
};

inline constexpr int kMostCuts = 12;
inline constexpr int kMostRunAtoms = 8;
// The widest a digit is, in tenths of its block's height.
inline constexpr int kWidestDigitTenths = 13;

// A region whole, or the pixels of it between two cut lines. A line runs through column
// `from` (or `to`) on the region's top row `top`, leaning `lean` tenths of a column to the
// right for each row down (to the left where negative): upright, or along the slant of italic
// digits and of a stroke that two digits share. A pixel lies to the right of a line where
// CutPosition reaches ten times the line's column.
struct GlyphAtom
{
    int region = 0;
    std::int32_t from = 0, to = 0; // columns of the work raster, on row `top`
    bool cut = false;              // a part of its region, not all of it
    Box box;                       // of its pixels
    std::int32_t count = 0;        // its pixels
    std::int32_t top = 0;
    int fromLean = 0, toLean = 0;

    bool holds(const Point &p) const;
};

// A pixel's column, in tenths, moved along a line of the given lean to the given row.
inline std::int64_t CutPosition(const Point &p, std::int32_t top, int lean)
{
    return 10 * std::int64_t(p.x) - std::int64_t(lean) * (std::int64_t(p.y) - top);
}

inline bool GlyphAtom::holds(const Point &p) const
{
    return CutPosition(p, top, fromLean) >= 10 * std::int64_t(from) &&
        CutPosition(p, top, toLean) < 10 * std::int64_t(to);
}

// Atoms that lie together, left to right (the parts of a cut region side by side, in order).
struct GlyphBlock
{
    std::vector<std::size_t> atoms; // into GlyphPieces::atoms
    std::int32_t height = 0;        // of the block's box
};

struct GlyphPieces
{
    std::vector<GlyphAtom> atoms;
    std::vector<GlyphBlock> blocks;
    // Pairs of blocks, each pair once, that lie one above the other close enough to be the
    // upper and lower parts of one line's digits: the halves of a display's 0 or 7, between
    // which the middle segment is missing. Whether they are is for reading to decide.
    std::vector<std::pair<std::size_t, std::size_t>> stacked;
};

// Which atoms near each other join a block: those of a size (a frame or a rule never takes in
// the digits it passes), or any (as the training scenes of the built-in model were cut up;
// a model trained anew may do without).
enum class BlockJoin { OfASize, AnySize };

// The pieces of a labelling: results are the pass's, one for every live region. Regions whose
// box's longer side is below minSide, and regions without an outline, are no atom.
// The pieces and their tables are charged to `charge` as they grow, and stay charged for as
// long as it is kept.
GlyphPieces FindGlyphPieces(const RegionTable &regions, const std::vector<RegionResult> &results,
    int minSide, MemoryReservation &charge, BlockJoin join = BlockJoin::OfASize);

// A block of the regions of the given blocks together, measured and cut anew at its own
// height. Its atoms are appended to the pieces' atoms; the block is returned, not added.
GlyphBlock StackBlocks(const RegionTable &regions, GlyphPieces &pieces,
    const std::vector<std::size_t> &blocks, MemoryReservation &charge);

// The lines of a block: its regions, whole again, in sets whose rows follow on from each other
// down the block, each a block measured and cut anew at its own height. Lines of print set so
// tightly that they joined one block come apart so. Their atoms are appended to the pieces'
// atoms; the blocks are returned, not added, and none where the block is one line.
std::vector<GlyphBlock> LinesOfBlock(
    const RegionTable &regions, GlyphPieces &pieces, std::size_t block, MemoryReservation &charge);

// The atom's pixels, appended to points.
void AppendAtomPoints(
    const RegionTable &regions, const GlyphAtom &atom, std::vector<Point> &points);

// A run of a block's atoms, [first, last) in its order, and the box of their pixels.
struct GlyphRun
{
    std::size_t first = 0, last = 0;
    Box box;
};

// Every run of a block that may be one digit: at most kMostRunAtoms atoms, no wider than a
// digit of the block's height, without a gap within it wider than a digit's stroke can leave.
// Runs come in order of their first atom, then of their length.
std::vector<GlyphRun> CandidateRuns(const GlyphPieces &pieces, const GlyphBlock &block);

// What finding the pieces holds for each region that may be an atom whole (its atom, its place
// in a block, its order and its set), and for each atom a block holds, parts included.
inline constexpr std::int64_t kGlyphPieceBytesPerRegion =
    2 * sizeof(GlyphAtom) + 4 * sizeof(std::size_t) + sizeof(Box);
inline constexpr std::int64_t kGlyphPartBytes = 2 * (sizeof(GlyphAtom) + sizeof(std::size_t));
