// The trained network's cost per region on one core, for batches of 1 to 256 regions (the time
// of one batch divided by its size; items_per_second counts regions), and the
// cost of normalising a region's points into its 28 x 28 picture.
#include "recognition/DigitImage.h"
#include "recognition/DigitNetwork.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

void networkPerRegion(benchmark::State &state)
{
    DigitNetwork::setThreadCount(1);
    DigitNetwork &network = DigitNetwork::builtIn();
    const std::size_t batch = std::size_t(state.range(0));
    std::vector<DigitImage> images(batch);
    std::mt19937 random(7);
    std::uniform_int_distribution<int> grey(0, 255);
    for (DigitImage &image : images)
        for (float &v : image)
            v = grey(random) < 64 ? float(grey(random)) / 255.0f : 0.0f;
    std::vector<DigitGuess> guesses(batch);
    for (auto _ : state) {
        network.classify(images, guesses);
        benchmark::DoNotOptimize(guesses.data());
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(batch));
    DigitNetwork::setThreadCount(0);
}
BENCHMARK(networkPerRegion)
    ->Name("DigitNetwork/perRegion")
    ->Arg(1)
    ->Arg(16)
    ->Arg(64)
    ->Arg(256)
    ->Unit(benchmark::kMicrosecond);

// A ring about 66 pixels tall with an 8-pixel stroke, like the digits of the dense page.
void normalise(benchmark::State &state)
{
    std::vector<Point> ring;
    for (int y = 0; y < 66; ++y)
        for (int x = 0; x < 44; ++x) {
            const double u = (x - 22) / 22.0, v = (y - 33) / 33.0;
            const double r = u * u + v * v;
            if (r <= 1 && r >= 0.6)
                ring.push_back({x, y});
        }
    DigitImage image;
    for (auto _ : state) {
        NormaliseDigit(ring, image);
        benchmark::DoNotOptimize(image.data());
    }
}
BENCHMARK(normalise)->Name("DigitNetwork/normaliseRegion");

} // namespace
