// Temporary stand-in for picture loading, which is being built on its own branch; this file
// goes as soon as it lands.
#include "AppError.h"
#include "LoadPicture.h"

QString LoadPicture(const QString &fileName, TBitmap &, RowTable &)
{
    throw AppError("Cannot open file " + fileName.toStdString());
}
