// The headless command's text report of one picture, written as it goes: a line for each
// region, a summary line, and the numbers read.
//
//   region 1 at (102, 29), 408 pixels: 1
//   ...
//   samples/pen-digits.bmp: 666 x 112 pixels, 10 regions, 10 recognised, 0 without an outline
//   numbers: 01 43459280
//
// With the learned method each traced region's line carries the network's confidence after
// its digit ("6 (0.998)", "no digit (0.183)", "no digit (too small)" for a speck or a piece
// shorter than a digit of its line; a region is a digit when it is one glyph alone), a line for
// each glyph follows them
//
//   glyph 3 at (212, 40), regions 7, 8, 9 (assembled): 4 (0.991)
//
// and the summary counts the regions that are part of no glyph and the glyphs.
#pragma once

#include "cli/ReportOut.h"
#include "recognition/Method.h"
#include "recognition/Numbers.h"
#include "recognition/RegionResult.h"

#include <QString>

#include <cstdint>
#include <vector>

void WriteTextReport(ReportOut &out, const QString &picture, Method method, int width, int height,
    const std::vector<RegionResult> &results, const std::vector<Glyph> &glyphs,
    const std::vector<Number> &numbers);

// What a report held in memory costs per region at most (see kHeldJsonBytesPerRegion): a line
// is about 70 bytes, its growing buffer may be twice that, and the report handed over is a copy.
inline constexpr std::int64_t kHeldTextBytesPerRegion = 224;
