// The ink step's auto rule on a 12-megapixel page, dark on light, light on dark, and both (the
// lower half light on dark, which reads in two polarities): deciding
// the grid (one pass over the pixels), lending the ink to the raster and giving the picture
// back (a pass each), and all three, which is what a learned reading adds before labelling.
// Run beside picture loading to see the two side by side:
//   umnoglaz_bench --benchmark_filter='Ink|LoadPicture/jpeg'
#include "bench/Pages.h"
#include "picture/PixelLayout.h"
#include "recognition/Ink.h"

#include <benchmark/benchmark.h>

namespace {

enum class Look { DarkOnLight, LightOnDark, Both };

// The digit page, or its negative (light digits on black) in whole or in its lower half.
void makePage(PictureStore &store, int width, int height, Look look)
{
    makeDigitPage(store, width, height);
    const int negativeFrom = look == Look::DarkOnLight ? height
        : look == Look::LightOnDark                    ? 0
                                                       : height / 2;
    for (int y = negativeFrom; y < height; ++y) {
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

template<Look Page> void findInk(benchmark::State &state)
{
    const int width = int(state.range(0)), height = int(state.range(1));
    PictureStore store;
    makePage(store, width, height, Page);
    for (auto _ : state) {
        const InkGrid grid = FindInk(store.rowTable);
        benchmark::DoNotOptimize(grid.threshold.data());
    }
    setCounters(state, width, height);
}

template<Look Page> void lendAndRestore(benchmark::State &state)
{
    const int width = int(state.range(0)), height = int(state.range(1));
    PictureStore store;
    makePage(store, width, height, Page);
    const InkGrid grid = FindInk(store.rowTable);
    for (auto _ : state) {
        InkInRaster ink(store.rowTable, grid);
        ink.restore();
    }
    setCounters(state, width, height);
}

template<Look Page> void wholeStep(benchmark::State &state)
{
    const int width = int(state.range(0)), height = int(state.range(1));
    PictureStore store;
    makePage(store, width, height, Page);
    for (auto _ : state) {
        const InkGrid grid = FindInk(store.rowTable);
        InkInRaster ink(store.rowTable, grid);
        ink.restore();
    }
    setCounters(state, width, height);
}

} // namespace

BENCHMARK(findInk<Look::DarkOnLight>)
    ->Name("Ink/find/dark-on-light")
    ->Args({4000, 3000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(findInk<Look::LightOnDark>)
    ->Name("Ink/find/light-on-dark")
    ->Args({4000, 3000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(lendAndRestore<Look::DarkOnLight>)
    ->Name("Ink/lend-and-restore/dark-on-light")
    ->Args({4000, 3000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(wholeStep<Look::DarkOnLight>)
    ->Name("Ink/step/dark-on-light")
    ->Args({4000, 3000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(wholeStep<Look::LightOnDark>)
    ->Name("Ink/step/light-on-dark")
    ->Args({4000, 3000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(wholeStep<Look::Both>)
    ->Name("Ink/step/both")
    ->Args({4000, 3000})
    ->Unit(benchmark::kMillisecond);
