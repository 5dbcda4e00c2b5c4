#include "recognition/TraceAhead.h"

#include "picture/RowTable.h"

#include <algorithm>

Box WalkReach(const item &region)
{
    return BoundingBox(region.points).grown(1);
}

namespace {

// A single pixel has no dark neighbour to make a first move to (dark pixels that touch are one
// blob, and the pass writes no dark pixel), so it is never traced and never given a label. On a
// speckled page most regions are such.
bool mayWriteLabel(const item &region)
{
    return region.count > 1;
}

} // namespace

TraceAheadMap::TraceAheadMap(
    const RowTable &rows, const RegionTable &regions, const Box &labelReach)
    : m_rows(rows)
    , m_regions(regions)
    , m_reach(labelReach)
{
    if (!rows.isEmpty()) {
        const int width = rows.width(), height = rows.height();
        m_lightColumns = ((width - 1) >> kCellShift) + 1;
        m_light.assign(
            std::size_t(m_lightColumns) * std::size_t(((height - 1) >> kCellShift) + 1), 0);
        for (int y = 0; y < height; ++y) {
            const std::uint8_t *red = rows[y] + kRedByte;
            std::uint8_t *cells = m_light.data() + std::size_t(y >> kCellShift) * m_lightColumns;
            for (int x = 0; x < width; ++x)
                cells[x >> kCellShift] |= red[kBytesPerPixel * std::size_t(x)] == kDarkRedLimit;
        }
    }

    bool any = false;
    Box labels;
    for (std::size_t r = 1; r < regions.size(); ++r) {
        if (!mayWriteLabel(regions[r]))
            continue;
        labels = any ? labels.united(labelBox(int(r))) : labelBox(int(r));
        any = true;
    }
    if (!any)
        return;
    m_cells = cellsOf(labels);
    m_grid.resize(std::size_t(m_cells.width) * std::size_t(m_cells.height));
    for (std::size_t r = 1; r < regions.size(); ++r) {
        if (!mayWriteLabel(regions[r]))
            continue;
        const Box cells = cellsOf(labelBox(int(r)));
        for (int cy = cells.y; cy < cells.bottom(); ++cy) {
            for (int cx = cells.x; cx < cells.right(); ++cx)
                m_grid[gridIndex(cx, cy)].push_back(std::int32_t(r));
        }
    }
}

Box TraceAheadMap::labelBox(int region) const
{
    const Point start = m_regions[std::size_t(region)].points[0];
    return m_reach.translated(start.x, start.y);
}

Box TraceAheadMap::cellsOf(const Box &box)
{
    const int left = box.x >> kCellShift, top = box.y >> kCellShift;
    return {left, top, ((box.right() - 1) >> kCellShift) - left + 1,
        ((box.bottom() - 1) >> kCellShift) - top + 1};
}

std::size_t TraceAheadMap::gridIndex(int cx, int cy) const
{
    return std::size_t(cy - m_cells.y) * std::size_t(m_cells.width) + std::size_t(cx - m_cells.x);
}

bool TraceAheadMap::labelReachedBefore(int region, const Box &box) const
{
    if (m_grid.empty())
        return false;
    const Box cells = cellsOf(box);
    const int left = std::max(cells.x, m_cells.x), right = std::min(cells.right(), m_cells.right());
    const int top = std::max(cells.y, m_cells.y);
    const int bottom = std::min(cells.bottom(), m_cells.bottom());
    constexpr int kCell = 1 << kCellShift;
    for (int cy = top; cy < bottom; ++cy) {
        for (int cx = left; cx < right; ++cx) {
            const std::vector<std::int32_t> &cell = m_grid[gridIndex(cx, cy)];
            if (cell.empty() || cell.front() >= region)
                continue;
            // A cell that lies inside the box whole: any label touching the cell reaches it.
            if (box.contains({cx << kCellShift, cy << kCellShift, kCell, kCell}))
                return true;
            for (const std::int32_t other : cell) {
                if (other >= region)
                    break;
                if (labelBox(other).intersects(box))
                    return true;
            }
        }
    }
    return false;
}

bool TraceAheadMap::hasWalkableLight(const Box &box) const
{
    if (m_light.empty())
        return false;
    // Clipped to the raster; right and bottom exclusive.
    const int left = std::max(box.x, 0), right = std::min(box.right(), m_rows.width());
    const int top = std::max(box.y, 0), bottom = std::min(box.bottom(), m_rows.height());
    for (int cy = top >> kCellShift; cy <= (bottom - 1) >> kCellShift; ++cy) {
        for (int cx = left >> kCellShift; cx <= (right - 1) >> kCellShift; ++cx) {
            if (!m_light[std::size_t(cy) * std::size_t(m_lightColumns) + std::size_t(cx)])
                continue;
            const int y0 = std::max(top, cy << kCellShift);
            const int y1 = std::min(bottom, (cy + 1) << kCellShift);
            const int x0 = std::max(left, cx << kCellShift);
            const int x1 = std::min(right, (cx + 1) << kCellShift);
            for (int y = y0; y < y1; ++y) {
                const std::uint8_t *red = m_rows[y] + kRedByte;
                for (int x = x0; x < x1; ++x) {
                    if (red[kBytesPerPixel * std::size_t(x)] == kDarkRedLimit)
                        return true;
                }
            }
        }
    }
    return false;
}

bool TraceAheadMap::canTraceAhead(int region) const
{
    const item &entry = m_regions[std::size_t(region)];
    if (entry.points.empty())
        return false;
    const Box box = WalkReach(entry);
    return !labelReachedBefore(region, box) && !hasWalkableLight(box);
}
