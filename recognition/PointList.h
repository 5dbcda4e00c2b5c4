// A region's list of pixels: a growable array of points that keeps one point in place and only
// goes to the heap from the second. Most regions of a speckled page are single pixels, and a heap
// block of their own would cost them 32 bytes more each; the list itself is 16 bytes.
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

    PointList() noexcept { }
    PointList(std::span<const Point> points);
    PointList(const PointList &other);
    PointList(PointList &&other) noexcept { swap(other); }
    PointList &operator=(const PointList &other);
    PointList &operator=(PointList &&other) noexcept;
    ~PointList() { release(); }

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    // 1 while the points are in place (no heap block).
    std::size_t capacity() const { return m_capacity; }

    Point *data() { return inPlace() ? &m_one : m_heap; }
    const Point *data() const { return inPlace() ? &m_one : m_heap; }
    iterator begin() { return data(); }
    iterator end() { return data() + m_size; }
    const_iterator begin() const { return data(); }
    const_iterator end() const { return data() + m_size; }
    Point &operator[](std::size_t i) { return data()[i]; }
    const Point &operator[](std::size_t i) const { return data()[i]; }
    const Point &front() const { return data()[0]; }
    const Point &back() const { return data()[m_size - 1]; }
    operator std::span<const Point>() const { return {data(), m_size}; }

    // Makes room for `count` points in all; throws std::bad_alloc like std::vector.
    void reserve(std::size_t count);
    void push_back(const Point &point)
    {
        if (m_size == m_capacity)
            grow(std::size_t(m_size) + 1);
        data()[m_size++] = point;
    }
    void append(std::span<const Point> points);
    // Adds `count` points for the caller to set, and gives where they start.
    Point *extend(std::size_t count);
    // Empties the list and gives back its heap block.
    void release() noexcept
    {
        if (!inPlace())
            freeHeap();
        m_one = Point {};
        m_size = 0;
        m_capacity = 1;
    }
    void swap(PointList &other) noexcept
    {
        // The union is plain bytes either way, a point or a pointer: swap them as bytes.
        unsigned char bytes[kUnionBytes];
        std::memcpy(bytes, &m_one, sizeof bytes);
        std::memcpy(&m_one, &other.m_one, sizeof bytes);
        std::memcpy(&other.m_one, bytes, sizeof bytes);
        std::swap(m_size, other.m_size);
        std::swap(m_capacity, other.m_capacity);
    }

    friend bool operator==(const PointList &a, std::span<const Point> b);

private:
    bool inPlace() const { return m_capacity == 1; }
    void grow(std::size_t atLeast);
    void freeHeap() noexcept;

    static constexpr std::size_t kUnionBytes = sizeof(Point) > sizeof(Point *) ? sizeof(Point)
                                                                               : sizeof(Point *);

    union {
        Point m_one {};
        Point *m_heap;
    };
    std::uint32_t m_size = 0;
    std::uint32_t m_capacity = 1;
};
