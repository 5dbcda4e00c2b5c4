// A region's list of pixels: a growable array of points that keeps two points in place and only
// goes to the heap from the third. Most regions of a speckled page are one or two pixels, and a
// heap block of their own would cost them 32 bytes more each. The list itself is 20 bytes,
// aligned to 4, so that a region-table entry with it stays 32 bytes.
//
// Owns its points. Pointers and iterators into it go stale when it grows, is assigned, swapped
// or moved from, as with std::vector.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <utility>

// A pixel position in work-raster coordinates, y growing downwards.
struct Point
{
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const Point &, const Point &) = default;
};

class PointList
{
public:
    using value_type = Point;
    using iterator = Point *;
    using const_iterator = const Point *;
    using size_type = std::size_t;

    // The points a list holds without a heap block.
    static constexpr std::size_t kInPlace = 2;

    PointList() noexcept { }
    PointList(std::span<const Point> points);
    PointList(const PointList &other);
    PointList(PointList &&other) noexcept { swap(other); }
    PointList &operator=(const PointList &other);
    PointList &operator=(PointList &&other) noexcept;
    ~PointList() { release(); }

    std::size_t size() const { return m_size & kSizeBits; }
    bool empty() const { return size() == 0; }
    // kInPlace while the points are in place (no heap block).
    std::size_t capacity() const { return onHeap() ? heapCapacity() : kInPlace; }

    Point *data() { return onHeap() ? heap() : place(); }
    const Point *data() const { return onHeap() ? heap() : place(); }
    iterator begin() { return data(); }
    iterator end() { return data() + size(); }
    const_iterator begin() const { return data(); }
    const_iterator end() const { return data() + size(); }
    Point &operator[](std::size_t i) { return data()[i]; }
    const Point &operator[](std::size_t i) const { return data()[i]; }
    const Point &front() const { return data()[0]; }
    const Point &back() const { return data()[size() - 1]; }
    operator std::span<const Point>() const { return {data(), size()}; }

    // Makes room for `count` points in all; throws std::bad_alloc like std::vector.
    void reserve(std::size_t count);
    void push_back(const Point &point)
    {
        const std::size_t at = size();
        if (at == capacity())
            grow(at + 1);
        data()[at] = point;
        ++m_size;
    }
    void append(std::span<const Point> points);
    // Adds `count` points for the caller to set, and gives where they start.
    Point *extend(std::size_t count);
    // Empties the list and gives back its heap block.
    void release() noexcept
    {
        if (onHeap())
            freeHeap();
        std::memset(m_bytes, 0, sizeof m_bytes);
        m_size = 0;
    }
    void swap(PointList &other) noexcept
    {
        // Either form is plain bytes, points or a block's address and capacity: swap them as
        // bytes.
        unsigned char bytes[sizeof(PointList)];
        std::memcpy(bytes, static_cast<void *>(this), sizeof bytes);
        std::memcpy(static_cast<void *>(this), static_cast<const void *>(&other), sizeof bytes);
        std::memcpy(static_cast<void *>(&other), bytes, sizeof bytes);
    }

    friend bool operator==(const PointList &a, std::span<const Point> b);

private:
    // The top bit of m_size: the points are on the heap.
    static constexpr std::uint32_t kOnHeap = std::uint32_t(1) << 31;
    static constexpr std::uint32_t kSizeBits = kOnHeap - 1;

    bool onHeap() const { return (m_size & kOnHeap) != 0; }
    // In place, m_bytes holds the points. On the heap, it holds the block's address and then its
    // capacity, as bytes: the list is aligned to 4 only.
    Point *heap() const
    {
        Point *block;
        std::memcpy(&block, m_bytes, sizeof block);
        return block;
    }
    std::size_t heapCapacity() const
    {
        std::uint32_t capacity;
        std::memcpy(&capacity, m_bytes + sizeof(Point *), sizeof capacity);
        return capacity;
    }
    void setHeap(Point *block, std::uint32_t capacity)
    {
        std::memcpy(m_bytes, &block, sizeof block);
        std::memcpy(m_bytes + sizeof(Point *), &capacity, sizeof capacity);
        m_size |= kOnHeap;
    }
    void grow(std::size_t atLeast);
    void freeHeap() noexcept;

    Point *place() { return reinterpret_cast<Point *>(m_bytes); }
    const Point *place() const { return reinterpret_cast<const Point *>(m_bytes); }

    alignas(Point) unsigned char m_bytes[kInPlace * sizeof(Point)] {};
    std::uint32_t m_size = 0;
};

static_assert(sizeof(PointList) == 20 && alignof(PointList) == 4);
