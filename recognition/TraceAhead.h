// Which regions of a pass may be traced ahead of the pass's loop, in any order and on any
// thread, with exactly the walk, marks and outline they would get in their turn.
//
// In its turn, region r's walk sees the raster as the labels of earlier regions and the walks
// of earlier regions left it. A walk reads only the pixels within one pixel of where it stands
// and writes only the green byte of the pixels it stands on, which are walkable (red at most
// 128). Where no pixel of red exactly 128 lies within one pixel of the region's bounding box,
// every walkable pixel it can reach is one of its own dark pixels (dark pixels that touch
// belong to one blob), so it reads only its own pixels' bytes and the bytes of light pixels
// and of other blobs' red, which no other walk writes. Labels are the only other writes; when
// no earlier region's label can reach into that one-pixel margin, the walk is the same on the
// raster as labelling left it. Its marks fall on its own pixels, where later labels overwrite
// them in their turn and earlier labels never reach. Both tests read only the raster as
// labelling left it.
#pragma once

#include "recognition/Box.h"
#include "recognition/Regions.h"

#include <cstdint>
#include <vector>

class RowTable;

// What the pass needs to know to take walks ahead, gathered once after labelling from the
// raster as labelling left it: where the labels of live regions may fall, and where red bytes
// of exactly 128 lie, both on a grid of 32 x 32 pixel cells. labelReach is the box, relative to
// a region's first pixel, that covers every label the pass can write for it (cell and glyph
// pixels). Holds references to the table and rows, which must outlive it unchanged.
class TraceAheadMap
{
public:
    TraceAheadMap(const RowTable &rows, const RegionTable &regions, const Box &labelReach);

    // Whether the walk of this live region gives the same outline and marks whenever it is taken.
    bool canTraceAhead(int region) const;

    // What a map over a raster of this size with this many live regions holds at most: its
    // cells of 32 x 32 pixels, and up to four cells per label with their growth.
    static std::int64_t bytesFor(int width, int height, std::size_t liveRegions)
    {
        const std::int64_t cells = (std::int64_t(width) / 32 + 2) * (std::int64_t(height) / 32 + 2);
        return cells * 32 + std::int64_t(liveRegions) * 32;
    }

private:
    static constexpr int kCellShift = 5;

    // The cells of the grid that a box of pixels touches, in cell units.
    static Box cellsOf(const Box &box);
    std::size_t gridIndex(int cx, int cy) const;
    Box labelBox(int region) const;
    bool labelReachedBefore(int region, const Box &box) const;
    bool hasWalkableLight(const Box &box) const;

    const RowTable &m_rows;
    const RegionTable &m_regions;
    Box m_reach;
    Box m_cells;                                   // the label grid's extent, in cells
    std::vector<std::vector<std::int32_t>> m_grid; // per cell, ascending region numbers
    int m_lightColumns = 0;
    std::vector<std::uint8_t> m_light; // per cell of the raster: holds a red byte of 128
};

// The region's bounding box grown by one pixel on every side: every pixel its walk can read.
Box WalkReach(const item &region);
