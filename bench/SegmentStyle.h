// The seven-segment digits that only the evaluation pages use, drawn from polygons. A training
// generator must draw its segments differently (another outline, end shape or proportions), so
// that what the evaluation measures was never seen in training. The shapes, exactly:
//
//      <===a===>        Every segment is a STADIUM: a bar of the stroke's thickness T whose
//     ^         ^       two ends are semicircles of radius T/2 (no pointed, mitred or square
//     f         b       ends). The segments lie on the centre lines of the cell inset by T/2:
//     v         v       a, g, d at y = T/2, H/2, H - T/2; f, e at x = T/2; b, c at x = W - T/2.
//      <===g===>        Each segment stops (G + T) / sqrt(2) short of the corner or middle
//     ^         ^       point it shares with its neighbours, so that G is the narrowest gap
//     e         c       between two segments (at a corner, between the two round ends).
//     v         v
//      <===d===>        Proportions, as fractions of the digit's height H:
//                         width W 0.48 to 0.62, thickness T 0.09 to 0.14, gap G 0.02 to 0.08;
//                         slant 0 to 12 degrees (the top leans right, the bottom stays put).
//
// Variants: 6 with or without its top segment a (the tail), 9 with or without its bottom
// segment d, 7 with or without the upper left segment f. "1" is b and c, on the right of its cell
// as on a real display.
#pragma once

#include <QPainterPath>

#include <random>

struct SegmentStyle
{
    double height = 60;      // H, pixels
    double width = 0.55;     // W / H
    double thickness = 0.12; // T / H
    double gap = 0.05;       // G / H
    double slant = 0;        // degrees
    bool sixTail = true;     // 6 has segment a
    bool nineTail = true;    // 9 has segment d
    bool sevenHook = false;  // 7 has segment f
    double pitch = 0.85;     // from one cell's left edge to the next one's, over H
};

// A style drawn at random within the ranges above, at the given height.
SegmentStyle RandomSegmentStyle(std::mt19937 &random, double height);

// The segments of a digit in its cell, which spans x 0 to W + H tan(slant) and y 0 to H: those
// that are on, and those that are off (which a display shows faintly).
struct SegmentDigit
{
    QPainterPath lit;
    QPainterPath unlit;
};

SegmentDigit DrawSegmentDigit(int digit, const SegmentStyle &style);

// The width the cell takes with its slant.
double SegmentCellWidth(const SegmentStyle &style);
