// The whole loading path on arbitrary bytes, written to a file whose name (FUZZ_FILE_NAME)
// chooses the reader: the framed raster, the row table and the state after failure. Refusals
// are expected; the raster and row table must agree afterwards whatever happened.
#include "AppError.h"
#include "LoadPicture.h"
#include "RowTable.h"
#include "TBitmap.h"

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
    try {
        LoadPicture(fileName, raster, rows);
    } catch (const AppError &) { }
    // The row table always describes the raster as it was left.
    const int expectedRows = raster.isEmpty() ? 0 : raster.height();
    if (rows.height() != expectedRows)
        std::abort();
    return 0;
}
