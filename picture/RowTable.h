// The row table: one row reference per row of the work raster, so that recognition reads and
// writes pixel bytes directly. Entry y points at the first byte of row y; pixel x of that row
// is the bytes 3x (blue), 3x+1 (green) and 3x+2 (red).
//
// The table does not own the pixels. It goes stale whenever the work raster's pixel store is
// replaced (any resize, any load); RebuildRowTable must run before it is read again. A const
// table gives read-only rows; a mutable one gives rows that may be written.
#pragma once

#include "PixelLayout.h"

#include <cstdint>
#include <vector>

class TBitmap;

class RowTable
{
public:
    int width() const { return m_width; }
    int height() const { return int(m_rows.size()); }
    bool isEmpty() const { return m_rows.empty() || m_width == 0; }

    std::uint8_t *operator[](int y) { return m_rows[std::size_t(y)]; }
    const std::uint8_t *operator[](int y) const { return m_rows[std::size_t(y)]; }

    void clear();

private:
    friend void RebuildRowTable(RowTable &rows, TBitmap &workRaster);

    std::vector<std::uint8_t *> m_rows;
    int m_width = 0;
};

// Empties the table and fills it with one reference per row of the raster, top row first.
// An empty raster gives an empty table.
void RebuildRowTable(RowTable &rows, TBitmap &workRaster);
