#include "recognition/ReadGlyphs.h"

#include "base/MemoryBudget.h"
#include "recognition/DigitImage.h"
#include "recognition/DigitNetwork.h"
#include "recognition/GlyphPieces.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <limits>
#include <optional>
#include <span>

namespace {

constexpr std::size_t kBatch = 256;
// Shares of a block's height, in tenths: the least height of a digit, and the height from
// which an atom read as a confident digit is taken for a whole one.
constexpr int kDigitTenths = 5;
constexpr int kWholeTenths = 8;
constexpr float kWholeConfidence = 0.9f;
// The probability from which a whole read as a digit (a region wide enough to cut, or a block of
// several atoms) is not read in parts: the network is all but sure of it. (Merged neighbours
// can read at 0.999.)
constexpr float kReadWholeConfidence = 0.9999f;
// What leaving out a piece too small to be a digit costs, as a log-probability.
const double kPieceLeftOut = std::log(0.5);
// What leaving out an atom as tall as a digit, or a part of a cut region, costs beyond the
// network's doubt that it is no digit: ink of that size is rarely nothing, and a reading that
// drops the part of a digit its neighbour overlaps is rarely right.
const double kInkLeftOut = std::log(0.001);
// The least probability taken into a sum, so that a sure "no" is a price, not minus infinity.
constexpr float kLeast = 1e-6f;
constexpr double kNever = -std::numeric_limits<double>::infinity();
// How much surer, as a mean log-probability, a block's lines must read apart than together.
const double kLinesMargin = std::log(1.05);
// The most blocks read together as the parts of one line.
constexpr std::size_t kMostStacked = 8;
// The most regions a region's box is compared with, to find what it encloses.
constexpr std::size_t kMostEnclosedLooks = 64;
// The most times a region's pixels are walked to see whether it surrounds one of those.
constexpr int kMostSurroundWalks = 4;

using Probabilities = std::array<float, kDigitClasses>;

char bestDigit(const Probabilities &p)
{
    return char('0' + (std::max_element(p.begin(), p.begin() + 10) - p.begin()));
}

float bestProbability(const Probabilities &p)
{
    return *std::max_element(p.begin(), p.begin() + 10);
}

// The network's answers for sets of pixels (a region whole, or atoms together), asked for
// first and answered in batches across the page.
class Judge
{
public:
    Judge(const RegionTable &regions, const GlyphPieces &pieces, DigitNetwork &network)
        : m_regions(regions)
        , m_pieces(pieces)
        , m_network(network)
    { }

    std::size_t askRegion(int region)
    {
        m_requests.push_back({m_atoms.size(), m_atoms.size(), region});
        return grow();
    }
    // Atoms by their index among the pieces.
    template<typename Atoms> std::size_t askAtoms(const Atoms &atoms)
    {
        const std::size_t begin = m_atoms.size();
        m_atoms.insert(m_atoms.end(), atoms.begin(), atoms.end());
        m_requests.push_back({begin, m_atoms.size(), 0});
        return grow();
    }

    // Answers every request asked since the last call.
    void answer()
    {
        m_answers.resize(m_requests.size());
        // One batch at a time: its pictures, and what the network holds for each.
        const MemoryReservation batchCharge(std::int64_t(kBatch) *
            std::int64_t(sizeof(DigitImage) + sizeof(Probabilities) + kNetworkBytesPerPicture));
        std::vector<DigitImage> images;
        std::vector<Point> points;
        for (std::size_t from = m_answered; from < m_requests.size(); from += kBatch) {
            const std::size_t to = std::min(m_requests.size(), from + kBatch);
            images.resize(to - from);
            for (std::size_t r = from; r < to; ++r) {
                points.clear();
                gather(m_requests[r], points);
                NormaliseDigit(points, images[r - from]);
            }
            m_network.probabilities(images, std::span(m_answers).subspan(from, to - from));
        }
        m_answered = m_requests.size();
    }

    const Probabilities &answerTo(std::size_t request) const { return m_answers[request]; }

    // Every pixel of a set of atoms, appended to points.
    template<typename Atoms> void gatherAtoms(const Atoms &atoms, std::vector<Point> &points) const
    {
        for (const std::size_t atom : atoms)
            AppendAtomPoints(m_regions, m_pieces.atoms[atom], points);
    }

private:
    struct Request
    {
        std::size_t begin, end; // into m_atoms
        int region;             // a region whole, or 0 for the atoms
    };

    std::size_t grow()
    {
        // The request, its answer and its atoms.
        m_charge.cover(
            std::int64_t(m_requests.capacity() * (sizeof(Request) + sizeof(Probabilities)) +
                m_atoms.capacity() * sizeof(std::size_t)));
        return m_requests.size() - 1;
    }

    void gather(const Request &request, std::vector<Point> &points) const
    {
        if (request.region != 0) {
            const item &region = m_regions[std::size_t(request.region)];
            points.assign(region.points.begin(), region.points.end());
            return;
        }
        for (std::size_t a = request.begin; a < request.end; ++a)
            AppendAtomPoints(m_regions, m_pieces.atoms[m_atoms[a]], points);
    }

    const RegionTable &m_regions;
    const GlyphPieces &m_pieces;
    DigitNetwork &m_network;
    std::vector<Request> m_requests;
    std::vector<std::size_t> m_atoms;
    std::vector<Probabilities> m_answers;
    std::size_t m_answered = 0;
    MemoryReservation m_charge;
};

constexpr std::size_t kNoRequest = SIZE_MAX;

// A block's runs with what the network said of each, and its reading.
struct BlockRuns
{
    std::vector<GlyphRun> runs;
    std::vector<std::size_t> requests; // per run; kNoRequest: not asked, it cannot win
};

bool tallEnough(const Box &box, const GlyphBlock &block, int tenths)
{
    return std::int64_t(box.height) * 10 >= std::int64_t(tenths) * block.height;
}

RegionResult *resultOf(std::vector<RegionResult> &results, int region)
{
    const auto found = std::lower_bound(results.begin(), results.end(), region,
        [](const RegionResult &result, int r) { return result.region < r; });
    return found != results.end() && found->region == region ? &*found : nullptr;
}

// Whether the region has pixels on all four sides of the box, level with it.
bool surrounds(const item &region, const Box &box)
{
    bool left = false, right = false, above = false, below = false;
    for (const Point &p : region.points) {
        const bool across = p.x >= box.x && p.x < box.right();
        const bool level = p.y >= box.y && p.y < box.bottom();
        above |= across && p.y < box.y;
        below |= across && p.y >= box.bottom();
        left |= level && p.x < box.x;
        right |= level && p.x >= box.right();
    }
    return left && right && above && below;
}

// The regions that surround a region that reads as a digit (`isDigit`, of an atom of it) and
// that is at most half as tall: a frame or a box drawn around a number, never a digit itself. (A
// slashed or dotted zero holds its mark, which is no digit.) Ascending. A region looks at most
// kMostEnclosedLooks others on, in order of left edge.
template<typename IsDigit>
std::vector<int> enclosingRegions(
    const RegionTable &table, const GlyphPieces &pieces, const IsDigit &isDigit)
{
    // Each region once, with its box from its atom or its parts, and its first atom.
    struct Whole
    {
        int region;
        Box box;
        std::size_t atom;
    };
    std::vector<Whole> wholes;
    for (std::size_t a = 0; a < pieces.atoms.size(); ++a) {
        const GlyphAtom &atom = pieces.atoms[a];
        if (a > 0 && atom.cut && pieces.atoms[a - 1].region == atom.region)
            wholes.back().box = wholes.back().box.united(atom.box);
        else
            wholes.push_back({atom.region, atom.box, a});
    }
    std::stable_sort(wholes.begin(), wholes.end(),
        [](const Whole &a, const Whole &b) { return a.box.x < b.box.x; });
    std::vector<int> regions;
    for (std::size_t i = 0; i < wholes.size(); ++i) {
        const Box &outer = wholes[i].box;
        int walks = 0; // of the region's pixels, each as long as the region
        for (std::size_t j = i + 1; j < wholes.size() && j <= i + kMostEnclosedLooks; ++j) {
            const Whole &inner = wholes[j];
            if (inner.box.x > outer.right() || walks == kMostSurroundWalks)
                break;
            if (outer.contains(inner.box) && std::int64_t(inner.box.height) * 2 <= outer.height &&
                !pieces.atoms[inner.atom].cut && isDigit(inner.atom)) {
                ++walks;
                if (surrounds(table[std::size_t(wholes[i].region)], inner.box)) {
                    regions.push_back(wholes[i].region);
                    break;
                }
            }
        }
    }
    std::sort(regions.begin(), regions.end());
    return regions;
}

// What a block's best reading holds: its glyphs, their summed log-probability less what
// leaving ink out costs, and the pixels the glyphs take.
struct BlockReading
{
    double score = 0;
    std::int64_t ink = 0;
    bool doubtful = false; // it leaves out ink as tall as a digit, or reads a digit unsure
    std::vector<Glyph> glyphs;
};

// Asks the network about atoms and runs of blocks, and reads blocks from its answers.
class Reader
{
public:
    Reader(const RegionTable &regions, const GlyphPieces &pieces, DigitNetwork &network,
        float minConfidence)
        : m_regions(regions)
        , m_pieces(pieces)
        , m_network(network)
        , m_minConfidence(minConfidence)
        , m_judge(regions, pieces, network)
    { }

    // Every atom from the given one on, in the given blocks: its region whole, where it is as
    // tall as a digit of its block (a shorter one, a segment or a loose flag, is only ever a
    // part of a digit there), and itself where it is a part of a region that the network is not
    // all but sure of, whole. The regions are answered; the parts are left to answer().
    void askAtoms(std::size_t from, const std::vector<GlyphBlock> &blocks)
    {
        // Each atom's block; an atom in none is asked about.
        std::vector<const GlyphBlock *> blockOf(m_pieces.atoms.size() - from, nullptr);
        MemoryReservation blockOfCharge(std::int64_t(blockOf.size() * sizeof(blockOf[0])));
        for (const GlyphBlock &block : blocks)
            for (const std::size_t a : block.atoms)
                if (a >= from)
                    blockOf[a - from] = &block;
        // A region asked about already, for an atom before `from`, is not asked again.
        std::vector<std::pair<int, std::size_t>> asked;
        MemoryReservation askedCharge(std::int64_t(from * sizeof(asked[0])));
        for (std::size_t a = 0; a < from; ++a) {
            if (m_wholeRequest[a] != kNoRequest &&
                (a == 0 || m_pieces.atoms[a - 1].region != m_pieces.atoms[a].region))
                asked.emplace_back(m_pieces.atoms[a].region, m_wholeRequest[a]);
        }
        std::sort(asked.begin(), asked.end());
        const auto askRegion = [&](int region) {
            const auto found =
                std::lower_bound(asked.begin(), asked.end(), std::pair(region, std::size_t(0)));
            return found != asked.end() && found->first == region ? found->second
                                                                  : m_judge.askRegion(region);
        };
        m_wholeRequest.resize(m_pieces.atoms.size(), kNoRequest);
        m_atomRequest.resize(m_pieces.atoms.size(), kNoRequest);
        m_readWhole.resize(m_pieces.atoms.size(), false);
        for (std::size_t a = from; a < m_pieces.atoms.size(); ++a) {
            const GlyphAtom &atom = m_pieces.atoms[a];
            // What is smaller than a digit can be is only ever a part of one, and not asked.
            const bool firstPart = a == from || m_pieces.atoms[a - 1].region != atom.region;
            if (firstPart) {
                Box box = atom.box;
                for (std::size_t b = a + 1; b < m_pieces.atoms.size() && m_pieces.atoms[b].cut &&
                     m_pieces.atoms[b].region == atom.region;
                     ++b)
                    box = box.united(m_pieces.atoms[b].box);
                const GlyphBlock *block = blockOf[a - from];
                const bool tall = block == nullptr || tallEnough(box, *block, kDigitTenths);
                m_wholeRequest[a] = digitSized(box) && tall ? askRegion(atom.region) : kNoRequest;
                // A cut region that may read whole as a digit, once the network has answered.
                m_readWhole[a] = atom.cut && m_wholeRequest[a] != kNoRequest &&
                    (block == nullptr || tallEnough(box, *block, kWholeTenths));
            } else {
                m_wholeRequest[a] = m_wholeRequest[a - 1];
            }
        }
        // Then the parts, of the regions that do not read whole as a digit of their block.
        m_judge.answer();
        for (std::size_t a = from; a < m_pieces.atoms.size(); ++a) {
            const GlyphAtom &atom = m_pieces.atoms[a];
            if (!atom.cut) {
                m_atomRequest[a] = m_wholeRequest[a];
                continue;
            }
            const bool firstPart = a == from || m_pieces.atoms[a - 1].region != atom.region;
            m_readWhole[a] = firstPart ? m_readWhole[a] &&
                    bestProbability(m_judge.answerTo(m_wholeRequest[a])) >= kReadWholeConfidence
                                       : m_readWhole[a - 1];
            m_atomRequest[a] = !m_readWhole[a] && digitSized(atom.box)
                ? m_judge.askAtoms(std::array {a})
                : kNoRequest;
        }
    }

    void answer() { m_judge.answer(); }

    // The frames among the regions, once the atoms have their answers.
    void findFrames()
    {
        m_frames = enclosingRegions(m_regions, m_pieces, [&](std::size_t atom) {
            const Box &box = m_pieces.atoms[atom].box;
            return std::max(box.width, box.height) >= m_network.minSide() &&
                regionConfidence(atom).value_or(0) >= kWholeConfidence;
        });
    }

    // The network's probability for the digit in the atom's region alone, or nothing where the
    // region is not asked about alone.
    std::optional<float> regionConfidence(std::size_t atom) const
    {
        if (m_wholeRequest[atom] == kNoRequest)
            return std::nullopt;
        return bestProbability(m_judge.answerTo(m_wholeRequest[atom]));
    }

    // The runs of the given blocks, asked about and answered. A block of several atoms that may
    // be one digit is asked about whole first; where the network is all but sure of it (a
    // display's digit of separate segments), its other runs are not asked about.
    std::vector<BlockRuns> askRuns(const std::vector<GlyphBlock> &blocks)
    {
        std::vector<BlockRuns> own(blocks.size());
        std::vector<std::size_t> whole(blocks.size(), kNoRequest); // the run of all its atoms
        for (std::size_t b = 0; b < blocks.size(); ++b) {
            own[b].runs = CandidateRuns(m_pieces, blocks[b]);
            own[b].requests.assign(own[b].runs.size(), kNoRequest);
            const std::size_t n = blocks[b].atoms.size();
            for (std::size_t r = 0; n > 1 && r < own[b].runs.size() && own[b].runs[r].first == 0;
                 ++r) {
                if (own[b].runs[r].last == n) {
                    whole[b] = r;
                    own[b].requests[r] = askRun(blocks[b], own[b].runs[r]);
                }
            }
        }
        answer();
        for (std::size_t b = 0; b < blocks.size(); ++b) {
            const std::size_t w = whole[b];
            if (w != kNoRequest && own[b].requests[w] != kNoRequest &&
                bestProbability(m_judge.answerTo(own[b].requests[w])) >= kReadWholeConfidence)
                continue;
            for (std::size_t r = 0; r < own[b].runs.size(); ++r) {
                if (r != w)
                    own[b].requests[r] = askRun(blocks[b], own[b].runs[r]);
            }
        }
        answer();
        return own;
    }

    // Blocks made anew, their atoms from `firstAtom` on: the atoms asked about and answered,
    // then the runs.
    std::vector<BlockRuns> askBlocks(std::size_t firstAtom, const std::vector<GlyphBlock> &blocks)
    {
        askAtoms(firstAtom, blocks);
        answer();
        return askRuns(blocks);
    }

    // The block read at once, its runs answered: best[i] is the best reading of its first i
    // atoms.
    BlockReading read(const GlyphBlock &block, const BlockRuns &own) const
    {
        const std::size_t n = block.atoms.size();
        std::vector<double> best(n + 1, kNever);
        std::vector<std::size_t> via(n + 1, kNoRequest); // the run ending there, or kLeftOut
        best[0] = 0;
        BlockReading reading;
        std::size_t r = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const GlyphAtom &atom = m_pieces.atoms[block.atoms[i]];
            const std::size_t request = m_atomRequest[block.atoms[i]];
            const bool ink =
                (atom.cut || tallEnough(atom.box, block, kDigitTenths)) && !frame(block.atoms[i]);
            // A piece too small to ask about is surely no digit alone.
            const double doubt = request == kNoRequest
                ? 0
                : std::log(std::max(m_judge.answerTo(request)[kNotADigit], kLeast));
            const double leftOut = ink ? doubt + kInkLeftOut : kPieceLeftOut;
            if (best[i] + leftOut > best[i + 1]) {
                best[i + 1] = best[i] + leftOut;
                via[i + 1] = ink ? kInkOut : kLeftOut;
            }
            for (; r < own.runs.size() && own.runs[r].first == i; ++r) {
                const Box &box = own.runs[r].box;
                const GlyphRun &run = own.runs[r];
                if (own.requests[r] == kNoRequest || !mayBeDigit(box, block) ||
                    std::any_of(block.atoms.begin() + std::ptrdiff_t(run.first),
                        block.atoms.begin() + std::ptrdiff_t(run.last),
                        [&](std::size_t a) { return frame(a); }))
                    continue;
                const float p = bestProbability(m_judge.answerTo(own.requests[r]));
                if (p < m_minConfidence)
                    continue;
                const double score = best[i] + std::log(std::max(p, kLeast));
                if (score > best[own.runs[r].last]) {
                    best[own.runs[r].last] = score;
                    via[own.runs[r].last] = r;
                }
            }
        }
        reading.score = best[n];
        std::vector<Point> points;
        for (std::size_t end = n; end > 0;) {
            if (via[end] == kLeftOut || via[end] == kInkOut) {
                reading.doubtful |= via[end] == kInkOut;
                --end;
                continue;
            }
            const GlyphRun &run = own.runs[via[end]];
            const Probabilities &p = m_judge.answerTo(own.requests[via[end]]);
            const std::span<const std::size_t> atoms(
                block.atoms.data() + run.first, run.last - run.first);
            Glyph glyph;
            glyph.digit = bestDigit(p);
            glyph.confidence = bestProbability(p);
            glyph.box = run.box;
            reading.doubtful |= glyph.confidence < kWholeConfidence;
            points.clear();
            m_judge.gatherAtoms(atoms, points);
            glyph.start = *std::min_element(points.begin(), points.end(),
                [](const Point &a, const Point &b) { return a.y != b.y ? a.y < b.y : a.x < b.x; });
            bool cut = false;
            for (const std::size_t a : atoms) {
                glyph.regions.push_back(m_pieces.atoms[a].region);
                cut |= m_pieces.atoms[a].cut;
                reading.ink += m_pieces.atoms[a].count;
            }
            std::sort(glyph.regions.begin(), glyph.regions.end());
            glyph.regions.erase(
                std::unique(glyph.regions.begin(), glyph.regions.end()), glyph.regions.end());
            const bool wholeRegion = own.requests[via[end]] == m_wholeRequest[atoms.front()];
            glyph.kind = glyph.regions.size() > 1
                ? (cut ? Glyph::Kind::Cut : Glyph::Kind::Assembled)
                : cut && !wholeRegion ? Glyph::Kind::Cut
                                      : Glyph::Kind::Single;
            reading.glyphs.push_back(std::move(glyph));
            end = run.first;
        }
        return reading;
    }

private:
    static constexpr std::size_t kLeftOut = SIZE_MAX - 1; // a piece
    static constexpr std::size_t kInkOut = SIZE_MAX - 2;  // an atom as tall as a digit, or a part

    const RegionTable &m_regions;
    const GlyphPieces &m_pieces;
    DigitNetwork &m_network;
    float m_minConfidence;
    Judge m_judge;
    std::vector<int> m_frames;                              // enclosingRegions
    std::vector<std::size_t> m_wholeRequest, m_atomRequest; // per atom
    std::vector<bool> m_readWhole; // per atom: a part of a region that reads whole as a digit

    // What to ask about a run of several atoms, if it may win: none holds a whole digit read
    // alone beside another atom as tall. The run of all the parts of one region is that
    // region, asked already. The atoms must have their answers.
    std::size_t askRun(const GlyphBlock &block, const GlyphRun &run)
    {
        const std::span<const std::size_t> atoms(
            block.atoms.data() + run.first, run.last - run.first);
        if (atoms.size() == 1)
            return m_atomRequest[atoms[0]];
        const bool holdsWhole = std::any_of(atoms.begin(), atoms.end(), [&](std::size_t a) {
            const GlyphAtom &atom = m_pieces.atoms[a];
            return !atom.cut && tallEnough(atom.box, block, kWholeTenths) &&
                m_atomRequest[a] != kNoRequest &&
                bestProbability(m_judge.answerTo(m_atomRequest[a])) >= kWholeConfidence;
        });
        // A whole digit may still take in a smaller piece (a flag come loose), never
        // another atom as tall as a digit.
        const auto tall = std::count_if(atoms.begin(), atoms.end(),
            [&](std::size_t a) { return tallEnough(m_pieces.atoms[a].box, block, kDigitTenths); });
        if (holdsWhole && tall > 1)
            return kNoRequest;
        // A region that reads whole as a digit is not read in parts, nor in part with others.
        const bool readWhole =
            std::any_of(atoms.begin(), atoms.end(), [&](std::size_t a) { return m_readWhole[a]; });
        if (!mayBeDigit(run.box, block) || leavesOutInner(block, run))
            return kNoRequest;
        const int region = m_pieces.atoms[atoms.front()].region;
        const auto inRegion = [&](std::size_t a) {
            return a < m_pieces.atoms.size() && m_pieces.atoms[a].region == region &&
                m_wholeRequest[a] == m_wholeRequest[atoms.front()];
        };
        const bool allParts = std::all_of(atoms.begin(), atoms.end(), inRegion) &&
            (atoms.front() == 0 || !inRegion(atoms.front() - 1)) && !inRegion(atoms.back() + 1);
        return allParts ? m_wholeRequest[atoms.front()]
            : readWhole ? kNoRequest
                        : m_judge.askAtoms(atoms);
    }

    bool digitSized(const Box &box) const
    {
        return std::max(box.width, box.height) >= m_network.minSide();
    }
    // A digit is as tall as its block's, and no wider than a digit (nor a frame, see frame()).
    bool mayBeDigit(const Box &box, const GlyphBlock &block) const
    {
        return digitSized(box) && tallEnough(box, block, kDigitTenths) &&
            std::int64_t(box.width) * 10 <= std::int64_t(kWidestDigitTenths) * block.height;
    }

    // Whether the run leaves out an atom, lower than a digit, that lies mostly within the run's
    // box: the middle or lower segment of a display's digit whose uprights the run takes. A digit
    // never leaves such an atom to its neighbours, so the run is not asked about. Such atoms lie
    // beside the run in the block's order; a run's length of them is looked at on either side.
    bool leavesOutInner(const GlyphBlock &block, const GlyphRun &run) const
    {
        const auto inside = [&](std::size_t i) {
            const Box &box = m_pieces.atoms[block.atoms[i]].box;
            const std::int64_t across =
                std::int64_t(std::min(box.right(), run.box.right())) - std::max(box.x, run.box.x);
            const std::int64_t down =
                std::int64_t(std::min(box.bottom(), run.box.bottom())) - std::max(box.y, run.box.y);
            return !tallEnough(box, block, kDigitTenths) && across * 2 > box.width &&
                down * 2 > box.height;
        };
        for (std::size_t i = run.last;
             i < block.atoms.size() && i - run.last < std::size_t(kMostRunAtoms) &&
             m_pieces.atoms[block.atoms[i]].box.x < run.box.right();
             ++i) {
            if (inside(i))
                return true;
        }
        for (std::size_t i = run.first; i > 0 && run.first - i < std::size_t(kMostRunAtoms); --i) {
            if (inside(i - 1))
                return true;
        }
        return false;
    }

    bool frame(std::size_t atom) const
    {
        return std::binary_search(m_frames.begin(), m_frames.end(), m_pieces.atoms[atom].region);
    }
};

double meanLogConfidence(const BlockReading &reading)
{
    double sum = 0;
    for (const Glyph &glyph : reading.glyphs)
        sum += std::log(std::max(glyph.confidence, kLeast));
    return reading.glyphs.empty() ? kNever : sum / double(reading.glyphs.size());
}

// Blocks that lie one above the other, where one of them reads doubtfully, taken together:
// the sets of blocks joined by such pairs, each of at most kMostStacked blocks.
std::vector<std::vector<std::size_t>> stackedSets(
    const GlyphPieces &pieces, const std::vector<BlockReading> &readings)
{
    DisjointSets sets(pieces.blocks.size());
    std::vector<std::size_t> touched;
    for (const auto &[a, b] : pieces.stacked) {
        if (!readings[a].doubtful && !readings[b].doubtful)
            continue;
        sets.join(a, b);
        touched.push_back(a);
        touched.push_back(b);
    }
    std::sort(touched.begin(), touched.end());
    touched.erase(std::unique(touched.begin(), touched.end()), touched.end());
    std::vector<std::vector<std::size_t>> groups;
    std::vector<std::size_t> groupOf(pieces.blocks.size(), SIZE_MAX);
    for (const std::size_t b : touched) {
        std::size_t &group = groupOf[sets.find(b)];
        if (group == SIZE_MAX) {
            group = groups.size();
            groups.emplace_back();
        }
        groups[group].push_back(b);
    }
    std::erase_if(groups, [](const auto &group) { return group.size() > kMostStacked; });
    return groups;
}

} // namespace

std::vector<Glyph> ReadGlyphs(const RegionTable &regions, std::vector<RegionResult> &results,
    DigitNetwork &network, float minConfidence)
{
    // A piece half a digit's least size may still be a part of one: a thin display's segment.
    MemoryReservation piecesCharge;
    GlyphPieces pieces =
        FindGlyphPieces(regions, results, (network.minSide() + 1) / 2, piecesCharge);
    Reader reader(regions, pieces, network, minConfidence);
    reader.askAtoms(0, pieces.blocks);
    reader.answer();
    reader.findFrames();
    for (std::size_t a = 0; a < pieces.atoms.size(); ++a) {
        RegionResult *result = resultOf(results, pieces.atoms[a].region);
        const std::optional<float> confidence = reader.regionConfidence(a);
        if (result != nullptr && confidence)
            result->confidence = *confidence;
    }

    const std::vector<BlockRuns> runs = reader.askRuns(pieces.blocks);
    std::vector<BlockReading> readings;
    for (std::size_t b = 0; b < pieces.blocks.size(); ++b)
        readings.push_back(reader.read(pieces.blocks[b], runs[b]));

    // A block whose regions lie in lines one below the other is read line by line too, and that
    // reading stands where it reads more of the block's ink, or as much and surer. Lines of print
    // set so tightly that they joined one block read so; a display's digits, whose upper and
    // lower segments may lie in two such lines, read better whole.
    const std::size_t firstLineAtom = pieces.atoms.size();
    std::vector<GlyphBlock> lines;
    std::vector<std::size_t> linesFrom(pieces.blocks.size() + 1, 0);
    for (std::size_t b = 0; b < pieces.blocks.size(); ++b) {
        // A reading that takes all the block's ink, and so surely that no reading could be
        // surer by the margin, stands: its lines are not read.
        std::int64_t ink = 0;
        for (const std::size_t a : pieces.blocks[b].atoms)
            ink += pieces.atoms[a].count;
        if (readings[b].ink == ink && meanLogConfidence(readings[b]) + kLinesMargin >= 0) {
            linesFrom[b + 1] = lines.size();
            continue;
        }
        std::vector<GlyphBlock> own = LinesOfBlock(regions, pieces, b, piecesCharge);
        std::move(own.begin(), own.end(), std::back_inserter(lines));
        linesFrom[b + 1] = lines.size();
    }
    const std::vector<BlockRuns> lineRuns = reader.askBlocks(firstLineAtom, lines);
    for (std::size_t b = 0; b < pieces.blocks.size(); ++b) {
        if (linesFrom[b] == linesFrom[b + 1])
            continue;
        BlockReading byLines;
        for (std::size_t l = linesFrom[b]; l < linesFrom[b + 1]; ++l) {
            BlockReading reading = reader.read(lines[l], lineRuns[l]);
            byLines.score += reading.score;
            byLines.ink += reading.ink;
            byLines.doubtful |= reading.doubtful;
            std::move(
                reading.glyphs.begin(), reading.glyphs.end(), std::back_inserter(byLines.glyphs));
        }
        if (byLines.ink > readings[b].ink ||
            (byLines.ink == readings[b].ink &&
                meanLogConfidence(byLines) > meanLogConfidence(readings[b]) + kLinesMargin))
            readings[b] = std::move(byLines);
    }

    // Blocks one above the other read as one where that reads more of their ink, and better.
    const std::vector<std::vector<std::size_t>> sets = stackedSets(pieces, readings);
    std::vector<GlyphBlock> together;
    const std::size_t firstNew = pieces.atoms.size();
    for (const std::vector<std::size_t> &set : sets)
        together.push_back(StackBlocks(regions, pieces, set, piecesCharge));
    const std::vector<BlockRuns> togetherRuns = reader.askBlocks(firstNew, together);
    for (std::size_t s = 0; s < sets.size(); ++s) {
        BlockReading reading = reader.read(together[s], togetherRuns[s]);
        double apart = 0;
        std::int64_t apartInk = 0;
        for (const std::size_t b : sets[s]) {
            apart += readings[b].score;
            apartInk += readings[b].ink;
        }
        if (reading.score <= apart || reading.ink < apartInk)
            continue;
        for (const std::size_t b : sets[s])
            readings[b] = {};
        readings.push_back(std::move(reading));
    }

    std::vector<Glyph> glyphs;
    for (BlockReading &reading : readings)
        std::move(reading.glyphs.begin(), reading.glyphs.end(), std::back_inserter(glyphs));
    std::sort(glyphs.begin(), glyphs.end(), [](const Glyph &a, const Glyph &b) {
        return a.start.y != b.start.y ? a.start.y < b.start.y : a.start.x < b.start.x;
    });
    for (const Glyph &glyph : glyphs) {
        if (glyph.kind == Glyph::Kind::Single)
            resultOf(results, glyph.regions.front())->digit = glyph.digit;
    }
    return glyphs;
}
