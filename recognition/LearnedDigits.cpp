#include "recognition/LearnedDigits.h"

#include "recognition/DigitImage.h"
#include "recognition/DigitNetwork.h"

#include <algorithm>

namespace {

constexpr std::size_t kBatch = 256;

} // namespace

LearnedDigits::LearnedDigits(DigitNetwork &network, std::optional<float> minConfidence)
    : m_network(network)
    , m_minConfidence(minConfidence.value_or(network.minConfidence()))
{ }

void LearnedDigits::judge(const RegionTable &regions)
{
    // The verdicts, and one batch: its pictures, what the network holds for each and the
    // guesses.
    const std::int64_t verdictBytes = std::int64_t(regions.size() * sizeof(LearnedVerdict));
    const std::int64_t batchBytes = std::int64_t(std::min(kBatch, regions.size())) *
        (std::int64_t(sizeof(DigitImage) + sizeof(DigitGuess) + sizeof(std::size_t)) +
            kNetworkBytesPerPicture);
    m_charge.resize(verdictBytes + batchBytes);
    m_verdicts.assign(regions.size(), LearnedVerdict {});
    std::vector<std::size_t> batch;
    std::vector<DigitImage> images;
    std::vector<DigitGuess> guesses;
    batch.reserve(kBatch);
    auto flush = [&] {
        images.resize(batch.size());
        guesses.resize(batch.size());
        for (std::size_t i = 0; i < batch.size(); ++i)
            NormaliseDigit(regions[batch[i]].points, images[i]);
        m_network.classify(images, guesses);
        for (std::size_t i = 0; i < batch.size(); ++i) {
            LearnedVerdict &verdict = m_verdicts[batch[i]];
            verdict.judged = true;
            verdict.confidence = guesses[i].confidence;
            verdict.digit = guesses[i].confidence >= m_minConfidence ? guesses[i].digit : 0;
        }
        batch.clear();
    };
    for (std::size_t r = 1; r < regions.size(); ++r) {
        const item &region = regions[r];
        if (region.count == 0)
            continue;
        const Box box = BoundingBox(region.points);
        if (std::max(box.width, box.height) < m_network.minSide())
            continue; // a speck: no digit, and no need to ask the network
        batch.push_back(r);
        if (batch.size() == kBatch)
            flush();
    }
    if (!batch.empty())
        flush();
    m_charge.resize(verdictBytes);
}
