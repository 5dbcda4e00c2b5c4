// Fixtures shared by the test programs: point lists and chain codes written as text, random
// pictures, pixel counts, raster comparison and a thick ring that every outline walk traces.
#pragma once

#include "recognition/Regions.h"
#include "tests/support/AsciiRaster.h"

#include <QRect>

#include <cstdint>
#include <initializer_list>
#include <random>
#include <string>
#include <utility>
#include <vector>

inline constexpr Bgr kWhite {255, 255, 255};
inline constexpr Bgr kBlack {0, 0, 0};
inline constexpr Bgr kPureRed {0, 0, 255};

// Point lists written as coordinate pairs: pts({{2, 1}, {3, 1}}).
std::vector<Point> pts(std::initializer_list<std::pair<int, int>> list);

// A chain code written as its digits: codes("412234").
std::vector<std::uint8_t> codes(const std::string &digits);

// Each pixel is drawn from `kinds` (AsciiRaster pixel kinds), every character equally likely;
// repeat '.' in the string to make white more common.
std::vector<std::string> randomPicture(
    std::mt19937 &random, int width, int height, const std::string &kinds);
// Black ('#') with the given chance in per cent, else white.
std::vector<std::string> randomPicture(
    std::mt19937 &random, int width, int height, int darkPercent);

// The pixels of this colour in the part of the area inside the raster (the whole raster
// without an area).
int countPixels(const TBitmap &raster, Bgr colour, const QRect &area);
int countPixels(const TBitmap &raster, Bgr colour);
// True when every pixel of the area, which must lie inside the raster, has this colour.
bool allPixels(const TBitmap &raster, const QRect &area, Bgr colour);

// The same size and the same bytes.
bool sameRasters(const TBitmap &a, const TBitmap &b);

// A 30 x 40 rectangle drawn with a pen 5 wide, its top-left corner at (x, y).
void drawRing(TCanvas &canvas, int x, int y);
