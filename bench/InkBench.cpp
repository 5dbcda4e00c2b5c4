// The ink step's auto rule on a 12-megapixel page, dark on light and light on dark: deciding
// the grid (one pass over the pixels), lending the ink to the raster and giving the picture
// back (a pass each), and all three, which is what a learned reading adds before labelling.
// Run beside picture loading to see the two side by side:
//   umnoglaz_bench --benchmark_filter='Ink|LoadPicture/jpeg'
#include "bench/Pages.h"
#include "picture/PixelLayout.h"
#include "recognition/Ink.h"

#include <benchmark/benchmark.h>

namespace {

// The digit page, or its negative: light digits on black.
void makePage(PictureStore &store, int width, int height, bool negative)
{
    makeDigitPage(store, width, height);
    if (!negative)
        return;
    for (int y = 0; y < height; ++y) {
        std::uint8_t *row = store.rowTable[y];
        for (int i = 0; i < kBytesPerPixel * width; ++i)
            row[i] = std::uint8_t(255 - row[i]);
    }
}

void setCounters(benchmark::State &state, int width, int height)
{
    state.counters["pixels"] =
        benchmark::Counter(double(width) * height, benchmark::Counter::kIsIterationInvariantRate);
}

template<bool Negative> void findInk(benchmark::State &state)
{
    const int width = int(state.range(0)), height = int(state.range(1));
    PictureStore store;
    makePage(store, width, height, Negative);
    for (auto _ : state) {
        const InkGrid grid = FindInk(store.rowTable);
        benchmark::DoNotOptimize(grid.threshold.data());
    }
    setCounters(state, width, height);
}

template<bool Negative> void lendAndRestore(benchmark::State &state)
{
    const int width = int(state.range(0)), height = int(state.range(1));
    PictureStore store;
    makePage(store, width, height, Negative);
    const InkGrid grid = FindInk(store.rowTable);
    for (auto _ : state) {
        InkInRaster ink(store.rowTable, grid);
        ink.restore();
    }
    setCounters(state, width, height);
}

template<bool Negative> void wholeStep(benchmark::State &state)
{
    const int width = int(state.range(0)), height = int(state.range(1));
    PictureStore store;
    makePage(store, width, height, Negative);
    for (auto _ : state) {
        const InkGrid grid = FindInk(store.rowTable);
        InkInRaster ink(store.rowTable, grid);
        ink.restore();
    }
    setCounters(state, width, height);
}

} // namespace

BENCHMARK(findInk<false>)
    ->Name("Ink/find/dark-on-light")
    ->Args({4000, 3000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(findInk<true>)
    ->Name("Ink/find/light-on-dark")
    ->Args({4000, 3000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(lendAndRestore<false>)
    ->Name("Ink/lend-and-restore/dark-on-light")
    ->Args({4000, 3000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(wholeStep<false>)
    ->Name("Ink/step/dark-on-light")
    ->Args({4000, 3000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(wholeStep<true>)
    ->Name("Ink/step/light-on-dark")
    ->Args({4000, 3000})
    ->Unit(benchmark::kMillisecond);
