// The trained network as the learned method's recogniser. In the pass it only lets every
// region be traced (and marked); it reads no region alone and so writes no label. After the
// pass it reads the page's glyphs (ReadGlyphs.h): the digits, whether each is one region,
// several or part of one, with each region's own confidence.
//
// The built-in model is loaded when the pass is prepared; a failed load ends that pass before
// anything is drawn, with "The recognition model cannot be loaded: ...".
#pragma once

#include "recognition/Recogniser.h"

#include <optional>

class DigitNetwork;

class LearnedRecogniser : public Recogniser
{
public:
    // No network given: the built-in one. minConfidence overrides the model's threshold.
    explicit LearnedRecogniser(
        DigitNetwork *network = nullptr, std::optional<float> minConfidence = {});

    void prepare(const RegionTable &regions) override;
    void recognise(const item &region, const ChainCode &chainCode, RegionResult &result) override;
    bool recognisesConcurrently() const override { return true; }
    std::vector<Glyph> readGlyphs(
        const RegionTable &regions, std::vector<RegionResult> &results) override;

private:
    DigitNetwork *m_network;
    std::optional<float> m_minConfidence;
};
