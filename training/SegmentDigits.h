// Seven-segment digits for training: typeset in the DSEG7 Classic faces, or drawn from segment
// polygons in three training styles. Each digit comes as ink in its own frame (lit segments,
// optionally the unlit ones), or as its lit segments one by one for making pieces. Everything is
// a value; font digits need a QGuiApplication.
//
// The evaluation pages draw their own seven-segment style (bench/SegmentStyle.h: every segment
// a STADIUM, a bar with semicircular ends, on the cell's centre lines) and use the DSEG7 Modern
// faces. Neither may appear here: these styles have corners where that one is round, and only
// the Classic faces are listed.
//
// The three training styles, in a cell W wide and H tall, thickness T, narrowest gap G:
//
//   Pointed   hexagons on the centre lines     __       every end a 90-degree point whose
//             (T/2 in from the cell's edges)  <__>      tip stops G / sqrt(2) short of the
//                                                       corner or middle point
//   Mitred    trapezoids filling the cell's   \____/    outer segments cut at 45 degrees at
//             border band, T wide                       the outer corners (a picture frame,
//                                                       gap G along the diagonal), g a hexagon,
//                                                       f/e and b/c meeting flat (gap G) beside
//                                                       the notch that g's point sits in
//   Square    rectangles: b, c, e, f down the  |  ___   square ends: a, g, d between the
//             cell's sides, a, g, d between    |        columns with a gap G each side, f and
//             them                                      e (b and c) apart by G at the middle
//
// Proportions of H, drawn evenly: thickness 0.08-0.16, gap 0.01-0.10, width 0.45-0.70 (at
// least 2T + 2G + 0.2 where that is below 0.70, so that a, g and d keep a straight part);
// slant 0-14 degrees, none in a third of the styles (the top leans right, the bottom stays);
// pitch W + 0.16-0.36.
// Variants: 6 with or without a (its tail), 9 with or without d, 7 with or without f; "1" is b
// and c, in the right column of its cell as on a display.
#pragma once

#include "training/DigitSources.h"

#include <QRawFont>
#include <QString>

#include <random>
#include <vector>

enum class SegmentEnds { Pointed, Mitred, Square };

struct TrainingSegmentStyle
{
    double height = 60;      // H, pixels
    double width = 0.55;     // W / H
    double thickness = 0.12; // T / H
    double gap = 0.05;       // G / H
    double slant = 0;        // degrees
    SegmentEnds ends = SegmentEnds::Pointed;
    bool sixTail = true;    // 6 has segment a
    bool nineTail = true;   // 9 has segment d
    bool sevenHook = false; // 7 has segment f
    double pitch = 0.85;    // from one cell's left edge to the next one's, over H
};

// A style drawn at random within the ranges above, at the given height; the end shape is one
// of the three, evenly.
TrainingSegmentStyle RandomTrainingSegmentStyle(std::mt19937 &random, double height);

// One seven-segment digit in its frame. The frame holds the cell (or the glyph's advance and
// any overhang) with 3 pixels of paper around it.
struct SegmentInk
{
    InkPicture lit;     // the segments that are on, 0 paper to 1 ink
    InkPicture unlit;   // the segments that are off, in the same frame; 0 x 0 unless asked for
    int origin = 0;     // frame column of the pen before the digit (the cell's left edge)
    int baseline = 0;   // frame row of the digit's baseline (the cell's bottom)
    double advance = 0; // how far the pen moves on after it
};

// A digit of a training style, antialiased.
SegmentInk DrawnSegmentDigit(int digit, const TrainingSegmentStyle &style, bool withUnlit = false);

// The same digit's lit segments, one picture each, every one in the full frame of
// DrawnSegmentDigit, so that they lie where they lie in the digit. Order a, b, c, d, e, f, g,
// skipping those that are off.
std::vector<InkPicture> DrawnSegmentPieces(int digit, const TrainingSegmentStyle &style);

// The DSEG7 Classic and DSEG7 Classic Mini faces that are installed (fonts-dseg), every weight
// and italic, in name order; never a Modern face.
std::vector<QString> ClassicSegmentFontFiles();

// A digit typeset in a seven-segment face at the font's pixel size, antialiased. The face draws
// all seven segments as its "8", so the unlit ink is the 8's less the digit's. Throws
// std::runtime_error when the face has no such digit.
SegmentInk FontSegmentDigit(const QRawFont &font, int digit, bool withUnlit = false);

// The font digit's lit segments, one picture per closed outline of the glyph, each in the full
// frame of FontSegmentDigit, in the glyph's outline order.
std::vector<InkPicture> FontSegmentPieces(const QRawFont &font, int digit);
