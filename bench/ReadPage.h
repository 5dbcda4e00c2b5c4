// Reads a page through the recognition pass with either method and returns what the pass
// found for every live region, for the accuracy benchmark.
#pragma once

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
