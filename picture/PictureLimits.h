// The size limit that picture loading applies before it allocates anything for a picture: the
// framed raster, (width + 2) x (height + 2) pixels, must fit the pixel-store cap. Readers check
// it right after their headers, so that a tiny file declaring a huge picture costs nothing.
#pragma once

#include "picture/TBitmap.h"

#include <cstdint>

// Fuzz builds keep this cap and get a small memory budget instead (MemoryBudget.cpp), so that
// an input declaring a large picture fails at the budget's checks, as it would at full size.
inline constexpr std::int64_t kMaxPictureStoreBytes = TBitmap::kMaxStoreBytes;

// True when a picture of width x height pixels, framed by one pixel on every side, fits the cap.
inline bool FramedPictureFits(std::int64_t width, std::int64_t height)
{
    if (width < 0 || height < 0 || width > kMaxPictureStoreBytes || height > kMaxPictureStoreBytes)
        return false;
    return TBitmap::storeFits(width + 2, height + 2) &&
        TBitmap::storeBytes(width + 2, height + 2) <= kMaxPictureStoreBytes;
}
