#include "picture/PictureFromImage.h"

#include "base/AppError.h"
#include "base/Messages.h"
#include "picture/PictureLimits.h"
#include "picture/RowTable.h"
#include "picture/TBitmap.h"

#include <QPainter>

#include <cstring>
#include <new>

void LoadPictureFromImage(const QImage &image, TBitmap &workRaster, RowTable &rowTable)
{
    if (image.isNull())
        throw AppError(kClipboardHasNoPicture);
    if (!FramedPictureFits(image.width(), image.height()))
        throw AppError(kOutOfResources);
    TBitmap picture;
    RowTable newRows;
    try {
        QImage flat(image.size(), QImage::Format_BGR888);
        if (flat.isNull())
            throw AppError(kOutOfResources);
        flat.fill(Qt::white);
        {
            QPainter painter(&flat);
            painter.drawImage(0, 0, image);
        }
        picture.setSize(image.width() + 2, image.height() + 2);
        const std::size_t rowBytes = std::size_t(flat.width()) * kBytesPerPixel;
        for (int y = 0; y < flat.height(); ++y)
            std::memcpy(picture.scanLine(y + 1) + kBytesPerPixel, flat.constScanLine(y), rowBytes);
        RebuildRowTable(newRows, picture);
    } catch (const std::bad_alloc &) {
        throw AppError(kOutOfResources);
    }
    workRaster.takePixels(picture);
    rowTable.swap(newRows);
}
