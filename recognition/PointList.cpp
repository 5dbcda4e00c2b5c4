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
    if (count > m_capacity)
        grow(count);
}

void PointList::append(std::span<const Point> points)
{
    if (!points.empty())
        std::memmove(extend(points.size()), points.data(), points.size() * sizeof(Point));
}

Point *PointList::extend(std::size_t count)
{
    const std::size_t size = std::size_t(m_size) + count;
    if (size > m_capacity)
        grow(size);
    Point *const added = data() + m_size;
    m_size = std::uint32_t(size);
    return added;
}

void PointList::freeHeap() noexcept
{
    std::free(m_heap);
}

// At least doubles, as std::vector does, so that pushing point by point stays linear: to 3, 7,
// 15, ... points, which with the allocator's 8-byte header fill its 16-byte granules exactly.
// Points are plain bytes, so a heap block grows by realloc: a large one is moved by remapping
// its pages rather than copied into fresh ones.
void PointList::grow(std::size_t atLeast)
{
    constexpr std::size_t kMost = std::numeric_limits<std::uint32_t>::max();
    if (atLeast > kMost)
        throw std::bad_alloc();
    const std::size_t capacity =
        std::max(atLeast, std::min(kMost, 2 * std::size_t(m_capacity) + 1));
    if (inPlace()) {
        auto *heap = static_cast<Point *>(std::malloc(capacity * sizeof(Point)));
        if (!heap)
            throw std::bad_alloc();
        heap[0] = m_one;
        m_heap = heap;
    } else {
        auto *heap = static_cast<Point *>(std::realloc(m_heap, capacity * sizeof(Point)));
        if (!heap)
            throw std::bad_alloc();
        m_heap = heap;
    }
    AskForHugePages(m_heap + m_size, (capacity - m_size) * sizeof(Point));
    m_capacity = std::uint32_t(capacity);
}

bool operator==(const PointList &a, std::span<const Point> b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}
