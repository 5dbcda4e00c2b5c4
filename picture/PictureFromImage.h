// A picture that is already decoded (one taken from the clipboard) made the work raster as a
// loaded file would be: converted to 24 bits, transparent pixels put on white, framed by one
// white pixel on every side, and the row table rebuilt.
#pragma once

class QImage;
class RowTable;
class TBitmap;

// On failure (a null picture, one too large for the store cap, memory running out) throws
// AppError and leaves the raster and the row table exactly as they were.
void LoadPictureFromImage(const QImage &image, TBitmap &workRaster, RowTable &rowTable);
