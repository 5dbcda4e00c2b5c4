// What the pass found for small regions, kept by their shape: a region whose pixels fit in a
// box of kShapeSide x kShapeSide gets its outline's outcome (traced or not, chain code length,
// digit, signature, mismatch count, and the pixels its walk marks) looked up instead of walked,
// whenever the raster around it leaves the walk nothing to read but the region's own pattern.
// On a speckled page most traced regions are such, and most of their shapes recur.
//
// A table belongs to one walker (one thread) of one pass and to that pass's recogniser, which
// must be one whose result depends on the outline alone (Recogniser::readsOutlineOnly). It is
// filled as shapes are met; its memory is charged to the run's budget, and when the budget or
// its own cap says no, it simply stops learning new shapes.
#pragma once

#include "base/MemoryBudget.h"
#include "recognition/RegionResult.h"
#include "recognition/Regions.h"

#include <cstdint>
#include <optional>
#include <vector>

class RowTable;

// The largest box side whose shapes are kept.
inline constexpr int kShapeSide = 6;

// A small region's shape as the walk would see it, in a frame of 8 x 8 pixels whose pixel
// (1, 1) is the region box's top-left corner: bit 8 fy + fx for frame pixel (fx, fy). Bits 0
// and 1 (frame row 0 never holds a pixel of the region) say whether the pixels right of and
// right of and below the first pixel count as marked.
using ShapeKey = std::uint64_t;

// The key of a live region, read from the raster as it stands now, or nothing when the region
// is not small or when the walk could read more than its own pattern (see ShapeTable.cpp for
// the proof that a key fixes the walk).
std::optional<ShapeKey> SmallShapeKey(const RowTable &rows, const item &region, const Box &box);

// The frame bits of pixels of the raster, for a region whose box is `box`.
std::uint64_t FrameBit(const Box &box, Point pixel);

class ShapeTable
{
public:
    // What a walk and its recognition gave, as far as the region's position does not enter.
    struct Outcome
    {
        std::uint64_t marks = 0; // frame bits of the pixels the walk marked
        PackedSignature signature;
        std::uint32_t codes = 0;
        std::int16_t mismatches = -1;
        char digit = RegionResult::kNoDigit;
        bool traced = false;
        float confidence = -1;
    };

    // The most shapes one table holds.
    static constexpr std::size_t kMostShapes = std::size_t(1) << 16;

    // The outcome kept for key, or null.
    const Outcome *find(ShapeKey key) const;
    // Keeps the outcome of key (not yet kept), unless the table is full or the budget has no
    // room for it to grow.
    void keep(ShapeKey key, const Outcome &outcome);

    std::size_t size() const { return m_size; }
    // Every kept shape and its outcome, in no particular order.
    template<typename Visit> void forEach(const Visit &visit) const
    {
        for (const Slot &slot : m_slots) {
            if (slot.key != 0)
                visit(slot.key, slot.outcome);
        }
    }

    // What a walk gave, read back from result, and the marks it left (its contour).
    static Outcome OutcomeOf(const RegionResult &result, std::uint64_t marks);
    // Fills in the outcome's fields of a result already started for the region.
    static void Apply(const Outcome &outcome, RegionResult &result);
    // Marks the outcome's pixels in the raster, for a region whose box is `box`.
    static void Mark(RowTable &rows, const Box &box, std::uint64_t marks);

private:
    struct Slot
    {
        ShapeKey key = 0; // 0: empty (a key always holds pixels)
        Outcome outcome;
    };
    bool grow();
    std::size_t slotOf(ShapeKey key) const;

    std::vector<Slot> m_slots; // open addressing, a power of two, at most half full
    std::size_t m_size = 0;
    bool m_closed = false; // the budget said no once: learn nothing more
    MemoryReservation m_charge;
};
