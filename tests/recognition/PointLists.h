// Point lists written as coordinate pairs: pts({{2, 1}, {3, 1}}).
#pragma once

#include "Regions.h"

#include <initializer_list>
#include <utility>
#include <vector>

inline std::vector<Point> pts(std::initializer_list<std::pair<int, int>> list)
{
    std::vector<Point> out;
    for (auto [x, y] : list)
        out.push_back({x, y});
    return out;
}
