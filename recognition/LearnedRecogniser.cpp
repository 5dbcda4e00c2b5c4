#include "recognition/LearnedRecogniser.h"

#include "recognition/DigitNetwork.h"
#include "recognition/ReadGlyphs.h"

LearnedRecogniser::LearnedRecogniser(DigitNetwork *network, std::optional<float> minConfidence)
    : m_network(network)
    , m_minConfidence(minConfidence)
{ }

void LearnedRecogniser::prepare(const RegionTable &)
{
    if (!m_network)
        m_network = &DigitNetwork::builtIn();
}

void LearnedRecogniser::recognise(const item &, const ChainCode &, RegionResult &) { }

std::vector<Glyph> LearnedRecogniser::readGlyphs(
    const RegionTable &regions, std::vector<RegionResult> &results)
{
    if (!m_network)
        return {}; // no pass was prepared: nothing to read
    return ReadGlyphs(
        regions, results, *m_network, m_minConfidence.value_or(m_network->minConfidence()));
}
