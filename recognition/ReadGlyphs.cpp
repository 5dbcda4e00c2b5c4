#include "recognition/ReadGlyphs.h"

#include "base/MemoryBudget.h"
#include "recognition/DigitImage.h"
#include "recognition/DigitNetwork.h"
#include "recognition/GlyphPieces.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <span>

namespace {

constexpr std::size_t kBatch = 256;
// Shares of a block's height, in tenths: the least height of a digit, and the height from
// which an atom read as a confident digit is taken for a whole one.
constexpr int kDigitTenths = 6;
constexpr int kWholeTenths = 8;
constexpr float kWholeConfidence = 0.9f;
// What leaving out a piece too small to be a digit costs, as a log-probability.
const double kPieceLeftOut = std::log(0.5);
// The least probability taken into a sum, so that a sure "no" is a price, not minus infinity.
constexpr float kLeast = 1e-4f;
constexpr double kNever = -std::numeric_limits<double>::infinity();

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

} // namespace

std::vector<Glyph> ReadGlyphs(const RegionTable &regions, std::vector<RegionResult> &results,
    DigitNetwork &network, float minConfidence)
{
    std::size_t candidates = 0;
    for (const RegionResult &result : results)
        candidates += result.traced;
    const MemoryReservation piecesCharge(std::int64_t(candidates) * kGlyphPieceBytesPerRegion);
    const GlyphPieces pieces = FindGlyphPieces(regions, results, network.minSide());
    Judge judge(regions, pieces, network);

    // Every region that may be an atom, whole; every part of a cut one.
    std::vector<std::size_t> wholeRequest(pieces.atoms.size(), kNoRequest);
    std::vector<std::size_t> atomRequest(pieces.atoms.size(), kNoRequest);
    for (std::size_t a = 0; a < pieces.atoms.size(); ++a) {
        const GlyphAtom &atom = pieces.atoms[a];
        const bool firstPart = a == 0 || pieces.atoms[a - 1].region != atom.region;
        if (firstPart)
            wholeRequest[a] = judge.askRegion(atom.region);
        else
            wholeRequest[a] = wholeRequest[a - 1];
        atomRequest[a] = atom.cut ? judge.askAtoms(std::array {a}) : wholeRequest[a];
    }
    judge.answer();
    for (std::size_t a = 0; a < pieces.atoms.size(); ++a) {
        if (RegionResult *result = resultOf(results, pieces.atoms[a].region))
            result->confidence = bestProbability(judge.answerTo(wholeRequest[a]));
    }

    // The runs of several atoms that may win: none holds a whole digit read alone beside
    // another atom as tall. The run of all the parts of one region is that region, asked
    // already.
    std::vector<BlockRuns> blocks(pieces.blocks.size());
    for (std::size_t b = 0; b < pieces.blocks.size(); ++b) {
        const GlyphBlock &block = pieces.blocks[b];
        BlockRuns &own = blocks[b];
        own.runs = CandidateRuns(pieces, block);
        own.requests.assign(own.runs.size(), kNoRequest);
        for (std::size_t r = 0; r < own.runs.size(); ++r) {
            const GlyphRun &run = own.runs[r];
            const std::span<const std::size_t> atoms(
                block.atoms.data() + run.first, run.last - run.first);
            if (atoms.size() == 1) {
                own.requests[r] = atomRequest[atoms[0]];
                continue;
            }
            const bool holdsWhole = std::any_of(atoms.begin(), atoms.end(), [&](std::size_t a) {
                const GlyphAtom &atom = pieces.atoms[a];
                return !atom.cut && tallEnough(atom.box, block, kWholeTenths) &&
                    bestProbability(judge.answerTo(atomRequest[a])) >= kWholeConfidence;
            });
            // A whole digit may still take in a smaller piece (a flag come loose), never
            // another atom as tall as a digit.
            const auto tall = std::count_if(atoms.begin(), atoms.end(), [&](std::size_t a) {
                return tallEnough(pieces.atoms[a].box, block, kDigitTenths);
            });
            if (holdsWhole && tall > 1)
                continue;
            const int region = pieces.atoms[atoms.front()].region;
            const bool oneRegion = std::all_of(atoms.begin(), atoms.end(),
                [&](std::size_t a) { return pieces.atoms[a].region == region; });
            const bool allParts = oneRegion &&
                (atoms.front() == 0 || pieces.atoms[atoms.front() - 1].region != region) &&
                (atoms.back() + 1 == pieces.atoms.size() ||
                    pieces.atoms[atoms.back() + 1].region != region);
            own.requests[r] = allParts ? wholeRequest[atoms.front()] : judge.askAtoms(atoms);
        }
    }
    judge.answer();

    // Each block read at once: best[i] is the best reading of its first i atoms.
    std::vector<Glyph> glyphs;
    std::vector<Point> points;
    for (std::size_t b = 0; b < pieces.blocks.size(); ++b) {
        const GlyphBlock &block = pieces.blocks[b];
        const BlockRuns &own = blocks[b];
        const std::size_t n = block.atoms.size();
        std::vector<double> best(n + 1, kNever);
        std::vector<std::size_t> via(n + 1, kNoRequest); // the run ending there, or n: left out
        best[0] = 0;
        std::size_t r = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const GlyphAtom &atom = pieces.atoms[block.atoms[i]];
            const Probabilities &alone = judge.answerTo(atomRequest[block.atoms[i]]);
            const double leftOut = tallEnough(atom.box, block, kDigitTenths)
                ? std::log(std::max(alone[kNotADigit], kLeast))
                : kPieceLeftOut;
            if (best[i] + leftOut > best[i + 1]) {
                best[i + 1] = best[i] + leftOut;
                via[i + 1] = SIZE_MAX - 1;
            }
            for (; r < own.runs.size() && own.runs[r].first == i; ++r) {
                const Box &box = own.runs[r].box;
                if (own.requests[r] == kNoRequest || !tallEnough(box, block, kDigitTenths) ||
                    std::max(box.width, box.height) < network.minSide())
                    continue;
                const float p = bestProbability(judge.answerTo(own.requests[r]));
                if (p < minConfidence)
                    continue;
                const double score = best[i] + std::log(std::max(p, kLeast));
                if (score > best[own.runs[r].last]) {
                    best[own.runs[r].last] = score;
                    via[own.runs[r].last] = r;
                }
            }
        }
        for (std::size_t end = n; end > 0;) {
            if (via[end] == SIZE_MAX - 1) {
                --end;
                continue;
            }
            const GlyphRun &run = own.runs[via[end]];
            const Probabilities &p = judge.answerTo(own.requests[via[end]]);
            const std::span<const std::size_t> atoms(
                block.atoms.data() + run.first, run.last - run.first);
            Glyph glyph;
            glyph.digit = bestDigit(p);
            glyph.confidence = bestProbability(p);
            glyph.box = run.box;
            points.clear();
            judge.gatherAtoms(atoms, points);
            glyph.start = *std::min_element(points.begin(), points.end(),
                [](const Point &a, const Point &b) { return a.y != b.y ? a.y < b.y : a.x < b.x; });
            bool cut = false;
            for (const std::size_t a : atoms) {
                glyph.regions.push_back(pieces.atoms[a].region);
                cut |= pieces.atoms[a].cut;
            }
            std::sort(glyph.regions.begin(), glyph.regions.end());
            glyph.regions.erase(
                std::unique(glyph.regions.begin(), glyph.regions.end()), glyph.regions.end());
            const bool wholeRegion = own.requests[via[end]] == wholeRequest[atoms.front()];
            glyph.kind = glyph.regions.size() > 1
                ? (cut ? Glyph::Kind::Cut : Glyph::Kind::Assembled)
                : cut && !wholeRegion ? Glyph::Kind::Cut
                                      : Glyph::Kind::Single;
            glyphs.push_back(std::move(glyph));
            end = run.first;
        }
    }

    std::sort(glyphs.begin(), glyphs.end(), [](const Glyph &a, const Glyph &b) {
        return a.start.y != b.start.y ? a.start.y < b.start.y : a.start.x < b.start.x;
    });
    for (const Glyph &glyph : glyphs) {
        if (glyph.kind == Glyph::Kind::Single)
            resultOf(results, glyph.regions.front())->digit = glyph.digit;
    }
    return glyphs;
}
