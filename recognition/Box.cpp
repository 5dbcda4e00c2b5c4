#include "recognition/Box.h"

Box BoundingBox(std::span<const Point> points)
{
    if (points.empty())
        return {};
    std::int32_t left = points[0].x, right = left, top = points[0].y, bottom = top;
    for (const Point &p : points) {
        left = std::min(left, p.x);
        right = std::max(right, p.x);
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
    }
    return {left, top, right - left + 1, bottom - top + 1};
}
