// The recognition pass: labels the work raster, recognises every live region as a digit and
// writes each digit in red on a white box above its region, and returns what it found. It
// touches only the work raster (through its row table, and its canvas for the labels) and the
// recognition state; showing the result is the caller's. ReadPicture.h runs it among the other
// stages of reading.
#pragma once

#include "recognition/Recogniser.h"
#include "recognition/RecognitionState.h"

#include <vector>

class RowTable;
class TBitmap;
class TCanvas;

// Where the pass reports its progress: the number of regions to visit, one step for each
// region given a digit, and a reset once the loop has finished.
class ProgressSink
{
public:
    virtual ~ProgressSink() = default;
    virtual void setMaximum(int maximum) = 0;
    virtual void step() = 0;
    // Sets the position back to 0 at the end of a pass.
    virtual void reset() = 0;
};

// For callers that show no progress: the headless command, benchmarks, tests.
class NoProgress : public ProgressSink
{
public:
    void setMaximum(int) override { }
    void step() override { }
    void reset() override { }
};

// The top-left corner of a label's cell lies this many rows above the region's first pixel.
inline constexpr int kLabelRise = 15;

// What the pass holds for each live region while it runs, beside the region table: its result,
// its place in the list of live regions and whether its walk was taken ahead.
inline constexpr std::int64_t kPassBytesPerRegion = sizeof(RegionResult) + sizeof(int) + 1;

// Writes a digit's label: red on a white box whose top-left corner lies kLabelRise rows above
// the first pixel of what it labels.
void WriteLabel(TCanvas &canvas, Point start, char digit);

// The number of threads a pass uses unless told otherwise: one per core.
int DefaultThreadCount();

// Runs one pass with the given recogniser over the work raster, whose row table is rows, and
// returns a result for every live region, in ascending region number. An exception ends it at
// once: labels and marks already written stay, and the progress position is kept.
//
// With more than one thread and a recogniser that recognises concurrently, the walks that no
// earlier label or walk can change (see TraceAhead.h) are traced, coded and recognised on all
// threads first; then the calling thread goes through the regions in order, handling the rest,
// writing the labels and stepping the progress. With a recogniser that reads outlines only, a
// small region whose shape was met before takes that shape's outcome and marks without a walk
// (ShapeTable.h). Results and pixels are the same for every thread count and either way; the
// contour and chain code left in the state belong to some region walked last, not necessarily
// the last region.
std::vector<RegionResult> RecognizeAll(TBitmap &workRaster, RowTable &rows, RecognitionState &state,
    ProgressSink &progress, Recogniser &recogniser, int threads);
