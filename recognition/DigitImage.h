// The picture a trained digit recogniser sees: one region's own pixels, normalised the way the
// handwriting it learned from was prepared. Training and recognition both build their input
// with NormaliseDigit, so the network never sees a picture made differently from those it
// learned on. Stateless; the result is a value that owns its pixels.
#pragma once

#include "recognition/Box.h"

#include <array>
#include <span>
#include <vector>

inline constexpr int kDigitSide = 28; // the picture is kDigitSide x kDigitSide
inline constexpr int kDigitBox = 20;  // the region's bounding box is fitted into this square
inline constexpr int kDigitPixels = kDigitSide * kDigitSide;

// Grey levels row by row, top row first: 0 is empty, 1 is a cell wholly covered by the region;
// always a whole number of 255ths.
using DigitImage = std::array<float, kDigitPixels>;

// Here's the plan:
//   1. the bounding box of the points (every point is one dark pixel, each listed once);
//   2. scaled by 20 / max(width, height), so that its longer side becomes 20 cells and the
//      aspect ratio is kept; each cell's grey is the share of its area that the scaled pixels
//      cover (area averaging, so thin strokes turn grey instead of vanishing);
//   3. placed in the 28 x 28 picture so that its centre of mass falls on the middle (14, 14),
//      moved back inside where that would cut it off.
// Only the points are read: the neighbours of the region and the raster play no part.
// An empty list gives an empty picture.
void NormaliseDigit(std::span<const Point> points, DigitImage &image);
