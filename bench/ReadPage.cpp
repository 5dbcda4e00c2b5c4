#include "ReadPage.h"

#include "LearnedRecogniser.h"
#include "RecognizeAll.h"

namespace {

std::vector<RegionResult> runPass(PictureStore &store, Method method)
{
    NoProgress progress;
    RecognitionState state;
    if (method == Method::Learned) {
        LearnedRecogniser learned;
        return RecognizeAll(store, state, progress, learned);
    }
    return RecognizeAll(store, state, progress);
}

} // namespace

std::vector<PageRegion> ReadPage(PictureStore &store, Method method)
{
    const std::vector<RegionResult> results = runPass(store, method);
    std::vector<PageRegion> regions;
    regions.reserve(results.size());
    for (const RegionResult &result : results)
        regions.push_back({result.start, result.count, result.digit});
    return regions;
}

std::vector<Number> ReadNumbers(PictureStore &store, Method method)
{
    return GroupNumbers(runPass(store, method));
}
