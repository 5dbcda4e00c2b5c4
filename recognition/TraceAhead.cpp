#include "TraceAhead.h"

#include "RowTable.h"

#include <algorithm>

PixelBox WalkReach(const item &region)
{
    PixelBox box {region.points[0].x, region.points[0].y, region.points[0].x, region.points[0].y};
    for (const Point &p : region.points) {
        box.left = std::min(box.left, p.x);
        box.right = std::max(box.right, p.x);
        box.top = std::min(box.top, p.y);
        box.bottom = std::max(box.bottom, p.y);
    }
    return {box.left - 1, box.top - 1, box.right + 1, box.bottom + 1};
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
    const RowTable &rows, const RegionTable &regions, const PixelBox &labelReach)
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
    for (std::size_t r = 1; r < regions.size(); ++r) {
        if (!mayWriteLabel(regions[r]))
            continue;
        const PixelBox box = labelBox(int(r));
        m_cells = any
            ? PixelBox {std::min(m_cells.left, box.left), std::min(m_cells.top, box.top),
                  std::max(m_cells.right, box.right), std::max(m_cells.bottom, box.bottom)}
            : box;
        any = true;
    }
    if (!any)
        return;
    m_cells = {m_cells.left >> kCellShift, m_cells.top >> kCellShift, m_cells.right >> kCellShift,
        m_cells.bottom >> kCellShift};
    const std::size_t columns = std::size_t(m_cells.right - m_cells.left + 1);
    m_grid.resize(columns * std::size_t(m_cells.bottom - m_cells.top + 1));
    for (std::size_t r = 1; r < regions.size(); ++r) {
        if (!mayWriteLabel(regions[r]))
            continue;
        const PixelBox box = labelBox(int(r));
        for (int cy = box.top >> kCellShift; cy <= box.bottom >> kCellShift; ++cy) {
            for (int cx = box.left >> kCellShift; cx <= box.right >> kCellShift; ++cx)
                m_grid[std::size_t(cy - m_cells.top) * columns + std::size_t(cx - m_cells.left)]
                    .push_back(std::int32_t(r));
        }
    }
}

PixelBox TraceAheadMap::labelBox(int region) const
{
    const Point start = m_regions[std::size_t(region)].points[0];
    return {m_reach.left + start.x, m_reach.top + start.y, m_reach.right + start.x,
        m_reach.bottom + start.y};
}

bool TraceAheadMap::labelReachedBefore(int region, const PixelBox &box) const
{
    if (m_grid.empty())
        return false;
    const std::size_t columns = std::size_t(m_cells.right - m_cells.left + 1);
    const int left = std::max(box.left >> kCellShift, m_cells.left);
    const int right = std::min(box.right >> kCellShift, m_cells.right);
    const int top = std::max(box.top >> kCellShift, m_cells.top);
    const int bottom = std::min(box.bottom >> kCellShift, m_cells.bottom);
    for (int cy = top; cy <= bottom; ++cy) {
        for (int cx = left; cx <= right; ++cx) {
            const std::vector<std::int32_t> &cell =
                m_grid[std::size_t(cy - m_cells.top) * columns + std::size_t(cx - m_cells.left)];
            if (cell.empty() || cell.front() >= region)
                continue;
            // A cell that lies inside the box whole: any label touching the cell reaches it.
            const PixelBox cellBox {cx << kCellShift, cy << kCellShift,
                ((cx + 1) << kCellShift) - 1, ((cy + 1) << kCellShift) - 1};
            if (cellBox.left >= box.left && cellBox.right <= box.right && cellBox.top >= box.top &&
                cellBox.bottom <= box.bottom)
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

bool TraceAheadMap::hasWalkableLight(const PixelBox &box) const
{
    if (m_light.empty())
        return false;
    const int left = std::max(box.left, 0), right = std::min(box.right, m_rows.width() - 1);
    const int top = std::max(box.top, 0), bottom = std::min(box.bottom, m_rows.height() - 1);
    for (int cy = top >> kCellShift; cy <= bottom >> kCellShift; ++cy) {
        for (int cx = left >> kCellShift; cx <= right >> kCellShift; ++cx) {
            if (!m_light[std::size_t(cy) * std::size_t(m_lightColumns) + std::size_t(cx)])
                continue;
            const int y0 = std::max(top, cy << kCellShift);
            const int y1 = std::min(bottom, ((cy + 1) << kCellShift) - 1);
            const int x0 = std::max(left, cx << kCellShift);
            const int x1 = std::min(right, ((cx + 1) << kCellShift) - 1);
            for (int y = y0; y <= y1; ++y) {
                const std::uint8_t *red = m_rows[y] + kRedByte;
                for (int x = x0; x <= x1; ++x) {
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
    const PixelBox box = WalkReach(entry);
    return !labelReachedBefore(region, box) && !hasWalkableLight(box);
}
