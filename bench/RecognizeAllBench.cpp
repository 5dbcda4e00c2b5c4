// The whole recognition pass on pages of digits, and the share of each of its stages.
//
// RecognizeAll/<w>/<h> times the pass as the window runs it: the pass, then the copy of the work
// raster to the display raster. RecognizeAll/stages/<w>/<h> runs the same pass with a clock read
// at each point where it calls out (the recogniser's prepare and recognise, the progress sink's
// step and reset) and reports each stage's share of the total (in per cent): labelling, the
// outlines (tracing and chain coding), recognition (turn signature and matching), drawing the
// labels, and the copy. RecognizeAll/learned/<w>/<h> is the whole pass with the trained
// network, on one thread like the turn signatures, to set beside RecognizeAll/<w>/<h>.
#include "bench/Pages.h"
#include "recognition/DigitNetwork.h"
#include "recognition/LearnedRecogniser.h"
#include "recognition/RecognizeAll.h"

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

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
        pristine.copyFrom(store.workRaster);
    }
    // Back to the pristine page, outside the timing.
    void restore(benchmark::State &state)
    {
        state.PauseTiming();
        store.workRaster.copyFrom(pristine);
        store.displayRaster.setSize(kStartWidth, kStartHeight);
        state.ResumeTiming();
    }

    // The pass, then the copy to the display raster that the window makes after it.
    void recognise(RecognitionState &recognition, ProgressSink &progress, Recogniser &recogniser)
    {
        RecognizeAll(store.workRaster, store.rowTable, recognition, progress, recogniser,
            DefaultThreadCount());
        store.displayRaster.copyFrom(store.workRaster);
    }
};

void wholePass(benchmark::State &state)
{
    const int width = int(state.range(0));
    const int height = int(state.range(1));
    Page page(width, height);
    RecognitionState recognition;
    NoProgress progress;
    TurnSignatureRecogniser recogniser;
    for (auto _ : state) {
        page.restore(state);
        page.recognise(recognition, progress, recogniser);
    }
    int live = 0;
    for (const item &region : recognition.regions)
        live += region.count != 0;
    state.counters["regions"] = live;
    state.counters["pixels"] =
        benchmark::Counter(double(width) * height, benchmark::Counter::kIsIterationInvariantRate);
}

void wholePassLearned(benchmark::State &state)
{
    DigitNetwork::setThreadCount(1);
    Page page(int(state.range(0)), int(state.range(1)));
    RecognitionState recognition;
    NoProgress progress;
    LearnedRecogniser recogniser;
    page.recognise(recognition, progress, recogniser); // the model loads once, before timing
    for (auto _ : state) {
        page.restore(state);
        page.recognise(recognition, progress, recogniser);
    }
    DigitNetwork::setThreadCount(0);
}

enum Stage { Labelling, Outlines, Recognition, Drawing, Copy, StageCount };

// Adds the time since the last lap to a stage.
class Laps
{
public:
    using Clock = std::chrono::steady_clock;
    double seconds[StageCount] = {};

    void start() { m_last = Clock::now(); }
    void lap(Stage stage)
    {
        const auto now = Clock::now();
        seconds[stage] += std::chrono::duration<double>(now - m_last).count();
        m_last = now;
    }

private:
    Clock::time_point m_last;
};

// The default recogniser with laps around it: the time before prepare() is labelling, before
// each recognise() the outlines, inside it recognition.
class LappedRecogniser : public Recogniser
{
public:
    explicit LappedRecogniser(Laps &laps)
        : m_laps(laps)
    { }

    void prepare(const RegionTable &) override { m_laps.lap(Labelling); }
    void recognise(const item &region, const ChainCode &chainCode, RegionResult &result) override
    {
        m_laps.lap(Outlines);
        m_turns.recognise(region, chainCode, result);
        m_laps.lap(Recognition);
    }

private:
    Laps &m_laps;
    TurnSignatureRecogniser m_turns;
};

// Every step follows the drawing of a label; what comes after the last one (regions without
// an outline, the reset) counts to the outlines.
class LappedProgress : public NoProgress
{
public:
    explicit LappedProgress(Laps &laps)
        : m_laps(laps)
    { }

    void step() override { m_laps.lap(Drawing); }
    void reset() override { m_laps.lap(Outlines); }

private:
    Laps &m_laps;
};

void stages(benchmark::State &state)
{
    const int width = int(state.range(0));
    const int height = int(state.range(1));
    Page page(width, height);
    RecognitionState recognition;
    Laps laps;
    LappedRecogniser recogniser(laps);
    LappedProgress progress(laps);
    static const char *const kNames[StageCount] = {
        "label%", "outline%", "recognise%", "draw%", "copy%"};
    for (auto _ : state) {
        page.restore(state);
        laps.start();
        page.recognise(recognition, progress, recogniser);
        laps.lap(Copy);
    }
    double total = 0;
    for (double s : laps.seconds)
        total += s;
    for (int stage = 0; stage < StageCount; ++stage)
        state.counters[kNames[stage]] = 100.0 * laps.seconds[stage] / total;
}

} // namespace

BENCHMARK(wholePass)
    ->Name("RecognizeAll")
    ->Args({4000, 3000})
    ->Args({8000, 6000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(wholePassLearned)
    ->Name("RecognizeAll/learned")
    ->Args({4000, 3000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(stages)
    ->Name("RecognizeAll/stages")
    ->Args({4000, 3000})
    ->Args({8000, 6000})
    ->Unit(benchmark::kMillisecond);
