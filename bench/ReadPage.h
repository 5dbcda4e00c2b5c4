// Reads a page through the recognition pass with either method and returns what the pass
// found for every live region, for the accuracy benchmark, or the numbers it read, for the
// numbers benchmark. The benchmarks run the pass only through here.
#pragma once

#include "Numbers.h"
#include "PictureStore.h"
#include "Regions.h"

#include <vector>

enum class Method { Turns, Learned };

struct PageRegion
{
    Point start;
    std::int32_t count = 0;
    char digit = 0; // 0: no digit (no outline, or not a digit)
};

std::vector<PageRegion> ReadPage(PictureStore &store, Method method);

// The numbers the pass reads on the page (GroupNumbers over its results), in work-raster
// coordinates. The pass draws its labels on the work raster, so a page is read once.
std::vector<Number> ReadNumbers(PictureStore &store, Method method);
