// The one rectangle of recognition: an axis-aligned box of pixels in work-raster coordinates,
// its top-left pixel and its size. right() and bottom() are the first column and row past it.
//
//      (x, y) +-------+
//             |       | height
//             +-------+ (right(), bottom()) lies just outside
//               width
#pragma once

#include "recognition/PointList.h"

#include <algorithm>
#include <cstdint>
#include <span>

struct Box
{
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;

    std::int32_t right() const { return x + width; }   // exclusive
    std::int32_t bottom() const { return y + height; } // exclusive
    bool isEmpty() const { return width <= 0 || height <= 0; }

    // Whether the two boxes share a pixel.
    bool intersects(const Box &other) const
    {
        return x < other.right() && other.x < right() && y < other.bottom() && other.y < bottom();
    }
    // Whether every pixel of other lies in this box.
    bool contains(const Box &other) const
    {
        return other.x >= x && other.right() <= right() && other.y >= y &&
            other.bottom() <= bottom();
    }
    // The smallest box holding both (two non-empty boxes).
    Box united(const Box &other) const
    {
        const std::int32_t left = std::min(x, other.x), top = std::min(y, other.y);
        return {left, top, std::max(right(), other.right()) - left,
            std::max(bottom(), other.bottom()) - top};
    }
    Box translated(std::int32_t dx, std::int32_t dy) const
    {
        return {x + dx, y + dy, width, height};
    }
    // Grown by `by` pixels on every side.
    Box grown(std::int32_t by) const { return {x - by, y - by, width + 2 * by, height + 2 * by}; }

    friend bool operator==(const Box &, const Box &) = default;
};

// The smallest box holding every point; an empty list gives the empty box at (0, 0).
Box BoundingBox(std::span<const Point> points);
