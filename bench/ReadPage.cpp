#include "bench/ReadPage.h"

#include "recognition/ReadPicture.h"

namespace {

Reading read(PictureStore &store, Method method, std::optional<InkRule> ink = std::nullopt)
{
    NoProgress progress;
    RecognitionState state;
    ReadingOptions options;
    options.method = method;
    options.ink = ink;
    return ReadPicture(store.workRaster, store.rowTable, state, progress, options);
}

} // namespace

std::vector<PageRegion> ReadPage(PictureStore &store, Method method)
{
    const Reading reading = read(store, method);
    std::vector<PageRegion> regions;
    regions.reserve(reading.results.size());
    for (const RegionResult &result : reading.results)
        regions.push_back({result.start, result.count, result.digit});
    return regions;
}

std::vector<Number> ReadNumbers(PictureStore &store, Method method, std::optional<InkRule> ink)
{
    return read(store, method, ink).numbers;
}
