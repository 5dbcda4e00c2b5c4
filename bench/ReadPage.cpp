#include "ReadPage.h"

#include "LearnedRecogniser.h"
#include "RecognizeAll.h"

std::vector<PageRegion> ReadPage(PictureStore &store, Method method)
{
    NoProgress progress;
    RecognitionState state;
    std::vector<RegionResult> results;
    if (method == Method::Learned) {
        LearnedRecogniser learned;
        results = RecognizeAll(store, state, progress, learned);
    } else {
        results = RecognizeAll(store, state, progress);
    }
    std::vector<PageRegion> regions;
    regions.reserve(results.size());
    for (const RegionResult &result : results)
        regions.push_back({result.start, result.count, result.digit});
    return regions;
}
