// The row table: one row reference per row of the work raster, so that recognition reads and
// writes pixel bytes directly. Entry y points at the first byte of row y; pixel x of that row
// is the bytes 3x (blue), 3x+1 (green) and 3x+2 (red).
//
// The table does not own the pixels. It goes stale whenever the work raster's pixel store is
// replaced (any resize, any load); RebuildRowTable must run before it is read again. A const
// table gives read-only rows; a mutable one gives rows that may be written.
#pragma once

#include "base/MemoryBudget.h"
#include "picture/PixelLayout.h"

#include <cstdint>
#include <utility>
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
    // Exchanges the entries of two tables; no row reference changes its raster.
    void swap(RowTable &other) noexcept
    {
        m_rows.swap(other.m_rows);
        m_charge.swap(other.m_charge);
        std::swap(m_width, other.m_width);
    }

private:
    friend void RebuildRowTable(RowTable &rows, TBitmap &workRaster);

    std::vector<std::uint8_t *> m_rows;
    MemoryReservation m_charge; // the entries' bytes
    int m_width = 0;
};

// Empties the table and fills it with one reference per row of the raster, top row first.
// An empty raster gives an empty table. Throws "Out of system resources", leaving the table
// empty, when its entries would take the run over its memory budget.
void RebuildRowTable(RowTable &rows, TBitmap &workRaster);
