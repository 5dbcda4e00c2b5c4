// The whole recognition pass on pages of digits, and the share of each of its stages.
//
// RecognizeAll/<w>/<h> times the pass itself. RecognizeAll/stages/<w>/<h> runs the same steps
// in the same order with a clock around each stage and reports each stage's share of the total
// (in per cent); it is a copy of the pass's loop for measuring only.
#include "ChainCode.h"
#include "Contour.h"
#include "Matching.h"
#include "Pages.h"
#include "RecognizeAll.h"
#include "TurnSignature.h"

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

class Silent : public RecognitionProgress
{
public:
    void setMaximum(int) override { }
    void step() override { }
    void resetPosition() override { }
    void repaint() override { }
};

// A page and a pristine copy, so that every iteration starts without marks and labels, and
// with the display raster still at its start-up size, as right after loading a picture.
struct Page
{
    PictureStore store;
    TBitmap pristine;

    Page(int width, int height)
    {
        CreatePictureStore(store);
        makeDigitPage(store, width, height);
        pristine.setSize(width, height);
        CopyRect(pristine, 0, 0, width, height, store.workRaster, 0, 0);
    }
    void restore()
    {
        CopyRect(store.workRaster, 0, 0, pristine.width(), pristine.height(), pristine, 0, 0);
        store.displayRaster.setSize(kStartWidth, kStartHeight);
    }
};

void wholePass(benchmark::State &state)
{
    const int width = int(state.range(0));
    const int height = int(state.range(1));
    Page page(width, height);
    RecognitionState recognition;
    Silent progress;
    for (auto _ : state) {
        state.PauseTiming();
        page.restore();
        state.ResumeTiming();
        RecognizeAll(page.store, recognition, progress);
    }
    int live = 0;
    for (const item &region : recognition.regions)
        live += region.count != 0;
    state.counters["regions"] = live;
    state.counters["pixels"] =
        benchmark::Counter(double(width) * height, benchmark::Counter::kIsIterationInvariantRate);
}

void stages(benchmark::State &state)
{
    using Clock = std::chrono::steady_clock;
    const int width = int(state.range(0));
    const int height = int(state.range(1));
    Page page(width, height);
    RecognitionState recognition;
    enum Stage { Labelling, Tracing, ChainCoding, Signature, Matching, Drawing, Copy, Count };
    static const char *const kNames[Count] = {
        "label%", "trace%", "chain%", "signature%", "match%", "draw%", "copy%"};
    double seconds[Count] = {};
    for (auto _ : state) {
        state.PauseTiming();
        page.restore();
        state.ResumeTiming();
        PictureStore &store = page.store;
        auto t = Clock::now();
        auto lap = [&](Stage stage) {
            const auto now = Clock::now();
            seconds[stage] += std::chrono::duration<double>(now - t).count();
            t = now;
        };
        LabelRegions(store.rowTable, recognition.regions);
        lap(Labelling);
        store.workRaster.canvas().Font.Color = clRed;
        for (std::size_t r = 1; r < recognition.regions.size(); ++r) {
            const item &region = recognition.regions[r];
            if (region.count == 0)
                continue;
            const bool traced = TraceContour(store.rowTable, region, recognition.contour);
            lap(Tracing);
            if (!traced)
                continue;
            BuildChainCode(recognition.contour, recognition.chainCode);
            lap(ChainCoding);
            const std::string signature = BuildTurnSignature(recognition.chainCode, region.count);
            lap(Signature);
            const char digit = MatchSignature(signature);
            lap(Matching);
            store.workRaster.canvas().textOut(region.points[0].x, region.points[0].y - kLabelRise,
                QString(QChar::fromLatin1(digit)));
            lap(Drawing);
        }
        store.displayRaster.copyFrom(store.workRaster);
        lap(Copy);
    }
    double total = 0;
    for (double s : seconds)
        total += s;
    for (int stage = 0; stage < Count; ++stage)
        state.counters[kNames[stage]] = 100.0 * seconds[stage] / total;
}

} // namespace

BENCHMARK(wholePass)
    ->Name("RecognizeAll")
    ->Args({4000, 3000})
    ->Args({8000, 6000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(stages)
    ->Name("RecognizeAll/stages")
    ->Args({4000, 3000})
    ->Args({8000, 6000})
    ->Unit(benchmark::kMillisecond);
