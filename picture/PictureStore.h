// The picture store: the work raster that loading fills, strokes are drawn on and recognition
// reads and marks; the display raster that the window paints; and the row table over the work
// raster. The main window owns one for the whole run; the headless command one for each
// picture it is reading at a time.
#pragma once

#include "picture/RowTable.h"
#include "picture/TBitmap.h"

struct PictureStore
{
    TBitmap workRaster;
    TBitmap displayRaster;
    RowTable rowTable;
};

// The state at window creation: both rasters 24-bit, 700 x 500 and white, the row table with
// 500 entries, and the display raster a copy of the work raster.
void CreatePictureStore(PictureStore &store);

inline constexpr int kStartWidth = 700;
inline constexpr int kStartHeight = 500;
