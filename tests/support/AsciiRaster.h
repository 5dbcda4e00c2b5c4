// Test fixtures drawn as pictures. Each string is one row of the raster:
//   '.' white (255, 255, 255)          '#' black (0, 0, 0)
//   '8' red byte 128, green and blue 0 (walkable, not dark)
//   'g' black with a green mark (0, 255, 0)
//   'r' pure red (0, 0, 255): neither dark, walkable nor marked
#pragma once

#include "picture/PictureStore.h"

#include <string>
#include <vector>

// Resizes the raster to the picture, paints it and rebuilds the row table.
void drawAscii(TBitmap &raster, RowTable &rows, const std::vector<std::string> &picture);

// The raster as rows of '.', '#', '8', 'g', 'r' and '?' (any other colour), for readable failures.
std::vector<std::string> asciiOf(const TBitmap &raster);

// The three bytes of pixel (x, y): blue, green, red.
struct Bgr
{
    int blue, green, red;
    friend bool operator==(const Bgr &, const Bgr &) = default;
};
Bgr pixelAt(const TBitmap &raster, int x, int y);
void setPixel(TBitmap &raster, int x, int y, Bgr value);
