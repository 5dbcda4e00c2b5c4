// A 24-bit raster (TBitmap) and its drawing surface (TCanvas).
//
// The pixel store is a QImage in Format_BGR888 that the raster owns alone: pixel x of a row is
// the bytes 3x (blue), 3x+1 (green) and 3x+2 (red). Rows are reached only through scanLine()
// (or the row table built from it); how rows lie relative to one another is private here.
// A store is replaced, never resized in place: any change of size invalidates earlier row
// references. The store is never shared with another QImage, so writing through a row
// reference and painting through the canvas always act on the same bytes.
#pragma once

#include "base/MemoryBudget.h"
#include "picture/PixelLayout.h"

#include <QImage>
#include <QString>

#include <cstdint>

// A colour as one number: red + 256 x green + 65536 x blue.
using TColor = std::int32_t;
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clWhite = 0xFFFFFF;

QColor toQColor(TColor color);

// Left, top, right, bottom; right and bottom are exclusive.
struct TRect
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

struct TPen
{
    TColor Color = clBlack;
    int Width = 1;
};

struct TBrush
{
    TColor Color = clWhite;
};

// The face and size are fixed: DejaVu Sans at 8 points of the screen's resolution, without
// antialiasing, standing in for the classic 8-point sans-serif window font (cell 13 high at
// 96 dpi: ascent 10, descent 3).
struct TFont
{
    TColor Color = clBlack;

    // round(8 x logical dpi / 72): 11 at 96 dpi. Needs a QGuiApplication.
    static int pixelSize();
    // The label font. Throws AppError when DejaVu Sans is not installed, so text never comes out
    // in a face with another cell size.
    static QFont qfont();
};

class TBitmap;

class TCanvas
{
public:
    TPen Pen;
    TBrush Brush;
    TFont Font;

    void moveTo(int x, int y);
    // A solid line in the pen colour, Pen.Width wide, with round ends and no antialiasing:
    // every pixel is either unchanged or the pen colour. The end point becomes the position.
    void lineTo(int x, int y);

    // Paints the part of the rectangle inside the raster with the brush colour.
    void fillRect(const TRect &rect);
    // (0, 0, width, height).
    TRect clipRect() const;
    // Draws the text opaque: the cell, from (x, y) as wide as the text and ascent + descent
    // high, is filled with the brush colour, then the glyphs are drawn in the font colour.
    // The position moves to (x + text width, y).
    void textOut(int x, int y, const QString &text);
    // Every pixel textOut(x, y, text) may write, as a rectangle relative to (x, y): the cell
    // and the glyph pixels. The glyphs are measured once per thread and kept.
    static QRect textReach(const QString &text);
    // Copies a decoded picture 1:1 with its top-left pixel at (x, y), clipped to the raster.
    void draw(int x, int y, const QImage &picture);

private:
    friend class TBitmap;
    explicit TCanvas(TBitmap &owner)
        : m_owner(owner)
    { }

    TBitmap &m_owner;
    QPoint m_penPos {0, 0};
};

class TBitmap
{
public:
    // A new raster is empty (0 x 0) with the default drawing attributes.
    TBitmap();
    TBitmap(const TBitmap &) = delete;
    TBitmap &operator=(const TBitmap &) = delete;

    int width() const { return m_width; }
    int height() const { return m_height; }
    bool isEmpty() const { return m_width == 0 || m_height == 0; }

    // Resizing: the same value keeps the store and every row reference. Otherwise a new store
    // is made, white, with the old picture copied in at (0, 0) and clipped. A store that cannot
    // be allocated, or that would take the run over its memory budget, throws "Out of system
    // resources" and leaves the raster as it was.
    void setWidth(int width);
    void setHeight(int height);
    // Both at once, in one allocation; the result is that of setWidth then setHeight.
    void setSize(int width, int height);

    // Row y's first byte. Throws "Scan line index out of range" unless 0 <= y < height on a
    // non-empty raster.
    std::uint8_t *scanLine(int y);
    const std::uint8_t *scanLine(int y) const;

    TCanvas &canvas() { return m_canvas; }
    const TCanvas &canvas() const { return m_canvas; }

    // A read-only QImage over the pixels, for painting onto the window or saving a copy. It does
    // not own the pixels and is valid only until the store is next replaced.
    QImage view() const;

    // Gives this raster the source's size and a copy of all its pixels: the result of setWidth,
    // setHeight and a whole-raster CopyRect, without whitening a new store first.
    void copyFrom(const TBitmap &source);

    // Takes the source's pixel store and size; the source is then 0 x 0. Each raster keeps its
    // own drawing attributes. Row references into the source's store now reach this raster's
    // pixels; those into this raster's old store are invalid.
    void takePixels(TBitmap &source) noexcept;

    // Frees the pixel store; the raster is then 0 x 0.
    void free();

    // The largest pixel store the program allocates: 1 GiB. Larger requests fail as if memory
    // had run out, before anything is allocated.
    static constexpr std::int64_t kMaxStoreBytes = std::int64_t(1) << 30;
    static std::int64_t storeBytes(std::int64_t width, std::int64_t height);
    static bool storeFits(std::int64_t width, std::int64_t height);

private:
    friend class TCanvas;
    friend void CopyRect(TBitmap &, int, int, int, int, const TBitmap &, int, int);

    QImage m_image;             // null while the raster is empty
    MemoryReservation m_charge; // the store's bytes, charged before it is allocated
    int m_width = 0;
    int m_height = 0;
    TCanvas m_canvas;
};

// Copies the w x h block at (sx, sy) of src to (dx, dy) of dest, byte for byte. Only pixels
// that exist in both rasters are copied; the rest of dest stays as it was. src and dest may be
// the same raster with overlapping blocks: the result is as if the whole block were read first.
void CopyRect(TBitmap &dest, int dx, int dy, int w, int h, const TBitmap &src, int sx, int sy);
