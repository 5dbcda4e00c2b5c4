// Digits ready to be set on an evaluation page: each is a grey picture of ink in its own frame,
// with the row of its baseline and the pen's position and advance, and for seven-segment
// digits the ink of all the cell's segments, which a display shows faintly where they are off.
// Glyphs own their pixels. Font glyphs need a QGuiApplication.
#pragma once

#include "bench/SegmentStyle.h"
#include "training/DigitSources.h"

#include <QRawFont>
#include <QRect>

#include <string>
#include <vector>

struct DigitInk
{
    char digit = '0';
    InkPicture lit;     // the digit's ink, 0 paper to 1 ink
    InkPicture unlit;   // all segments of the cell, lit or not: 0 x 0 unless seven-segment
    int baseline = 0;   // frame row that lines up with the other digits' baselines
    int origin = 0;     // frame column where the pen stands before the digit
    double advance = 0; // how far the pen moves on after it
};

// The box of the pixels whose ink is at least one half: what the program's threshold sees of
// it on white paper. Empty when there are none.
QRect InkBox(const InkPicture &picture);

// The digits of `text` in one font at one pixel size, antialiased, spaced by the font's
// advances. For a seven-segment face, the unlit ink is its "8" in the same frame.
std::vector<DigitInk> FontGlyphs(const QRawFont &font, const std::string &text, bool segmentFace);

// The height of the font's "8" over its pixel size, to choose a size for a digit height.
double DigitHeightRatio(const QRawFont &font);

// A handwriting sample thresholded at one half and enlarged 3 times by pixel repetition, as the
// accuracy benchmark shows it; or, `smooth`, enlarged bilinearly with its grey edges kept (as a
// drawing program shows a stroke). The baseline is the bottom of the sample's 28-pixel frame.
DigitInk HandGlyph(const LabelledInk &sample, bool smooth);

// A digit of the evaluation-only segment style, in its cell with a margin; the advance is the
// style's pitch.
DigitInk SegmentGlyph(int digit, const SegmentStyle &style);
