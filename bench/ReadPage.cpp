#include "ReadPage.h"

#include "ReadPicture.h"

std::vector<PageRegion> ReadPage(PictureStore &store, Method method)
{
    NoProgress progress;
    RecognitionState state;
    ReadingOptions options;
    options.method = method;
    const Reading reading = ReadPicture(store.workRaster, store.rowTable, state, progress, options);
    std::vector<PageRegion> regions;
    regions.reserve(reading.results.size());
    for (const RegionResult &result : reading.results)
        regions.push_back({result.start, result.count, result.digit});
    return regions;
}
