#include "recognition/Contour.h"

#include "picture/RowTable.h"

#include <cstddef>

// Here's the plan.
//
// An eight-neighbour walk round the outside of the blob. The first move from S looks below and
// to the right (SW, S, SE, E in that order) for a dark pixel; S is the leftmost pixel of the
// blob's topmost run, so nothing dark lies above it or to its left. Every later move starts
// looking one eighth of a turn on from the way back and turns anticlockwise on the screen
// until it finds a walkable pixel; the way back is tried last and is always walkable.
//
// Direction numbers, as seen on the screen from the current pixel P (y grows downwards);
// adding 1 turns one eighth anticlockwise, adding 4 turns round:
//
//      7 NW   6 N   5 NE
//      0 W      P   4 E
//      1 SW   2 S   3 SE

namespace {

struct Offset
{
    std::int32_t dx;
    std::int32_t dy;
};

constexpr Offset kDirections[8] = {
    {-1, 0},  // 0 W
    {-1, +1}, // 1 SW
    {0, +1},  // 2 S
    {+1, +1}, // 3 SE
    {+1, 0},  // 4 E
    {+1, -1}, // 5 NE
    {0, -1},  // 6 N
    {-1, -1}, // 7 NW
};

Point moved(Point p, int direction)
{
    return {p.x + kDirections[direction].dx, p.y + kDirections[direction].dy};
}

// The three pixel tests and the mark, over the row table. Anything outside the raster fails
// every test and is never touched.
class Pixels
{
public:
    explicit Pixels(RowTable &rows)
        : m_rows(rows)
        , m_width(rows.isEmpty() ? 0 : rows.width())
        , m_height(rows.isEmpty() ? 0 : rows.height())
    { }

    bool inside(Point p) const { return p.x >= 0 && p.y >= 0 && p.x < m_width && p.y < m_height; }
    // Whether all eight neighbours of p lie inside the raster.
    bool surrounded(Point p) const
    {
        return p.x >= 1 && p.y >= 1 && p.x + 1 < m_width && p.y + 1 < m_height;
    }
    const RowTable &rows() const { return m_rows; }
    bool isDark(Point p) const { return inside(p) && isDarkRed(byte(p, kRedByte)); }
    bool isWalkable(Point p) const { return inside(p) && byte(p, kRedByte) <= kDarkRedLimit; }
    bool isMarked(Point p) const { return inside(p) && byte(p, kGreenByte) > kMarkedGreenAbove; }

    // Only ever called for pixels that passed isWalkable or isDark, so inside the raster.
    void mark(Point p) { m_rows[p.y][kBytesPerPixel * std::size_t(p.x) + kGreenByte] = 255; }

private:
    std::uint8_t byte(Point p, int channel) const
    {
        return m_rows[p.y][kBytesPerPixel * std::size_t(p.x) + std::size_t(channel)];
    }

    RowTable &m_rows;
    std::int32_t m_width;
    std::int32_t m_height;
};

// The direction of the move out of p, which was reached by a move in direction `arrival`.
int nextDirection(const Pixels &pixels, Point p, int arrival)
{
    int direction = (arrival + 5) % 8;
    for (int tries = 0; tries < 8; ++tries) {
        if (pixels.isWalkable(moved(p, direction)))
            return direction;
        direction = (direction + 1) % 8;
    }
    // Not reached: the last direction tried leads back to the previous point, which was walked
    // on and so is walkable. Going back keeps the walk inside the raster all the same.
    return (arrival + 4) % 8;
}

// nextDirection for a pixel whose eight neighbours all lie inside the raster: the same search
// without the bounds tests, over the three rows around p.
int nextDirectionSurrounded(const Pixels &pixels, Point p, int arrival)
{
    const std::uint8_t *const around[3] = {
        pixels.rows()[p.y - 1], pixels.rows()[p.y], pixels.rows()[p.y + 1]};
    int direction = (arrival + 5) % 8;
    for (int tries = 0; tries < 8; ++tries) {
        const Offset step = kDirections[direction];
        if (around[step.dy + 1][kBytesPerPixel * std::size_t(p.x + step.dx) + kRedByte] <=
            kDarkRedLimit)
            return direction;
        direction = (direction + 1) % 8;
    }
    return (arrival + 4) % 8;
}

// The stop test back at S: the pixel below is dark, or the pixels right and right-below are
// both marked.
bool stopsAtStart(const Pixels &pixels, Point start)
{
    if (pixels.isDark({start.x, start.y + 1}))
        return true;
    return pixels.isMarked({start.x + 1, start.y}) && pixels.isMarked({start.x + 1, start.y + 1});
}

} // namespace

bool TraceContour(RowTable &rows, const item &region, Contour &contour)
{
    contour.clear();
    if (region.points.empty())
        return false;
    Pixels pixels(rows);
    const Point start = region.points.front();
    if (!pixels.inside(start))
        return false;

    int firstDirection = -1;
    for (int direction = 1; direction <= 4; ++direction) {
        if (pixels.isDark(moved(start, direction))) {
            firstDirection = direction;
            break;
        }
    }
    if (firstDirection < 0)
        return false;

    const Point first = moved(start, firstDirection);
    contour.push_back(first);
    pixels.mark(first);
    pixels.mark(start);

    Point p = first;
    int direction = firstDirection;
    for (;;) {
        direction = pixels.surrounded(p) ? nextDirectionSurrounded(pixels, p, direction)
                                         : nextDirection(pixels, p, direction);
        p = moved(p, direction);
        contour.push_back(p);
        pixels.mark(p);
        if (!(p == start))
            continue;
        if (stopsAtStart(pixels, start))
            break;
        // Each move depends only on where the walk stands and where it came from, and that
        // pair also tells the previous one, so the walk is a cycle through such pairs: it comes
        // back to S with the first move next unless it stops before. From there it would go
        // round again over pixels that are marked already, and the stop test, which reads the
        // same three pixels every time, has just failed with all of those marks: it would fail
        // at every later return as well. So the walk ends here.
        if (nextDirection(pixels, start, direction) == firstDirection)
            break;
    }
    return true;
}
