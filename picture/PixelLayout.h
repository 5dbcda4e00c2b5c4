// How a pixel lies in a raster row: three bytes, blue, green, red, so pixel x of a row starts at
// byte kBytesPerPixel x. The rasters, the row table, the readers and recognition share it.
#pragma once

inline constexpr int kBytesPerPixel = 3;

// Byte offsets of the three channels within a pixel.
inline constexpr int kBlueByte = 0;
inline constexpr int kGreenByte = 1;
inline constexpr int kRedByte = 2;
