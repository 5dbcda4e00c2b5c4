#include "RecognizeAll.h"

#include "Contour.h"
#include "PictureStore.h"

#include <QString>

#include <algorithm>

namespace {

// A turn signature's heap block (100 characters and the terminator), rounded up.
constexpr std::int64_t kSignatureBytes = 128;

} // namespace

std::vector<RegionResult> RecognizeAll(
    PictureStore &store, RecognitionState &state, ProgressSink &progress)
{
    TurnSignatureRecogniser turns;
    return RecognizeAll(store, state, progress, turns);
}

std::vector<RegionResult> RecognizeAll(
    PictureStore &store, RecognitionState &state, ProgressSink &progress, Recogniser &recogniser)
{
    LabelRegions(store.rowTable, state.regions, state.regionsCharge);
    recogniser.prepare(state.regions);

    int live = 0;
    for (std::size_t r = 1; r < state.regions.size(); ++r)
        live += state.regions[r].count != 0;
    // Only the maximum: the position is where the last complete pass left it (0).
    progress.setMaximum(live);

    TCanvas &canvas = store.workRaster.canvas();
    canvas.Font.Color = clRed;

    // Labels go into the work raster as the loop goes, so a region visited later is traced on
    // the pixels as the earlier labels left them; the table itself stays as labelled.
    // The results are charged while the pass builds them: the records, and a heap block for
    // each signature. A caller that keeps them charges them itself.
    std::int64_t resultBytes = std::int64_t(sizeof(RegionResult)) * live;
    MemoryReservation resultsCharge(resultBytes);
    std::vector<RegionResult> results;
    results.reserve(std::size_t(live));
    for (std::size_t r = 1; r < state.regions.size(); ++r) {
        const item &region = state.regions[r];
        if (region.count == 0)
            continue;
        RegionResult &result = results.emplace_back();
        result.region = int(r);
        result.start = region.points[0];
        result.count = region.count;
        if (!TraceContour(store.rowTable, region, state.contour))
            continue;
        BuildChainCode(state.contour, state.chainCode);
        // The outline arrays are sized by the walk itself; their growth is charged once it is
        // known, and the longest outline so far stays charged while its capacity is kept.
        state.outlineCharge.resize(std::max(state.outlineCharge.bytes(),
            std::int64_t(state.contour.capacity() * sizeof(Point) + state.chainCode.capacity())));
        resultBytes += kSignatureBytes;
        resultsCharge.cover(resultBytes);
        result.traced = true;
        result.codes = state.chainCode.size();
        recogniser.recognise(region, state.chainCode, result);
        if (!result.hasDigit())
            continue;
        canvas.textOut(
            result.start.x, result.start.y - kLabelRise, QString(QChar::fromLatin1(result.digit)));
        progress.step();
    }

    progress.reset();
    return results;
}
