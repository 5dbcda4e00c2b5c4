// The whole loading path on arbitrary bytes, written to a file whose name (FUZZ_FILE_NAME)
// chooses the reader: the framed raster, the row table and the state after failure. Refusals
// are expected; a refused file leaves the raster as it was, and the raster and row table agree
// afterwards whatever happened.
#include "base/AppError.h"
#include "picture/LoadPicture.h"
#include "picture/RowTable.h"
#include "picture/TBitmap.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static QTemporaryDir folder;
    static const QString fileName = folder.filePath(QStringLiteral(FUZZ_FILE_NAME));
    {
        QFile file(fileName);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
            std::abort();
    }
    TBitmap raster;
    raster.setSize(7, 5);
    RowTable rows;
    RebuildRowTable(rows, raster);
    bool loaded = true;
    try {
        LoadPicture(fileName, raster, rows);
    } catch (const AppError &) {
        loaded = false;
    }
    // A failed load leaves the picture as it was; either way the row table describes the raster.
    if (!loaded && (raster.width() != 7 || raster.height() != 5))
        std::abort();
    if (rows.height() != raster.height())
        std::abort();
    return 0;
}
