// Synthetic pages for the benchmarks. Each fills a work raster, rebuilds its row table and
// returns nothing else; the pictures are deterministic.
#pragma once

#include "picture/PictureStore.h"

// A white page with dark digits 0 to 9 about 66 pixels tall, strokes about 8 pixels wide, in
// a grid of 57 x 70 cells: about 3000 blobs on 4000 x 3000.
void makeDigitPage(PictureStore &store, int width, int height);

// Isolated dark pixels and small clusters: each pixel dark with probability `percent` in 100,
// from a fixed seed. At 4000 x 3000 and 32 per cent about 490,000 blobs, a third of them single
// pixels.
void makeNoisePage(PictureStore &store, int width, int height, int percent);

// Vertical strips `stroke` pixels wide, every 2 x stroke columns, from the top row to the
// bottom, that never meet: as many runs as the comb and the staircase, and no merging.
void makeStripesPage(PictureStore &store, int width, int height, int stroke);

// The strips joined by a bar `stroke` rows high along the bottom: every tooth is absorbed once.
void makeCombPage(PictureStore &store, int width, int height, int stroke);

// The strips, each joined to its right-hand neighbour by a step one stroke lower than the last:
// the growing blob is absorbed again at every step by the next strip to the left.
void makeStaircasePage(PictureStore &store, int width, int height, int stroke);
