// The trained network's verdict on every live region of a labelling, worked out in batches
// before the recognition pass walks the regions. The network sees only each region's own point
// list, so the verdicts do not depend on the labels that the pass draws as it goes.
// The verdicts belong to one region table and go stale when it is labelled again.
#pragma once

#include "base/MemoryBudget.h"
#include "recognition/Regions.h"

#include <optional>
#include <vector>

class DigitNetwork;

struct LearnedVerdict
{
    char digit = 0;          // '0' to '9', or 0 when the region is not taken for a digit
    float confidence = 0.0f; // the network's probability for its most probable digit
    bool judged = false;     // false: too small for a digit, the network did not look at it
};

class LearnedDigits
{
public:
    // minConfidence overrides the threshold chosen in training; the size rule always holds.
    explicit LearnedDigits(DigitNetwork &network, std::optional<float> minConfidence = {});

    // Judges every live region of the table, 256 at a time. The verdicts stay charged to the
    // run's budget while they are kept; the batches while they are judged.
    void judge(const RegionTable &regions);
    const LearnedVerdict &verdict(std::size_t region) const { return m_verdicts.at(region); }

    float minConfidence() const { return m_minConfidence; }

private:
    DigitNetwork &m_network;
    float m_minConfidence;
    std::vector<LearnedVerdict> m_verdicts; // by region number
    MemoryReservation m_charge;
};
