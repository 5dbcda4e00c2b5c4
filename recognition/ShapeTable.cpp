#include "recognition/ShapeTable.h"

#include "base/AppError.h"
#include "picture/RowTable.h"
#include "recognition/Contour.h"

#include <bit>
#include <new>

// Why a key fixes everything the table keeps.
//
// The walk of a region R (TraceContour) from its first pixel S reads only
//   (a) the red bytes of the eight neighbours of S and of every pixel it stands on, to choose
//       its moves, and
//   (b) the red byte below S and the green bytes right of S and right of and below S, to
//       decide whether to stop back at S,
// and writes only the green bytes of the pixels it stands on. A pixel outside the raster is
// read as neither dark, walkable nor marked.
//
// Let P be R's pixels and N the pixels outside P that touch one of them (eight neighbours).
// SmallShapeKey gives a key only when every pixel of P is dark now (red below 128) and every
// pixel of N inside the raster is not walkable now (red above 128), so that dark and walkable
// mean the same on P and on N, and hold on P and not on N. Then every pixel the walk stands on
// lies in P: S does, and from a pixel of P the walk moves only to a walkable neighbour, which
// lies in P or N, and so in P. Every byte of (a) and (b) therefore belongs to a pixel of P or
// N. Their red bytes say what P says. The two green bytes of (b) are bits 0 and 1 of the key,
// read just before the walk; no other walk writes them (they are in P, walked by R alone, or in
// N, which nobody stands on), so during the walk they change only by its own marks, which
// follow from its moves. Each move depends only on these tests, made at positions relative to
// S, so the moves, the marks and the stop are the same for every region with the same key,
// wherever it lies: S is the leftmost pixel of the top row of P (labelling lists it first, and
// SmallShapeKey checks it), which the frame bits fix.
//
// The chain code is made from the differences of consecutive contour points, so it follows
// from the moves; the signature reads the chain code and the pixel count, which is the number
// of frame bits; the recogniser, one that reads the outline only, reads those two. So the
// outcome (traced, chain code length, digit, signature, mismatches, confidence, marks) is a
// function of the key, and the first region to meet a key may stand for all. What does depend
// on where the region lies (its number, start, count and box) is filled in for every region
// from the region table, as before.
//
// The test of P and N reads the raster as it stands when the region's turn comes, after the
// labels of earlier regions, so a label that overwrites or touches a region takes it off the
// table's path; in the walks taken ahead of the loop (TraceAhead.h) the raster around the
// region is already what it will be in its turn.

namespace {

constexpr int kFrame = 8;
constexpr std::uint64_t kRowOne = std::uint64_t(0xFF) << kFrame;
constexpr std::uint64_t kMarkedRight = 1;
constexpr std::uint64_t kMarkedRightBelow = 2;

Point framePixel(const Box &box, int bit)
{
    return {box.x - 1 + bit % kFrame, box.y - 1 + bit / kFrame};
}

bool inside(const RowTable &rows, Point p)
{
    return p.x >= 0 && p.y >= 0 && p.x < rows.width() && p.y < rows.height();
}

std::uint8_t byteAt(const RowTable &rows, Point p, int channel)
{
    return rows[p.y][kBytesPerPixel * std::size_t(p.x) + std::size_t(channel)];
}

bool marked(const RowTable &rows, Point p)
{
    return inside(rows, p) && byteAt(rows, p, kGreenByte) > kMarkedGreenAbove;
}

} // namespace

std::uint64_t FrameBit(const Box &box, Point pixel)
{
    return std::uint64_t(1) << ((pixel.y - box.y + 1) * kFrame + (pixel.x - box.x + 1));
}

std::optional<ShapeKey> SmallShapeKey(const RowTable &rows, const item &region, const Box &box)
{
    if (region.count < 2 || region.points.size() != std::size_t(region.count) ||
        box.width > kShapeSide || box.height > kShapeSide || rows.isEmpty())
        return std::nullopt;
    std::uint64_t own = 0;
    for (const Point p : region.points)
        own |= FrameBit(box, p);
    const Point start = region.points[0];
    const std::uint64_t topRow = own & kRowOne;
    if (start.y != box.y || FrameBit(box, start) != (topRow & (~topRow + 1)))
        return std::nullopt;

    // The region lies in frame columns and rows 1 to 6, so its neighbours stay in the frame
    // and no shift carries a bit into another row.
    std::uint64_t around = own | (own << 1) | (own >> 1);
    around |= (around << kFrame) | (around >> kFrame);
    around &= ~own;
    for (std::uint64_t bits = own; bits != 0; bits &= bits - 1) {
        const Point p = framePixel(box, std::countr_zero(bits));
        if (!inside(rows, p) || !isDarkRed(byteAt(rows, p, kRedByte)))
            return std::nullopt;
    }
    for (std::uint64_t bits = around; bits != 0; bits &= bits - 1) {
        const Point p = framePixel(box, std::countr_zero(bits));
        if (inside(rows, p) && byteAt(rows, p, kRedByte) <= kDarkRedLimit)
            return std::nullopt;
    }
    ShapeKey key = own;
    if (marked(rows, {start.x + 1, start.y}))
        key |= kMarkedRight;
    if (marked(rows, {start.x + 1, start.y + 1}))
        key |= kMarkedRightBelow;
    return key;
}

std::size_t ShapeTable::slotOf(ShapeKey key) const
{
    // Fibonacci hashing: the top bits of the product, as many as the table has slots.
    const int shift = 64 - std::countr_zero(m_slots.size());
    return std::size_t((key * 0x9E3779B97F4A7C15u) >> shift);
}

const ShapeTable::Outcome *ShapeTable::find(ShapeKey key) const
{
    if (m_slots.empty())
        return nullptr;
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t s = slotOf(key);; s = (s + 1) & mask) {
        if (m_slots[s].key == key)
            return &m_slots[s].outcome;
        if (m_slots[s].key == 0)
            return nullptr;
    }
}

bool ShapeTable::grow()
{
    const std::size_t slots = m_slots.empty() ? 1024 : 2 * m_slots.size();
    try {
        // The old slots and the new ones are both held while the shapes move across.
        m_charge.resize(std::int64_t((m_slots.size() + slots) * sizeof(Slot)));
        std::vector<Slot> old(slots);
        old.swap(m_slots);
        const std::size_t mask = slots - 1;
        for (const Slot &slot : old) {
            if (slot.key == 0)
                continue;
            std::size_t s = slotOf(slot.key);
            while (m_slots[s].key != 0)
                s = (s + 1) & mask;
            m_slots[s] = slot;
        }
        std::vector<Slot>().swap(old);
        m_charge.resize(std::int64_t(slots * sizeof(Slot)));
    } catch (const AppError &) {
        m_closed = true;
    } catch (const std::bad_alloc &) {
        m_closed = true;
    }
    return !m_closed;
}

void ShapeTable::keep(ShapeKey key, const Outcome &outcome)
{
    if (m_closed || key == 0 || m_size >= kMostShapes)
        return;
    // At most half full, so that a search for a shape not kept ends soon.
    if (2 * (m_size + 1) > m_slots.size() && !grow())
        return;
    const std::size_t mask = m_slots.size() - 1;
    std::size_t s = slotOf(key);
    while (m_slots[s].key != 0) {
        if (m_slots[s].key == key)
            return;
        s = (s + 1) & mask;
    }
    m_slots[s] = {key, outcome};
    ++m_size;
}

ShapeTable::Outcome ShapeTable::OutcomeOf(const RegionResult &result, std::uint64_t marks)
{
    Outcome outcome;
    outcome.marks = marks;
    outcome.signature = result.signature;
    outcome.codes = std::uint32_t(result.codes);
    outcome.mismatches = std::int16_t(result.mismatches);
    outcome.digit = result.digit;
    outcome.traced = result.traced;
    outcome.confidence = result.confidence;
    return outcome;
}

void ShapeTable::Apply(const Outcome &outcome, RegionResult &result)
{
    result.traced = outcome.traced;
    result.codes = outcome.codes;
    result.digit = outcome.digit;
    result.signature = outcome.signature;
    result.mismatches = outcome.mismatches;
    result.confidence = outcome.confidence;
}

void ShapeTable::Mark(RowTable &rows, const Box &box, std::uint64_t marks)
{
    for (; marks != 0; marks &= marks - 1) {
        const Point p = framePixel(box, std::countr_zero(marks));
        rows[p.y][kBytesPerPixel * std::size_t(p.x) + kGreenByte] = 255;
    }
}
