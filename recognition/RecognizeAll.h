// The recognition pass: labels the work raster, recognises every live region as a digit,
// writes each digit in red on a white box above its region, then publishes the work raster
// to the display raster. Progress and the final repaint go through RecognitionProgress, so
// the pass runs without widgets; the main window plugs in its progress bar and repaint.
#pragma once

#include "RecognitionState.h"

#include <string>

struct PictureStore;

// What the pass found for one live region, for callers that report it (the headless command).
struct RegionResult
{
    int region = 0; // region number in the table
    Point start;    // its first listed pixel (x0, y0)
    std::int32_t count = 0;
    bool traced = false; // false: no outline, no digit
    char digit = 0;
    std::string signature; // the 100 turns, when traced
    std::size_t codes = 0; // chain code length, when traced
};

class RecognitionProgress
{
public:
    virtual ~RecognitionProgress() = default;
    virtual void setMaximum(int maximum) = 0;
    virtual void step() = 0;
    // Sets the position back to 0 at the end of a pass.
    virtual void resetPosition() = 0;
    // Shows the display raster at once, before the pass returns.
    virtual void repaint() = 0;
    // Called for each live region in ascending number, after it is handled; optional.
    virtual void regionDone(const RegionResult &) { }
};

// The top-left corner of a label's cell lies this many rows above the region's first pixel.
inline constexpr int kLabelRise = 15;

// Runs one pass. An exception ends it at once: labels and marks already written stay, the
// progress position is kept, and the display raster and window are not refreshed.
void RecognizeAll(PictureStore &store, RecognitionState &state, RecognitionProgress &progress);
