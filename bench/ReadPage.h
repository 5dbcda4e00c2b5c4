// Reads a page through the program's reading of a picture with either method and returns what
// it found for every live region, for the accuracy benchmark, or the numbers it read, for the
// numbers benchmark. The benchmarks read pages only through here.
#pragma once

#include "picture/PictureStore.h"
#include "recognition/Ink.h"
#include "recognition/Method.h"
#include "recognition/Numbers.h"
#include "recognition/Regions.h"

#include <vector>

struct PageRegion
{
    Point start;
    std::int32_t count = 0;
    char digit = 0; // 0: no digit (no outline, or not a digit)
    char shown = 0; // the label that stands for it: its own digit, or its glyph's
};

std::vector<PageRegion> ReadPage(PictureStore &store, Method method);

// The numbers read on the page, in work-raster coordinates. Reading draws its labels on the
// work raster, so a page is read once.
// The ink rule is the method's own unless one is given.
std::vector<Number> ReadNumbers(
    PictureStore &store, Method method, std::optional<InkRule> ink = std::nullopt);
