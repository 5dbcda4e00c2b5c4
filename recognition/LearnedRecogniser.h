// The trained network as the pass's recogniser: before the loop it judges every live region
// from the region's own points (LearnedDigits), and for each traced region it gives the
// network's digit and confidence, or declines when the region is too small for a digit or
// the network is not confident enough. The outline plays no part in the answer.
//
// The built-in model is loaded at the first pass that uses it; a failed load ends that pass
// before anything is drawn, with "The recognition model cannot be loaded: ...".
#pragma once

#include "recognition/LearnedDigits.h"
#include "recognition/Recogniser.h"

#include <memory>
#include <optional>

class LearnedRecogniser : public Recogniser
{
public:
    // No network given: the built-in one. minConfidence overrides the model's threshold.
    explicit LearnedRecogniser(
        DigitNetwork *network = nullptr, std::optional<float> minConfidence = {});

    void prepare(const RegionTable &regions) override;
    void recognise(const item &region, const ChainCode &chainCode, RegionResult &result) override;

private:
    DigitNetwork *m_network;
    std::optional<float> m_minConfidence;
    std::unique_ptr<LearnedDigits> m_digits;
};
