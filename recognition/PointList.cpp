#include "recognition/PointList.h"

#include "base/HeapTuning.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

PointList::PointList(std::span<const Point> points)
{
    append(points);
}

PointList::PointList(const PointList &other)
    : PointList(std::span<const Point>(other))
{ }

PointList &PointList::operator=(const PointList &other)
{
    if (this != &other)
        PointList(other).swap(*this);
    return *this;
}

PointList &PointList::operator=(PointList &&other) noexcept
{
    if (this != &other) {
        release();
        swap(other);
    }
    return *this;
}

void PointList::reserve(std::size_t count)
{
    if (count > capacity())
        grow(count);
}

void PointList::append(std::span<const Point> points)
{
    if (!points.empty())
        std::memmove(extend(points.size()), points.data(), points.size() * sizeof(Point));
}

Point *PointList::extend(std::size_t count)
{
    const std::size_t before = size();
    if (before + count > capacity())
        grow(before + count);
    Point *const added = data() + before;
    m_size += std::uint32_t(count);
    return added;
}

void PointList::freeHeap() noexcept
{
    std::free(heap());
}

// At least doubles, as std::vector does, so that pushing point by point stays linear: to 3, 7,
// 15, ... points (the first block as if one point were in place), which with the allocator's
// 8-byte header fill its 16-byte granules exactly. Points are plain bytes, so a heap block grows
// by realloc: a large one is moved by remapping its pages rather than copied into fresh ones.
void PointList::grow(std::size_t atLeast)
{
    constexpr std::size_t kMost = kSizeBits;
    if (atLeast > kMost)
        throw std::bad_alloc();
    const std::size_t from = onHeap() ? heapCapacity() : 1;
    const std::size_t capacity = std::max(atLeast, std::min(kMost, 2 * from + 1));
    Point *block;
    if (onHeap()) {
        block = static_cast<Point *>(std::realloc(heap(), capacity * sizeof(Point)));
        if (!block)
            throw std::bad_alloc();
    } else {
        block = static_cast<Point *>(std::malloc(capacity * sizeof(Point)));
        if (!block)
            throw std::bad_alloc();
        std::copy(place(), place() + size(), block);
    }
    setHeap(block, std::uint32_t(capacity));
    AskForHugePages(block + size(), (capacity - size()) * sizeof(Point));
}

bool operator==(const PointList &a, std::span<const Point> b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}
