#include "ReadPage.h"

#include "DigitNetwork.h"
#include "LearnedDigits.h"
#include "RecognizeAll.h"

namespace {

class Collector : public RecognitionProgress
{
public:
    std::vector<PageRegion> regions;
    void setMaximum(int) override { }
    void step() override { }
    void resetPosition() override { }
    void repaint() override { }
    void regionDone(const RegionResult &result) override
    {
        regions.push_back({result.start, result.count, result.traced ? result.digit : char(0)});
    }
};

} // namespace

std::vector<PageRegion> ReadPage(PictureStore &store, Method method)
{
    Collector collector;
    RecognitionState state;
    RecognizeAll(store, state, collector);
    if (method == Method::Turns)
        return collector.regions;
    // Stand-in until the pass takes the recogniser as a choice: the network's verdicts on the
    // same regions, those without an outline left without a digit.
    LearnedDigits learned(DigitNetwork::builtIn());
    learned.judge(state.regions);
    std::vector<PageRegion> regions;
    std::size_t next = 0;
    for (std::size_t r = 1; r < state.regions.size(); ++r) {
        if (state.regions[r].count == 0)
            continue;
        PageRegion page = collector.regions[next++];
        if (page.digit)
            page.digit = learned.verdict(r).digit;
        regions.push_back(page);
    }
    return regions;
}
