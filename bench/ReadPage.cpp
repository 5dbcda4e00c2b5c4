#include "ReadPage.h"

#include "DigitImage.h"
#include "DigitNetwork.h"
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
    // Stand-in until the pass takes the recogniser as a choice: the network over the same
    // regions, those without an outline left without a digit.
    DigitNetwork &network = DigitNetwork::builtIn();
    std::vector<PageRegion> regions;
    std::size_t next = 0;
    for (std::size_t r = 1; r < state.regions.size(); ++r) {
        const item &region = state.regions[r];
        if (region.count == 0)
            continue;
        PageRegion page = collector.regions[next++];
        if (page.digit) {
            const DigitBox box = BoundingBox(region.points);
            page.digit = 0;
            if (std::max(box.width(), box.height()) >= network.minSide()) {
                DigitImage image;
                NormaliseDigit(region.points, image);
                DigitGuess guess;
                network.classify({&image, 1}, {&guess, 1});
                if (guess.confidence >= network.minConfidence())
                    page.digit = guess.digit;
            }
        }
        regions.push_back(page);
    }
    return regions;
}
