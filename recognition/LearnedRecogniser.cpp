#include "recognition/LearnedRecogniser.h"

#include "recognition/DigitNetwork.h"

LearnedRecogniser::LearnedRecogniser(DigitNetwork *network, std::optional<float> minConfidence)
    : m_network(network)
    , m_minConfidence(minConfidence)
{ }

void LearnedRecogniser::prepare(const RegionTable &regions)
{
    if (!m_digits)
        m_digits = std::make_unique<LearnedDigits>(
            m_network ? *m_network : DigitNetwork::builtIn(), m_minConfidence);
    m_digits->judge(regions);
}

void LearnedRecogniser::recognise(const item &, const ChainCode &, RegionResult &result)
{
    if (!m_digits)
        return; // no prepare() for this pass: nothing judged, so no digit
    const LearnedVerdict &verdict = m_digits->verdict(std::size_t(result.region));
    result.digit = verdict.digit ? verdict.digit : RegionResult::kNoDigit;
    result.confidence = verdict.judged ? verdict.confidence : -1.0f;
}
