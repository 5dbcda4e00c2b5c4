#include "RecognizeAll.h"

#include "ChainCode.h"
#include "Contour.h"
#include "Matching.h"
#include "PictureStore.h"
#include "TurnSignature.h"

#include <QString>

void RecognizeAll(PictureStore &store, RecognitionState &state, RecognitionProgress &progress)
{
    LabelRegions(store.rowTable, state.regions);

    int live = 0;
    for (std::size_t r = 1; r < state.regions.size(); ++r)
        live += state.regions[r].count != 0;
    // Only the maximum: the position is where the last complete pass left it (0).
    progress.setMaximum(live);

    TCanvas &canvas = store.workRaster.canvas();
    canvas.Font.Color = clRed;

    // Labels go into the work raster as the loop goes, so a region visited later is traced on
    // the pixels as the earlier labels left them; the table itself stays as labelled.
    for (std::size_t r = 1; r < state.regions.size(); ++r) {
        const item &region = state.regions[r];
        if (region.count == 0)
            continue;
        RegionResult result;
        result.region = int(r);
        result.start = region.points[0];
        result.count = region.count;
        if (TraceContour(store.rowTable, region, state.contour)) {
            BuildChainCode(state.contour, state.chainCode);
            result.signature = BuildTurnSignature(state.chainCode, region.count);
            result.digit = MatchSignature(result.signature);
            result.codes = state.chainCode.size();
            result.traced = true;
            canvas.textOut(result.start.x, result.start.y - kLabelRise,
                QString(QChar::fromLatin1(result.digit)));
            progress.step();
        }
        progress.regionDone(result);
    }

    progress.resetPosition();
    store.displayRaster.setSize(store.workRaster.width(), store.workRaster.height());
    CopyRect(store.displayRaster, 0, 0, store.displayRaster.width(), store.displayRaster.height(),
        store.workRaster, 0, 0);
    progress.repaint();
}
