// Region labelling on a page of digits and on adversarial pages of the same size. Merging must
// keep labelling linear: the comb (each tooth absorbed once) and the staircase (the growing blob
// absorbed again at every step) should cost what the stripes cost, which have the same runs and
// no merging. The last argument is the stroke width of those pages.
#include "bench/Pages.h"
#include "recognition/LabelRegions.h"

#include <benchmark/benchmark.h>

namespace {

void labelStore(benchmark::State &state, PictureStore &store, int width, int height)
{
    RegionTable regions;
    for (auto _ : state) {
        LabelRegions(store.rowTable, regions);
        benchmark::DoNotOptimize(regions.data());
    }
    int live = 0;
    double dark = 0;
    for (const item &region : regions) {
        live += region.count != 0;
        dark += region.count;
    }
    state.counters["regions"] = live;
    state.counters["dark"] =
        benchmark::Counter(dark, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["pixels"] =
        benchmark::Counter(double(width) * height, benchmark::Counter::kIsIterationInvariantRate);
}

void labelDigits(benchmark::State &state)
{
    const int width = int(state.range(0));
    const int height = int(state.range(1));
    PictureStore store;
    makeDigitPage(store, width, height);
    labelStore(state, store, width, height);
}

template<void (*Make)(PictureStore &, int, int, int)> void labelStrokes(benchmark::State &state)
{
    const int width = int(state.range(0));
    const int height = int(state.range(1));
    PictureStore store;
    Make(store, width, height, int(state.range(2)));
    labelStore(state, store, width, height);
}

} // namespace

BENCHMARK(labelDigits)
    ->Name("LabelRegions/digits")
    ->Args({4000, 3000})
    ->Args({8000, 6000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(labelStrokes<makeStripesPage>)
    ->Name("LabelRegions/stripes")
    ->Args({4000, 3000, 1})
    ->Args({4000, 3000, 8})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(labelStrokes<makeCombPage>)
    ->Name("LabelRegions/comb")
    ->Args({4000, 3000, 1})
    ->Args({4000, 3000, 8})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(labelStrokes<makeStaircasePage>)
    ->Name("LabelRegions/staircase")
    ->Args({4000, 3000, 1})
    ->Args({4000, 3000, 8})
    ->Unit(benchmark::kMillisecond);
