// The recognition step of the pass, as a choice the pass receives: for each region whose
// outline was traced, a recogniser names the digit it sees, or declines. The default is
// turn-signature matching against the reference table. A recogniser keeps nothing that the
// pass relies on between calls; what it needs of a region comes in through the call.
#pragma once

#include "ChainCode.h"
#include "PackedSignature.h"
#include "Regions.h"

#include <cstddef>
#include <cstdint>

// An axis-aligned box in work-raster coordinates: its top-left pixel and its size.
struct Box
{
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t right() const { return x + width; }   // exclusive
    std::int32_t bottom() const { return y + height; } // exclusive
    friend bool operator==(const Box &, const Box &) = default;
};

// What the pass found for one live region, for callers that report it. A pass keeps one for
// every region (hundreds of thousands on a page of noise), so the signature lives inside it.
struct RegionResult
{
    static constexpr char kNoDigit = 0;

    int region = 0; // region number in the table
    Point start;    // its first listed pixel (x0, y0)
    std::int32_t count = 0;
    Box box;                   // the smallest box holding all of the region's pixels
    bool traced = false;       // false: no outline, and so no digit
    char digit = kNoDigit;     // kNoDigit: no label is drawn and progress does not step
    PackedSignature signature; // the turn signature, when the recogniser builds one
    std::size_t codes = 0;     // chain code length, when traced
    int mismatches = -1;       // turn matching: the winning reference's mismatch count (0 to 100)
    float confidence = -1;     // the trained network: its probability for its digit (0 to 1), also
                               // when it declines; -1 when it did not look (a speck)

    bool hasDigit() const { return digit != kNoDigit; }
};

class Recogniser
{
public:
    virtual ~Recogniser() = default;

    // Called once a pass, after labelling and before the first region is recognised.
    virtual void prepare(const RegionTable &) { }

    // Recognises a traced region: region is its table entry (count and points), chainCode its
    // outline's codes. Fills in result.digit, or leaves kNoDigit to decline; may fill in the
    // signature and mismatch count.
    virtual void recognise(
        const item &region, const ChainCode &chainCode, RegionResult &result) = 0;

    // True when recognise may run on several threads at once, for different regions (and so
    // without the recognition state's contour and chain code). The digits it gives must be
    // '0' to '9', the labels the pass knows the extent of.
    virtual bool recognisesConcurrently() const { return false; }
};

// The turn signature of the outline, matched under every rotation against the references.
class TurnSignatureRecogniser : public Recogniser
{
public:
    void recognise(const item &region, const ChainCode &chainCode, RegionResult &result) override;
    bool recognisesConcurrently() const override { return true; }
};
