// The recognition pass: labels the work raster, recognises every live region as a digit and
// writes each digit in red on a white box above its region, and returns what it found. It
// touches only the work raster and the recognition state; showing the result is the caller's.
#pragma once

#include "Recogniser.h"
#include "RecognitionState.h"

#include <vector>

struct PictureStore;

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

// The top-left corner of a label's cell lies this many rows above the region's first pixel.
inline constexpr int kLabelRise = 15;

// Runs one pass with the given recogniser (turn-signature matching when none is given) and
// returns a result for every live region, in ascending region number. An exception ends it at
// once: labels and marks already written stay, and the progress position is kept.
std::vector<RegionResult> RecognizeAll(
    PictureStore &store, RecognitionState &state, ProgressSink &progress);
std::vector<RegionResult> RecognizeAll(
    PictureStore &store, RecognitionState &state, ProgressSink &progress, Recogniser &recogniser);
