#include "picture/RowTable.h"

#include "picture/TBitmap.h"

void RowTable::clear()
{
    std::vector<std::uint8_t *>().swap(m_rows);
    m_charge.clear();
    m_width = 0;
}

void RebuildRowTable(RowTable &rows, TBitmap &workRaster)
{
    rows.clear();
    if (workRaster.isEmpty())
        return;
    rows.m_charge.resize(std::int64_t(sizeof(std::uint8_t *)) * workRaster.height());
    rows.m_rows.resize(std::size_t(workRaster.height()));
    for (int y = 0; y < workRaster.height(); ++y)
        rows.m_rows[std::size_t(y)] = workRaster.scanLine(y);
    rows.m_width = workRaster.width();
}
