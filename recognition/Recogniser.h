// The recognition step of the pass, as a choice the pass receives: for each region whose
// outline was traced, a recogniser names the digit it sees, or declines. The default is
// turn-signature matching against the reference table. A recogniser keeps nothing that the
// pass relies on between calls; what it needs of a region comes in through the call.
#pragma once

#include "recognition/ChainCode.h"
#include "recognition/Glyph.h"
#include "recognition/RegionResult.h"
#include "recognition/Regions.h"

#include <vector>

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

    // True when what recognise fills in depends on nothing but the chain code and the region's
    // pixel count, so that regions of one shape get one result (see ShapeTable.h).
    virtual bool readsOutlineOnly() const { return false; }

    // After the pass, for a recogniser that reads digits across regions: the page's glyphs,
    // with each result's digit and confidence as it sees them. One that reads each region alone
    // (the default) has none, and its digits are the results'.
    virtual std::vector<Glyph> readGlyphs(const RegionTable &, std::vector<RegionResult> &)
    {
        return {};
    }
};

// The turn signature of the outline, matched under every rotation against the references.
class TurnSignatureRecogniser : public Recogniser
{
public:
    void recognise(const item &region, const ChainCode &chainCode, RegionResult &result) override;
    bool recognisesConcurrently() const override { return true; }
    bool readsOutlineOnly() const override { return true; }
};
