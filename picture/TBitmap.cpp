#include "picture/TBitmap.h"

#include "base/AppError.h"
#include "base/HeapTuning.h"
#include "base/Messages.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <map>
#include <utility>
#include <vector>

QColor toQColor(TColor color)
{
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

namespace {

// The part of [start, start + length) that lies inside [0, limit).
struct Span
{
    int from;
    int to; // exclusive
};

Span clipSpan(std::int64_t start, std::int64_t length, int limit)
{
    const std::int64_t from = std::max<std::int64_t>(start, 0);
    const std::int64_t to = std::min<std::int64_t>(start + length, limit);
    if (to <= from)
        return {0, 0};
    return {int(from), int(to)};
}

// A colour's bytes as a pixel holds them: blue, green, red.
std::array<std::uint8_t, kBytesPerPixel> pixelBytes(TColor color)
{
    return {std::uint8_t((color >> 16) & 0xFF), std::uint8_t((color >> 8) & 0xFF),
        std::uint8_t(color & 0xFF)};
}

// A new store and its charge, its pages not yet touched; "Out of system resources", with
// nothing charged, when it is too large or cannot be had. A large one asks the kernel for huge
// pages: filling hundreds of megabytes page by page otherwise costs about as much as
// recognising a page of text.
struct ChargedStore
{
    QImage image;
    MemoryReservation charge;
};
ChargedStore newStore(int width, int height)
{
    if (!TBitmap::storeFits(width, height))
        throw AppError(kOutOfResources);
    MemoryReservation charge(TBitmap::storeBytes(width, height));
    QImage store(width, height, QImage::Format_BGR888);
    if (store.isNull())
        throw AppError(kOutOfResources);
    AskForHugePages(store.bits(), std::size_t(store.sizeInBytes()));
    return {std::move(store), std::move(charge)};
}

// Every pixel of the image in one colour, row by row. QImage::fill and QPainter stop at row
// 8,388,607 (the raster engine's coordinate limit); rasters may be taller than that.
void fillRows(QImage &image, TColor color)
{
    const auto pixel = pixelBytes(color);
    const std::size_t bytes = std::size_t(image.width()) * kBytesPerPixel;
    if (image.height() == 0 || bytes == 0)
        return;
    std::uint8_t *first = image.scanLine(0);
    for (std::size_t i = 0; i < bytes; i += kBytesPerPixel)
        std::memcpy(first + i, pixel.data(), kBytesPerPixel);
    for (int y = 1; y < image.height(); ++y)
        std::memcpy(image.scanLine(y), first, bytes);
}

// A text's cell in the label font, and the pixels that drawing it sets in the font colour:
// offsets from the cell's top-left corner, found by letting QPainter draw the text on a small
// transparent image around its cell. Without antialiasing every glyph pixel is either set or
// not, so copying these gives what painting on the raster itself would, on any row.
struct TextCell
{
    int width = 0;
    int height = 0;
    std::vector<QPoint> ink;
};

// Measured and drawn once per text and font size: a pass writes the same ten labels thousands
// of times, and measuring a text means shaping it.
const TextCell &textCell(const QString &text)
{
    if (!qGuiApp)
        throw AppError(kTextNeedsGuiApplication);
    // One cache per thread: the headless command labels several pictures at once.
    thread_local std::map<std::pair<int, QString>, TextCell> cache;
    const auto key = std::make_pair(TFont::pixelSize(), text);
    if (const auto found = cache.find(key); found != cache.end())
        return found->second;
    if (cache.size() >= 256) // labels are single digits; anything else is not kept for long
        cache.clear();

    const QFont font = TFont::qfont();
    const QFontMetrics metrics(font);
    // The ink may reach outside the cell: take both, with a margin, relative to the baseline.
    const int width = metrics.horizontalAdvance(text);
    const QRect cell(0, -metrics.ascent(), width, metrics.ascent() + metrics.descent());
    const QRect area = metrics.boundingRect(text).united(cell).adjusted(-2, -2, 2, 2);
    QImage ink(area.size(), QImage::Format_ARGB32_Premultiplied);
    if (ink.isNull())
        throw AppError(kOutOfResources);
    ink.fill(Qt::transparent);
    QPainter painter(&ink);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(-area.left(), -area.top(), text);
    painter.end();

    TextCell measured {width, cell.height(), {}};
    for (int y = 0; y < ink.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(ink.constScanLine(y));
        for (int x = 0; x < ink.width(); ++x) {
            if (qAlpha(row[x]) != 0)
                measured.ink.emplace_back(area.left() + x, area.top() + y - cell.top());
        }
    }
    return cache.emplace(key, std::move(measured)).first->second;
}

} // namespace

// --- TFont ---------------------------------------------------------------------------------

int TFont::pixelSize()
{
    qreal dpi = 96;
    if (qGuiApp) {
        if (const QScreen *screen = QGuiApplication::primaryScreen())
            dpi = screen->logicalDotsPerInchY();
    }
    return int(std::lround(8.0 * dpi / 72.0));
}

QFont TFont::qfont()
{
    if (!qGuiApp)
        throw AppError(kTextNeedsGuiApplication);
    // Looked up once per size: every label of a pass uses it.
    static const QString kFamily = QStringLiteral("DejaVu Sans");
    thread_local int cachedSize = 0; // per thread, as pictures are labelled on several
    thread_local QFont cached;
    const int size = pixelSize();
    if (size != cachedSize) {
        QFont font(kFamily);
        font.setPixelSize(size);
        font.setStyleStrategy(QFont::NoAntialias);
        if (QFontInfo(font).family() != kFamily)
            throw AppError(kLabelFontMissing);
        cached = font;
        cachedSize = size;
    }
    return cached;
}

// --- TCanvas -------------------------------------------------------------------------------

void TCanvas::moveTo(int x, int y)
{
    m_penPos = QPoint(x, y);
}

void TCanvas::lineTo(int x, int y)
{
    const QPoint from = m_penPos;
    m_penPos = QPoint(x, y);
    if (m_owner.isEmpty())
        return;
    // The stroke is every pixel whose centre lies within half the pen width of the segment:
    // a capsule, whose ends are round. Each row of it is one interval, found exactly, so the
    // cost follows the pixels drawn even for long slanted strokes.
    const double radius = std::max(Pen.Width, 1) / 2.0;
    const double r2 = radius * radius;
    const double x0 = from.x(), y0 = from.y(), x1 = x, y1 = y;
    const double dx = x1 - x0, dy = y1 - y0;
    const double length2 = dx * dx + dy * dy;
    const double reach = radius * std::sqrt(length2); // |cross product| bound on the strip
    constexpr double kInf = std::numeric_limits<double>::infinity();
    constexpr double kEps = 1e-9;

    const auto [blue, green, red] = pixelBytes(Pen.Color);
    const int top = std::max(0, int(std::floor(std::min(y0, y1) - radius)));
    const int bottom = std::min(m_owner.height() - 1, int(std::ceil(std::max(y0, y1) + radius)));
    for (int row = top; row <= bottom; ++row) {
        double lo = kInf, hi = -kInf;
        auto widen = [&](double a, double b) {
            if (a <= b + kEps) {
                lo = std::min(lo, a);
                hi = std::max(hi, b);
            }
        };
        // The two round ends.
        for (const auto &[ex, ey] : {std::pair {x0, y0}, std::pair {x1, y1}}) {
            const double ry = row - ey;
            if (ry * ry <= r2 + kEps) {
                const double half = std::sqrt(std::max(0.0, r2 - ry * ry));
                widen(ex - half, ex + half);
            }
        }
        // The band along the segment: within the radius of its line, between its end normals.
        if (length2 > 0) {
            const double ry = row - y0;
            double a = -kInf, b = kInf;
            auto clamp = [&](double coefficient, double constant, double low, double high) {
                // low <= coefficient * (px - x0) + constant <= high
                if (coefficient == 0) {
                    if (constant < low - kEps || constant > high + kEps)
                        a = kInf;
                    return;
                }
                double u = (low - constant) / coefficient, v = (high - constant) / coefficient;
                if (u > v)
                    std::swap(u, v);
                a = std::max(a, x0 + u);
                b = std::min(b, x0 + v);
            };
            clamp(-dy, dx * ry, -reach, reach); // distance from the line
            clamp(dx, dy * ry, 0, length2);     // between the end normals
            widen(a, b);
        }
        if (lo > hi)
            continue;
        const int left = std::max(0, int(std::ceil(lo - kEps)));
        const int right = std::min(m_owner.width() - 1, int(std::floor(hi + kEps)));
        std::uint8_t *pixels = m_owner.m_image.scanLine(row);
        for (int px = left; px <= right; ++px) {
            pixels[kBytesPerPixel * px] = blue;
            pixels[kBytesPerPixel * px + 1] = green;
            pixels[kBytesPerPixel * px + 2] = red;
        }
    }
}

void TCanvas::fillRect(const TRect &rect)
{
    if (m_owner.isEmpty())
        return;
    const Span xs = clipSpan(rect.left, std::int64_t(rect.right) - rect.left, m_owner.width());
    const Span ys = clipSpan(rect.top, std::int64_t(rect.bottom) - rect.top, m_owner.height());
    if (xs.from == xs.to || ys.from == ys.to)
        return;
    const auto [blue, green, red] = pixelBytes(Brush.Color);
    for (int y = ys.from; y < ys.to; ++y) {
        std::uint8_t *row = m_owner.m_image.scanLine(y);
        for (int x = xs.from; x < xs.to; ++x) {
            row[kBytesPerPixel * x] = blue;
            row[kBytesPerPixel * x + 1] = green;
            row[kBytesPerPixel * x + 2] = red;
        }
    }
}

TRect TCanvas::clipRect() const
{
    return {0, 0, m_owner.width(), m_owner.height()};
}

void TCanvas::textOut(int x, int y, const QString &text)
{
    const TextCell &cell = textCell(text);
    m_penPos = QPoint(int(std::int64_t(x) + cell.width), y);
    if (m_owner.isEmpty())
        return;
    // The cell in the brush colour, then the glyphs in the font colour, written straight into
    // the rows so that text lands on rows that QPainter cannot reach.
    const Span xs = clipSpan(x, cell.width, m_owner.width());
    const Span ys = clipSpan(y, cell.height, m_owner.height());
    const auto brush = pixelBytes(Brush.Color);
    for (int row = ys.from; row < ys.to; ++row) {
        std::uint8_t *pixels = m_owner.m_image.scanLine(row);
        for (int px = xs.from; px < xs.to; ++px)
            std::memcpy(pixels + kBytesPerPixel * px, brush.data(), kBytesPerPixel);
    }
    const auto ink = pixelBytes(Font.Color);
    for (const QPoint &offset : cell.ink) {
        const std::int64_t px = std::int64_t(x) + offset.x();
        const std::int64_t row = std::int64_t(y) + offset.y();
        if (px < 0 || px >= m_owner.width() || row < 0 || row >= m_owner.height())
            continue;
        std::memcpy(
            m_owner.m_image.scanLine(int(row)) + kBytesPerPixel * px, ink.data(), kBytesPerPixel);
    }
}

QRect TCanvas::textReach(const QString &text)
{
    const TextCell &cell = textCell(text);
    QRect reach(0, 0, cell.width, cell.height);
    for (const QPoint &offset : cell.ink)
        reach = reach.united(QRect(offset, QSize(1, 1)));
    return reach;
}

void TCanvas::draw(int x, int y, const QImage &picture)
{
    if (m_owner.isEmpty() || picture.isNull())
        return;
    const QImage source = picture.format() == QImage::Format_BGR888
        ? picture
        : picture.convertToFormat(QImage::Format_BGR888);
    if (source.isNull())
        throw AppError(kOutOfResources);
    const Span xs = clipSpan(x, source.width(), m_owner.width());
    const Span ys = clipSpan(y, source.height(), m_owner.height());
    const std::size_t bytes = std::size_t(xs.to - xs.from) * kBytesPerPixel;
    for (int row = ys.from; row < ys.to; ++row) {
        std::memcpy(m_owner.m_image.scanLine(row) + kBytesPerPixel * xs.from,
            source.constScanLine(row - y) + kBytesPerPixel * (xs.from - x), bytes);
    }
}

// --- TBitmap -------------------------------------------------------------------------------

TBitmap::TBitmap()
    : m_canvas(*this)
{ }

std::int64_t TBitmap::storeBytes(std::int64_t width, std::int64_t height)
{
    // Rows of a BGR888 QImage are padded to 4 bytes.
    return ((width * kBytesPerPixel + 3) / 4 * 4) * height;
}

bool TBitmap::storeFits(std::int64_t width, std::int64_t height)
{
    if (width < 0 || height < 0 || width > (std::int64_t(1) << 31) ||
        height > (std::int64_t(1) << 31))
        return false;
    return storeBytes(width, height) <= kMaxStoreBytes;
}

void TBitmap::setWidth(int width)
{
    setSize(width, m_height);
}

void TBitmap::setHeight(int height)
{
    setSize(m_width, height);
}

void TBitmap::setSize(int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == m_width && height == m_height)
        return;
    if (width == 0 || height == 0) {
        m_image = QImage();
        m_charge.clear();
        m_width = width;
        m_height = height;
        return;
    }
    ChargedStore store = newStore(width, height);
    fillRows(store.image, m_canvas.Brush.Color);
    if (!m_image.isNull()) {
        const int rows = std::min(height, m_height);
        const std::size_t bytes = std::size_t(std::min(width, m_width)) * kBytesPerPixel;
        for (int y = 0; y < rows; ++y)
            std::memcpy(store.image.scanLine(y), m_image.constScanLine(y), bytes);
    }
    m_image = std::move(store.image);
    m_charge = std::move(store.charge);
    m_width = width;
    m_height = height;
}

void TBitmap::copyFrom(const TBitmap &source)
{
    if (&source == this)
        return;
    if (source.isEmpty() || (source.m_width == m_width && source.m_height == m_height)) {
        setSize(source.m_width, source.m_height);
        CopyRect(*this, 0, 0, m_width, m_height, source, 0, 0);
        return;
    }
    ChargedStore store = newStore(source.m_width, source.m_height);
    const std::size_t bytes = std::size_t(source.m_width) * kBytesPerPixel;
    for (int y = 0; y < source.m_height; ++y)
        std::memcpy(store.image.scanLine(y), source.m_image.constScanLine(y), bytes);
    m_image = std::move(store.image);
    m_charge = std::move(store.charge);
    m_width = source.m_width;
    m_height = source.m_height;
}

std::uint8_t *TBitmap::scanLine(int y)
{
    if (isEmpty() || y < 0 || y >= m_height)
        throw AppError(kScanLineOutOfRange);
    return m_image.scanLine(y);
}

const std::uint8_t *TBitmap::scanLine(int y) const
{
    if (isEmpty() || y < 0 || y >= m_height)
        throw AppError(kScanLineOutOfRange);
    return m_image.constScanLine(y);
}

QImage TBitmap::view() const
{
    if (isEmpty())
        return QImage();
    return QImage(
        m_image.constBits(), m_width, m_height, m_image.bytesPerLine(), QImage::Format_BGR888);
}

void TBitmap::takePixels(TBitmap &source) noexcept
{
    if (&source == this)
        return;
    m_image = std::move(source.m_image);
    m_charge = std::move(source.m_charge);
    m_width = source.m_width;
    m_height = source.m_height;
    source.free();
}

void TBitmap::free()
{
    m_image = QImage();
    m_charge.clear();
    m_width = 0;
    m_height = 0;
}

// --- CopyRect ------------------------------------------------------------------------------

void CopyRect(TBitmap &dest, int dx, int dy, int w, int h, const TBitmap &src, int sx, int sy)
{
    if (dest.isEmpty() || src.isEmpty() || w <= 0 || h <= 0)
        return;
    // Clip the block so that both its source and its destination pixels exist.
    const Span srcXs = clipSpan(sx, w, src.width());
    const Span srcYs = clipSpan(sy, h, src.height());
    const Span dstXs = clipSpan(dx, w, dest.width());
    const Span dstYs = clipSpan(dy, h, dest.height());
    const int i0 = std::max(srcXs.from - sx, dstXs.from - dx);
    const int i1 = std::min(srcXs.to - sx, dstXs.to - dx);
    const int j0 = std::max(srcYs.from - sy, dstYs.from - dy);
    const int j1 = std::min(srcYs.to - sy, dstYs.to - dy);
    if (i0 >= i1 || j0 >= j1)
        return;
    const std::size_t bytes = std::size_t(i1 - i0) * kBytesPerPixel;
    auto copyRow = [&](int j) {
        std::memmove(dest.m_image.scanLine(dy + j) + kBytesPerPixel * (dx + i0),
            src.m_image.constScanLine(sy + j) + kBytesPerPixel * (sx + i0), bytes);
    };
    // On one raster, a block moving down is copied bottom row first so that no source row is
    // overwritten before it is read; memmove handles the overlap within a row.
    if (&dest == &src && dy > sy) {
        for (int j = j1 - 1; j >= j0; --j)
            copyRow(j);
    } else {
        for (int j = j0; j < j1; ++j)
            copyRow(j);
    }
}
