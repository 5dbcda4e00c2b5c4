// Picture loading: a BMP or JPEG file into the work raster, converted to 24 bits and framed by
// one white pixel on every side, with the row table rebuilt. The file name's extension alone
// chooses the reader: exactly ".bmp" (after lower-casing A to Z) reads BMP, anything else JPEG.
#pragma once

#include <QString>

class RowTable;
class TBitmap;

// The extension of a file name: from its last "." to the end when no "\", "/" or ":" follows
// that "."; otherwise empty. Only A to Z are lower-cased.
QString PictureExtension(const QString &fileName);

// Loads the file and returns the new window caption (the file name as passed). On failure it
// throws AppError and leaves the raster, its pixels and the row table exactly as they were;
// the caller keeps its caption. While loading, the old and the new picture are held at once.
QString LoadPicture(const QString &fileName, TBitmap &workRaster, RowTable &rowTable);
