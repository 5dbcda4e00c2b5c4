// Reading a picture that is already loaded: the one door through which the window, the
// headless command, the benchmarks and the fuzz targets turn the work raster into digits and
// numbers. It runs the stages of reading in order, each on what the one before it gave:
//
//   1. ink      which pixels are ink (Ink.h). The fixed rule, a red byte below 128, is read by
//               labelling and tracing from the work raster itself. The auto rule decides ink
//               from local contrast, in either polarity and any colour, and says what it
//               decided in the raster's red and green bytes for the length of the pass; the
//               picture's own bytes come back afterwards with the walk's marks, so what is
//               shown and written is the picture, marked where today's marks would be.
//   2. regions  LabelRegions rebuilds the region table (the first step of the pass).
//   3. outlines and digits
//               RecognizeAll traces every live region and reads it with the method's
//               recogniser; the turns method labels each region as it goes. The results come
//               back one a region.
//   4. glyphs   the learned method reads the page's glyphs from the regions (ReadGlyphs.h):
//               digits of one region, of several joined, or of a part cut from a region. Their
//               labels are not written into the raster: the caller lays them over the picture
//               (LabelLayer.h), so that a pass changes no pixel's darkness and the next
//               one reads what this one read.
//   5. numbers  GroupNumbers groups the digits (the turns method's regions, the learned
//               method's glyphs) into numbers by where their boxes lie.
//
// The work raster, its row table and the recognition state are the caller's; the results and
// numbers come back owned, with their memory still charged to the run's budget.
#pragma once

#include "recognition/Ink.h"
#include "recognition/Method.h"
#include "recognition/Numbers.h"
#include "recognition/RecognizeAll.h"

#include "base/MemoryBudget.h"

#include <optional>
#include <vector>

struct ReadingOptions
{
    Method method = Method::Turns;
    std::optional<float> minConfidence; // the learned method: replaces the network's threshold
    std::optional<InkRule> ink;         // nothing: the method's own (see InkRuleOf)
    int threads = DefaultThreadCount();
};

// What reading a picture found.
struct Reading
{
    std::vector<RegionResult> results; // one for every live region, in ascending region number
    std::vector<Glyph> glyphs;         // the learned method's, by first pixel row by row
    std::vector<Number> numbers;       // line by line from the top, each line left to right
    MemoryReservation charge;          // the bytes of all three, for as long as they are kept
    InkRule ink = InkRule::Fixed;      // the rule the pass read ink by
};

// The ink rule a reading uses: the one asked for, or the method's own: auto for the learned
// method, which reads photos and screens, fixed for turns, whose output stays as it always was.
InkRule InkRuleOf(const ReadingOptions &options);

// Runs the stages above over the work raster, whose row table is rows. An exception ends it at
// once, as it ends the pass (see RecognizeAll.h); nothing stays charged then.
Reading ReadPicture(TBitmap &workRaster, RowTable &rows, RecognitionState &state,
    ProgressSink &progress, const ReadingOptions &options = {});
