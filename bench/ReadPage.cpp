#include "bench/ReadPage.h"

#include "recognition/ReadPicture.h"

#include <algorithm>

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
        regions.push_back({result.start, result.count, result.digit, result.digit});
    // With the learned method a label stands for a glyph: a digit in pieces, or a part of a
    // region, is shown so.
    for (const Glyph &glyph : reading.glyphs) {
        for (const int region : glyph.regions) {
            const auto found = std::lower_bound(reading.results.begin(), reading.results.end(),
                region, [](const RegionResult &r, int number) { return r.region < number; });
            if (found != reading.results.end() && found->region == region)
                regions[std::size_t(found - reading.results.begin())].shown = glyph.digit;
        }
    }
    return regions;
}

std::vector<Number> ReadNumbers(PictureStore &store, Method method, std::optional<InkRule> ink)
{
    return read(store, method, ink).numbers;
}
