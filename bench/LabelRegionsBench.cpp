// Region labelling on a page of digits and on adversarial pages of the same size. Merging must
// keep labelling linear: pixels per second on the comb and the staircase should stay within a
// factor of three of the digit page.
#include "Pages.h"
#include "Regions.h"

#include <benchmark/benchmark.h>

namespace {

template<void (*Make)(PictureStore &, int, int)> void labelPage(benchmark::State &state)
{
    const int width = int(state.range(0));
    const int height = int(state.range(1));
    PictureStore store;
    Make(store, width, height);
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

} // namespace

BENCHMARK(labelPage<makeDigitPage>)
    ->Name("LabelRegions/digits")
    ->Args({4000, 3000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(labelPage<makeCombPage>)
    ->Name("LabelRegions/comb")
    ->Args({4000, 3000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(labelPage<makeStaircasePage>)
    ->Name("LabelRegions/staircase")
    ->Args({4000, 3000})
    ->Unit(benchmark::kMillisecond);
