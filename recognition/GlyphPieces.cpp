#include "recognition/GlyphPieces.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <numeric>

namespace {

// Shares of a block's height, in tenths or per cent: how near two atoms must lie to join a
// block (of the taller one's height, at most three times the smaller one's), how wide and how
// tall a region must be to be cut, how far a cut keeps from its region's edges and from the
// next cut, how wide a run may grow, and the widest gap within a run.
constexpr int kJoinTenths = 3;
// How many times the longer side of one atom may be the other's, for them to join.
constexpr std::int64_t kSizeRatio = 6;
// One above the other, by the smaller one's height: the halves of a display's digit have a
// middle segment's room between their upright segments.
constexpr int kStackTenths = 8;
constexpr int kCutWidthTenths = 7;
constexpr int kCutHeightTenths = 6;
constexpr int kCutEdgePercent = 6;
constexpr int kCutSpacingPercent = 20;
constexpr int kRunGapTenths = 4;
// The most a cut leans, in tenths of a column a row (about 22 degrees either way), and what
// each tenth costs, in pixels crossed, as a share of the block's height in per cent.
constexpr int kMostLean = 4;
constexpr int kLeanCostPercent = 5;

std::int32_t longerSide(const Box &box)
{
    return std::max(box.width, box.height);
}

// The gap between two boxes along one axis, 0 where they overlap.
std::int64_t gap(std::int32_t from, std::int32_t to, std::int32_t otherFrom, std::int32_t otherTo)
{
    return std::max<std::int64_t>({0, std::int64_t(otherFrom) - to, std::int64_t(from) - otherTo});
}

bool near(const Box &a, const Box &b, BlockJoin join)
{
    // Measured by heights, which a line's digits share whatever their widths: a segment beside
    // a taller one by the taller, at most three times its own height, so that a speck beside a
    // digit does not reach far.
    const std::int64_t smaller = std::min(a.height, b.height);
    const std::int64_t margin = std::min<std::int64_t>(std::max(a.height, b.height), 3 * smaller);
    // Nor does a frame, a rule or a band of shadow take in the digits it passes: what joins is
    // of a size, by the longer sides, which a segment shares with a digit.
    const std::int64_t longer = std::max(longerSide(a), longerSide(b));
    if (join == BlockJoin::OfASize && longer > kSizeRatio * std::min(longerSide(a), longerSide(b)))
        return false;
    return gap(a.x, a.right(), b.x, b.right()) * 10 <= kJoinTenths * margin &&
        gap(a.y, a.bottom(), b.y, b.bottom()) * 10 <= kJoinTenths * margin;
}

bool stacked(const Box &a, const Box &b)
{
    return gap(a.x, a.right(), b.x, b.right()) == 0 &&
        gap(a.y, a.bottom(), b.y, b.bottom()) * 10 <=
        std::int64_t(kStackTenths) * std::min(a.height, b.height);
}

// A cut through a region: its column on the region's top row, and its lean (GlyphAtom).
struct CutLine
{
    std::int32_t column = 0;
    int lean = 0;
};

// a / b rounded down, for b > 0.
std::int64_t floorDiv(std::int64_t a, std::int64_t b)
{
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// The lines where a region wide for its block may be cut, left to right: of each lean, the
// lines that cross fewer of its pixels than their neighbours do (the lowest points of the
// profile along that lean); of those the ones that cost least, upright ones first, well inside
// the region at its top and bottom rows and apart from each other at both.
std::vector<CutLine> cutLines(const item &region, const Box &box, std::int32_t height)
{
    std::vector<CutLine> lines;
    // Only a region as tall as a digit of its block, and wide for that, may hold several.
    if (std::int64_t(box.width) * 10 < std::int64_t(kCutWidthTenths) * height ||
        std::int64_t(box.height) * 10 < std::int64_t(kCutHeightTenths) * height)
        return lines;
    const std::int32_t edge = std::max<std::int32_t>(2, height * kCutEdgePercent / 100);
    const std::int32_t spacing = std::max<std::int32_t>(2, height * kCutSpacingPercent / 100);
    const std::int64_t rows = box.height - 1; // from the top row to the bottom one
    const auto bottomColumn = [&](const CutLine &line) {
        return line.column + floorDiv(line.lean * rows, 10);
    };
    struct Candidate
    {
        CutLine line;
        // The pixels it crosses, in hundredths, and its lean's cost: a leaning line must cross
        // fewer than an upright one by a share of the height for each tenth it leans, so that
        // digits that touch come apart along a line where their slant, or a stroke they share,
        // leads it, not merely where a slanted line finds a little less ink.
        std::int64_t cost;
    };
    std::vector<Candidate> minima;
    std::vector<std::int32_t> profile;
    for (int step = 0; step < 2 * kMostLean + 1; ++step) {
        const int lean = (step + 1) / 2 * (step % 2 == 1 ? -1 : 1); // 0, -1, 1, -2, 2, ...
        // Top-row columns from `first` on: the leftmost a line of this lean through a pixel of
        // the box can have, to the rightmost.
        const std::int64_t first =
            floorDiv(10 * std::int64_t(box.x) - std::max(0, lean) * rows, 10);
        const std::int64_t last =
            floorDiv(10 * std::int64_t(box.right() - 1) - std::min(0, lean) * rows, 10);
        profile.assign(std::size_t(last - first + 1), 0);
        for (const Point &p : region.points)
            ++profile[std::size_t(floorDiv(CutPosition(p, box.y, lean), 10) - first)];
        for (std::int64_t c = first + 1; c < last; ++c) {
            const CutLine line {std::int32_t(c), lean};
            const std::int64_t low = std::min<std::int64_t>(c, bottomColumn(line));
            const std::int64_t high = std::max<std::int64_t>(c, bottomColumn(line));
            if (low < box.x + edge || high + edge >= box.right())
                continue;
            const std::int32_t here = profile[std::size_t(c - first)];
            if (here <= profile[std::size_t(c - first - 1)] &&
                here <= profile[std::size_t(c - first + 1)])
                minima.push_back({line,
                    100 * std::int64_t(here) +
                        std::int64_t(kLeanCostPercent) * height * std::abs(lean)});
        }
    }
    std::stable_sort(minima.begin(), minima.end(),
        [](const Candidate &a, const Candidate &b) { return a.cost < b.cost; });
    const int most = int(std::min<std::int64_t>(kMostCuts, std::int64_t(box.width) / spacing));
    for (const Candidate &candidate : minima) {
        if (int(lines.size()) >= most)
            break;
        const CutLine &line = candidate.line;
        const bool apart = std::all_of(lines.begin(), lines.end(), [&](const CutLine &other) {
            const std::int64_t atTop = std::int64_t(line.column) - other.column;
            const std::int64_t atBottom = bottomColumn(line) - bottomColumn(other);
            return std::abs(atTop) >= spacing && std::abs(atBottom) >= spacing &&
                (atTop > 0) == (atBottom > 0);
        });
        if (apart)
            lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end(),
        [](const CutLine &a, const CutLine &b) { return a.column < b.column; });
    return lines;
}

// The parts of a region between its cuts, each with its box and count; a part without a
// pixel is left out. The cuts do not cross within the region's rows, so a pixel lies in the
// first part that holds it.
void appendParts(const item &region, const GlyphAtom &whole, const std::vector<CutLine> &cuts,
    std::vector<GlyphAtom> &atoms)
{
    std::vector<CutLine> edges {{whole.from, 0}};
    edges.insert(edges.end(), cuts.begin(), cuts.end());
    edges.push_back({whole.to, 0});
    const std::size_t first = atoms.size();
    for (std::size_t i = 0; i + 1 < edges.size(); ++i) {
        atoms.push_back({whole.region, edges[i].column, edges[i + 1].column, true, {}, 0,
            whole.box.y, edges[i].lean, edges[i + 1].lean});
    }
    std::vector<std::int32_t> left(edges.size() - 1, INT32_MAX), right(edges.size() - 1, INT32_MIN),
        top(edges.size() - 1, INT32_MAX), bottom(edges.size() - 1, INT32_MIN);
    for (const Point &p : region.points) {
        std::size_t part = 0;
        while (part < cuts.size() && !atoms[first + part].holds(p))
            ++part;
        GlyphAtom &atom = atoms[first + part];
        ++atom.count;
        left[part] = std::min(left[part], p.x);
        right[part] = std::max(right[part], p.x);
        top[part] = std::min(top[part], p.y);
        bottom[part] = std::max(bottom[part], p.y);
    }
    std::size_t kept = first;
    for (std::size_t part = 0; part + 1 < edges.size(); ++part) {
        GlyphAtom atom = atoms[first + part];
        if (atom.count == 0)
            continue;
        atom.box = {
            left[part], top[part], right[part] - left[part] + 1, bottom[part] - top[part] + 1};
        atoms[kept++] = atom;
    }
    atoms.resize(kept);
}

// A block of the given whole atoms at the given height: each appended to the pieces' atoms,
// or, when it is wide for the block, its parts. The atoms are charged beyond `base` bytes.
GlyphBlock cutBlock(const RegionTable &regions, const std::vector<GlyphAtom> &own,
    std::int32_t height, GlyphPieces &pieces, MemoryReservation &charge, std::int64_t base)
{
    GlyphBlock block;
    block.height = height;
    for (const GlyphAtom &atom : own) {
        const item &region = regions[std::size_t(atom.region)];
        const std::vector<CutLine> cuts = cutLines(region, atom.box, block.height);
        const std::size_t first = pieces.atoms.size();
        if (cuts.empty())
            pieces.atoms.push_back(atom);
        else
            appendParts(region, atom, cuts, pieces.atoms);
        for (std::size_t a = first; a < pieces.atoms.size(); ++a)
            block.atoms.push_back(a);
        charge.cover(base + std::int64_t(pieces.atoms.capacity()) * kGlyphPartBytes);
    }
    return block;
}

} // namespace

GlyphPieces FindGlyphPieces(const RegionTable &regions, const std::vector<RegionResult> &results,
    int minSide, MemoryReservation &charge, BlockJoin join)
{
    GlyphPieces pieces;
    std::size_t candidates = 0;
    for (const RegionResult &result : results)
        candidates += result.traced;
    // The whole atoms with their order and sets, then the atoms of the blocks as they come.
    charge.resize(std::int64_t(candidates) * kGlyphPieceBytesPerRegion);
    std::vector<GlyphAtom> whole;
    for (const RegionResult &result : results) {
        if (result.traced && longerSide(result.box) >= minSide)
            whole.push_back(
                {result.region, result.box.x, result.box.right(), false, result.box, result.count});
    }

    // Blocks: atoms joined when they lie near each other, found in order of left edge; an atom
    // further right than its own reach beyond one's right edge is too far, and so is every
    // atom after it.
    std::vector<std::size_t> byLeft(whole.size());
    std::iota(byLeft.begin(), byLeft.end(), std::size_t(0));
    std::stable_sort(byLeft.begin(), byLeft.end(),
        [&](std::size_t a, std::size_t b) { return whole[a].box.x < whole[b].box.x; });
    DisjointSets sets(whole.size());
    for (std::size_t i = 0; i < byLeft.size(); ++i) {
        const Box &a = whole[byLeft[i]].box;
        const std::int64_t reach = std::int64_t(a.right()) + 3 * kJoinTenths * a.height / 10;
        for (std::size_t j = i + 1; j < byLeft.size(); ++j) {
            const Box &b = whole[byLeft[j]].box;
            if (b.x > reach)
                break;
            if (near(a, b, join))
                sets.join(byLeft[i], byLeft[j]);
        }
    }
    std::vector<std::size_t> blockOf(whole.size(), SIZE_MAX);
    std::vector<std::vector<std::size_t>> members;
    std::vector<Box> blockBoxes;
    for (const std::size_t i : byLeft) {
        std::size_t &block = blockOf[sets.find(i)];
        if (block == SIZE_MAX) {
            block = members.size();
            members.emplace_back();
            blockBoxes.push_back(whole[i].box);
        }
        members[block].push_back(i);
        blockBoxes[block] = blockBoxes[block].united(whole[i].box);
    }

    // Each block's atoms, a region wide for the block replaced by its parts.
    pieces.blocks.resize(members.size());
    const std::int64_t wholeBytes = std::int64_t(candidates) * kGlyphPieceBytesPerRegion;
    for (std::size_t b = 0; b < members.size(); ++b) {
        std::vector<GlyphAtom> own;
        for (const std::size_t i : members[b])
            own.push_back(whole[i]);
        pieces.blocks[b] = cutBlock(regions, own, blockBoxes[b].height, pieces, charge, wholeBytes);
    }

    // The blocks that lie one above the other, found as the atoms were, for the reading.
    for (std::size_t i = 0; join == BlockJoin::OfASize && i < byLeft.size(); ++i) {
        const Box &a = whole[byLeft[i]].box;
        for (std::size_t j = i + 1; j < byLeft.size(); ++j) {
            const Box &b = whole[byLeft[j]].box;
            if (b.x > a.right())
                break;
            const std::size_t blockA = blockOf[sets.find(byLeft[i])];
            const std::size_t blockB = blockOf[sets.find(byLeft[j])];
            if (blockA != blockB && stacked(a, b))
                pieces.stacked.emplace_back(std::min(blockA, blockB), std::max(blockA, blockB));
        }
    }
    std::sort(pieces.stacked.begin(), pieces.stacked.end());
    pieces.stacked.erase(
        std::unique(pieces.stacked.begin(), pieces.stacked.end()), pieces.stacked.end());
    charge.cover(wholeBytes + std::int64_t(pieces.atoms.capacity()) * kGlyphPartBytes +
        std::int64_t(pieces.stacked.capacity() * sizeof(pieces.stacked[0])));
    return pieces;
}

namespace {

// The regions of the given blocks, each once and whole again, in order of left edge.
std::vector<GlyphAtom> wholeRegions(
    const GlyphPieces &pieces, const std::vector<std::size_t> &blocks)
{
    std::vector<GlyphAtom> own;
    for (const std::size_t b : blocks) {
        for (const std::size_t a : pieces.blocks[b].atoms) {
            const GlyphAtom &atom = pieces.atoms[a];
            if (!own.empty() && own.back().region == atom.region) {
                own.back().box = own.back().box.united(atom.box);
                own.back().count += atom.count;
            } else {
                own.push_back({atom.region, 0, 0, false, atom.box, atom.count});
            }
        }
    }
    for (GlyphAtom &atom : own) {
        atom.from = atom.box.x;
        atom.to = atom.box.right();
    }
    std::stable_sort(own.begin(), own.end(),
        [](const GlyphAtom &a, const GlyphAtom &b) { return a.box.x < b.box.x; });
    return own;
}

// What the pieces' atoms are charged beyond.
std::int64_t chargedBeyondAtoms(const GlyphPieces &pieces, const MemoryReservation &charge)
{
    return charge.bytes() - std::int64_t(pieces.atoms.capacity()) * kGlyphPartBytes;
}

} // namespace

GlyphBlock StackBlocks(const RegionTable &regions, GlyphPieces &pieces,
    const std::vector<std::size_t> &blocks, MemoryReservation &charge)
{
    const std::vector<GlyphAtom> own = wholeRegions(pieces, blocks);
    Box box = own.front().box;
    for (const GlyphAtom &atom : own)
        box = box.united(atom.box);
    return cutBlock(regions, own, box.height, pieces, charge, chargedBeyondAtoms(pieces, charge));
}

std::vector<GlyphBlock> LinesOfBlock(
    const RegionTable &regions, GlyphPieces &pieces, std::size_t block, MemoryReservation &charge)
{
    const std::vector<GlyphAtom> own = wholeRegions(pieces, {block});
    // Rows taken by regions one after another, top down: a line ends where no region reaches
    // below it.
    std::vector<std::size_t> byTop(own.size());
    std::iota(byTop.begin(), byTop.end(), std::size_t(0));
    std::stable_sort(byTop.begin(), byTop.end(),
        [&](std::size_t a, std::size_t b) { return own[a].box.y < own[b].box.y; });
    std::vector<std::size_t> lineOf(own.size());
    std::vector<std::int32_t> heights;
    std::int32_t top = 0, bottom = 0;
    for (const std::size_t i : byTop) {
        const Box &box = own[i].box;
        if (heights.empty() || box.y >= bottom) {
            if (!heights.empty())
                heights.back() = bottom - top;
            heights.push_back(0);
            top = box.y;
            bottom = box.bottom();
        }
        bottom = std::max(bottom, box.bottom());
        lineOf[i] = heights.size() - 1;
    }
    std::vector<GlyphBlock> lines;
    if (heights.size() < 2)
        return lines;
    heights.back() = bottom - top;
    std::vector<std::vector<GlyphAtom>> members(heights.size());
    for (std::size_t i = 0; i < own.size(); ++i)
        members[lineOf[i]].push_back(own[i]);
    for (std::size_t l = 0; l < members.size(); ++l)
        lines.push_back(cutBlock(
            regions, members[l], heights[l], pieces, charge, chargedBeyondAtoms(pieces, charge)));
    return lines;
}

void AppendAtomPoints(const RegionTable &regions, const GlyphAtom &atom, std::vector<Point> &points)
{
    const item &region = regions[std::size_t(atom.region)];
    if (!atom.cut) {
        points.insert(points.end(), region.points.begin(), region.points.end());
        return;
    }
    for (const Point &p : region.points) {
        if (atom.holds(p))
            points.push_back(p);
    }
}

std::vector<GlyphRun> CandidateRuns(const GlyphPieces &pieces, const GlyphBlock &block)
{
    std::vector<GlyphRun> runs;
    const std::int64_t widest = std::int64_t(block.height) * kWidestDigitTenths / 10;
    const std::int64_t widestGap = std::int64_t(block.height) * kRunGapTenths / 10;
    for (std::size_t first = 0; first < block.atoms.size(); ++first) {
        Box box = pieces.atoms[block.atoms[first]].box;
        runs.push_back({first, first + 1, box});
        for (std::size_t last = first + 1;
             last < block.atoms.size() && last - first < std::size_t(kMostRunAtoms); ++last) {
            const Box &next = pieces.atoms[block.atoms[last]].box;
            if (std::int64_t(next.x) - box.right() > widestGap)
                break;
            box = box.united(next);
            if (box.width > widest)
                break;
            runs.push_back({first, last + 1, box});
        }
    }
    return runs;
}
