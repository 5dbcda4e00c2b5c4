#include "picture/LoadPicture.h"

#include "base/AppError.h"
#include "base/MemoryBudget.h"
#include "base/Messages.h"
#include "picture/BmpReader.h"
#include "picture/JpegReader.h"
#include "picture/PictureLimits.h"
#include "picture/RowTable.h"
#include "picture/TBitmap.h"

#include <QFile>
#include <QFileInfo>

#include <new>

// The framed raster is made in one allocation: (W + 2) x (H + 2), white, with the picture
// decoded straight into its inside at (1, 1). That is what growing the picture's raster by two
// columns and two rows and moving it one pixel right and down would give, without the copies.

namespace {

PictureRowAt insideOf(TBitmap &raster)
{
    return [&raster](int y) { return raster.scanLine(y + 1) + kBytesPerPixel; };
}

void loadBmp(QFile &file, TBitmap &raster)
{
    BmpReader reader(file);
    reader.readHeaders();
    raster.setSize(reader.width() + 2, reader.height() + 2);
    reader.readPixels(insideOf(raster));
}

void loadJpeg(QFile &file, TBitmap &raster)
{
    // The whole file is decoded from memory; a copy larger than the store cap counts as memory
    // running out.
    if (file.size() > kMaxPictureStoreBytes)
        throw AppError(kOutOfResources);
    const qint64 size = file.size();
    const MemoryReservation copy(size);
    const QByteArray bytes = file.read(size);
    if (bytes.size() != size)
        throw AppError(kStreamReadError);
    file.close();

    JpegReader reader(bytes);
    reader.readHeader();
    const int width = reader.width();
    const int height = reader.height();
    raster.setSize(width + 2, height + 2);
    reader.decode(insideOf(raster));
}

} // namespace

QString PictureExtension(const QString &fileName)
{
    qsizetype i = fileName.size();
    while (--i >= 0) {
        const QChar c = fileName.at(i);
        if (c == u'\\' || c == u'/' || c == u':')
            return QString();
        if (c == u'.')
            break;
    }
    if (i < 0)
        return QString();
    QString extension = fileName.mid(i);
    for (QChar &c : extension) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + ('a' - 'A'));
    }
    return extension;
}

QString LoadPicture(const QString &fileName, TBitmap &workRaster, RowTable &rowTable)
{
    const bool bmp = PictureExtension(fileName) == QStringLiteral(".bmp");
    // The picture is decoded into a raster of its own, which replaces the work raster only once
    // it is complete: a failure leaves the user's picture and its row table as they were.
    TBitmap picture;
    try {
        // Only regular files are pictures: a pipe would block the open, and a device such as
        // /dev/zero would never end.
        QFile file(fileName);
        if (!QFileInfo(fileName).isFile() || !file.open(QIODevice::ReadOnly))
            throw AppError(CannotOpenFile(fileName));
        if (bmp)
            loadBmp(file, picture);
        else
            loadJpeg(file, picture);
    } catch (const std::bad_alloc &) {
        throw AppError(kOutOfResources);
    }
    // The new table is built before anything changes, so that running out of memory for it
    // still leaves the old picture with its own table.
    RowTable newRows;
    try {
        RebuildRowTable(newRows, picture);
    } catch (const std::bad_alloc &) {
        throw AppError(kOutOfResources);
    }
    workRaster.takePixels(picture);
    rowTable.swap(newRows);
    return fileName;
}
