// From a labelled region to its digit: tracing, chain coding, the turn signature and matching,
// per region of a page of digits about 66 pixels tall with strokes about 8 wide, and matching
// alone. The "perRegion" counter is the time for one region. MatchSignature should stay well
// under 5 microseconds.
#include "bench/Pages.h"
#include "recognition/ChainCode.h"
#include "recognition/Contour.h"
#include "recognition/LabelRegions.h"
#include "recognition/Matching.h"
#include "recognition/TurnSignature.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>

namespace {

// A page labelled once. Tracing marks the page green and the marks steer later walks, so the
// pixels are put back before every round of walks, outside the timing.
class OutlinePage
{
public:
    OutlinePage()
    {
        makeDigitPage(m_store, 1200, 720);
        LabelRegions(m_store.rowTable, m_regions);
        for (std::size_t r = 1; r < m_regions.size(); ++r) {
            if (m_regions[r].count != 0)
                m_live.push_back(r);
        }
        const std::size_t rowBytes = 3 * std::size_t(m_store.rowTable.width());
        for (int y = 0; y < m_store.rowTable.height(); ++y) {
            const std::uint8_t *row = m_store.rowTable[y];
            m_pristine.insert(m_pristine.end(), row, row + rowBytes);
        }
    }

    void restore()
    {
        const std::size_t rowBytes = 3 * std::size_t(m_store.rowTable.width());
        for (int y = 0; y < m_store.rowTable.height(); ++y)
            std::memcpy(
                m_store.rowTable[y], m_pristine.data() + std::size_t(y) * rowBytes, rowBytes);
    }

    RowTable &rows() { return m_store.rowTable; }
    const item &region(std::size_t r) const { return m_regions[r]; }
    const std::vector<std::size_t> &live() const { return m_live; }

private:
    PictureStore m_store;
    RegionTable m_regions;
    std::vector<std::size_t> m_live;
    std::vector<std::uint8_t> m_pristine;
};

OutlinePage &page()
{
    static OutlinePage instance;
    return instance;
}

// What each stage hands on, for every region of the page, from one untimed pass.
struct Stages
{
    std::vector<Contour> contours;
    std::vector<std::int32_t> counts;
    std::vector<ChainCode> chainCodes;
    std::vector<std::string> signatures;
};

const Stages &stages()
{
    static const Stages instance = [] {
        Stages s;
        OutlinePage &p = page();
        p.restore();
        for (const std::size_t r : p.live()) {
            Contour contour;
            if (!TraceContour(p.rows(), p.region(r), contour))
                continue;
            ChainCode chainCode;
            BuildChainCode(contour, chainCode);
            s.signatures.push_back(BuildTurnSignature(chainCode, p.region(r).count));
            s.contours.push_back(std::move(contour));
            s.counts.push_back(p.region(r).count);
            s.chainCodes.push_back(std::move(chainCode));
        }
        return s;
    }();
    return instance;
}

void perRegion(benchmark::State &state, double regions)
{
    state.counters["regions"] = regions;
    state.counters["perRegion"] = benchmark::Counter(
        regions, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void outlineToDigit(benchmark::State &state)
{
    OutlinePage &p = page();
    Contour contour;
    ChainCode chainCode;
    std::size_t codes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        p.restore();
        state.ResumeTiming();
        for (const std::size_t r : p.live()) {
            if (!TraceContour(p.rows(), p.region(r), contour))
                continue;
            BuildChainCode(contour, chainCode);
            codes += chainCode.size();
            const std::string signature = BuildTurnSignature(chainCode, p.region(r).count);
            benchmark::DoNotOptimize(MatchSignature(signature));
        }
    }
    perRegion(state, double(p.live().size()));
    state.counters["codesPerRegion"] =
        double(codes) / double(state.iterations()) / double(p.live().size());
}

void trace(benchmark::State &state)
{
    OutlinePage &p = page();
    Contour contour;
    for (auto _ : state) {
        state.PauseTiming();
        p.restore();
        state.ResumeTiming();
        for (const std::size_t r : p.live())
            benchmark::DoNotOptimize(TraceContour(p.rows(), p.region(r), contour));
    }
    perRegion(state, double(p.live().size()));
}

void chainCode(benchmark::State &state)
{
    const Stages &s = stages();
    ChainCode chainCode;
    for (auto _ : state) {
        for (const Contour &contour : s.contours) {
            BuildChainCode(contour, chainCode);
            benchmark::DoNotOptimize(chainCode.data());
        }
    }
    perRegion(state, double(s.contours.size()));
}

void signature(benchmark::State &state)
{
    const Stages &s = stages();
    for (auto _ : state) {
        for (std::size_t k = 0; k < s.chainCodes.size(); ++k)
            benchmark::DoNotOptimize(BuildTurnSignature(s.chainCodes[k], s.counts[k]));
    }
    perRegion(state, double(s.chainCodes.size()));
}

void matchPage(benchmark::State &state)
{
    const Stages &s = stages();
    for (auto _ : state) {
        for (const std::string &signature : s.signatures)
            benchmark::DoNotOptimize(MatchSignature(signature));
    }
    perRegion(state, double(s.signatures.size()));
}

// One signature matched again and again: random turns (no reference is near), and an exact
// rotation of the last reference (found only at the end of the table).
void matchOne(benchmark::State &state)
{
    std::string signature(100, 'L');
    if (state.range(0) == 0) {
        std::mt19937 random(1);
        for (char &c : signature)
            c = random() % 2 ? 'L' : 'R';
    } else {
        const std::string last = kReferenceSignatures[kReferenceCount - 1];
        signature = last.substr(37) + last.substr(0, 37);
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(MatchSignature(signature));
}

} // namespace

BENCHMARK(outlineToDigit)->Name("Outline/traceChainSignatureMatch")->Unit(benchmark::kMicrosecond);
BENCHMARK(trace)->Name("Outline/trace")->Unit(benchmark::kMicrosecond);
BENCHMARK(chainCode)->Name("Outline/chainCode")->Unit(benchmark::kMicrosecond);
BENCHMARK(signature)->Name("Outline/signature")->Unit(benchmark::kMicrosecond);
BENCHMARK(matchPage)->Name("Outline/match")->Unit(benchmark::kMicrosecond);
BENCHMARK(matchOne)->Name("MatchSignature/random")->Arg(0)->Unit(benchmark::kNanosecond);
BENCHMARK(matchOne)
    ->Name("MatchSignature/rotatedLastReference")
    ->Arg(1)
    ->Unit(benchmark::kNanosecond);
