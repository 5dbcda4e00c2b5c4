// The learned method's labels as a layer over the picture. The turns method writes its labels
// into the work raster inside the pass, where the next pass reads them; the learned method's
// labels are kept apart from the raster, so that a pass never changes what was drawn and a
// new pass simply replaces the layer. The window paints the layer over its picture; saving a
// picture and the command's pictures compose it in. Both go through this one unit, so that
// what is shown and what is written are the same pixels: those that WriteLabel (RecognizeAll.h)
// would have written into the raster.
//
// A layer is a plain list of values; it owns nothing of the raster and stays valid whatever
// happens to it.
#pragma once

#include "recognition/Glyph.h"
#include "recognition/PointList.h"

#include <QPoint>
#include <QSize>

#include <vector>

class QPainter;
class TBitmap;

struct LayerLabel
{
    Point start; // the first pixel of what it labels, in work-raster points
    char digit = '0';
    friend bool operator==(const LayerLabel &, const LayerLabel &) = default;
};

// In the order they are laid on: where two overlap, the later lies on top.
using LabelLayer = std::vector<LayerLabel>;

// One label for each glyph, in the glyphs' order.
LabelLayer LayerOf(const std::vector<Glyph> &glyphs);

// Writes the layer into the raster with WriteLabel, every label moved by `shift` (a copy of
// the raster without its first rows and columns takes a negative shift). What falls outside
// the raster is lost, as in the pass.
void ComposeLayer(TBitmap &raster, const LabelLayer &layer, QPoint shift = {});
// The same for the layer of the glyphs, LayerOf(glyphs), without making it.
void ComposeLayer(TBitmap &raster, const std::vector<Glyph> &glyphs);

// Paints the layer with the raster's top-left pixel at `origin`, within the raster's `size`:
// onto a copy of the raster's pixels this gives exactly what ComposeLayer writes. Needs a
// QGuiApplication, as the label font does.
void PaintLayer(QPainter &painter, QPoint origin, QSize size, const LabelLayer &layer);
