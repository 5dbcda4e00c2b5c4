#include "RecognizeAll.h"

#include "Contour.h"
#include "PictureStore.h"

#include <QString>

#include <algorithm>

namespace {

Box boundingBox(const std::vector<Point> &points)
{
    std::int32_t left = points[0].x, right = left, top = points[0].y, bottom = top;
    for (const Point &p : points) {
        left = std::min(left, p.x);
        right = std::max(right, p.x);
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
    }
    return Box {left, top, right - left + 1, bottom - top + 1};
}

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
    LabelRegions(store.rowTable, state.regions);
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
        result.box = boundingBox(region.points);
        if (!TraceContour(store.rowTable, region, state.contour))
            continue;
        BuildChainCode(state.contour, state.chainCode);
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
