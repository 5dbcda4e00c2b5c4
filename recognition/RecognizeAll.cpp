#include "recognition/RecognizeAll.h"

#include "picture/RowTable.h"
#include "picture/TBitmap.h"
#include "recognition/Contour.h"
#include "recognition/LabelRegions.h"
#include "recognition/ShapeTable.h"
#include "recognition/TraceAhead.h"

#include <QString>

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <optional>
#include <span>
#include <thread>

namespace {

RegionResult startResult(const RegionTable &regions, int r)
{
    RegionResult result;
    result.region = r;
    result.start = regions[std::size_t(r)].points[0];
    result.count = regions[std::size_t(r)].count;
    result.box = BoundingBox(regions[std::size_t(r)].points);
    return result;
}

// One walker of the pass: its outline arrays and their charge, and the outcomes of the small
// shapes it has met. The arrays are sized by the walk itself, so their growth is charged once
// it is known, and the longest outline so far stays charged while its capacity is kept. Each
// thread has a walker of its own.
struct Walker
{
    Contour &contour;
    ChainCode &chainCode;
    MemoryReservation &outlineCharge;
    ShapeTable *shapes; // null: every region is walked

    // Traces, codes and recognises one region into result (already started). A small region
    // whose shape was met before takes that shape's outcome and marks instead.
    void walk(RowTable &rows, const item &region, Recogniser &recogniser, RegionResult &result)
    {
        std::optional<ShapeKey> key;
        if (shapes) {
            key = SmallShapeKey(rows, region, result.box);
            if (key) {
                if (const ShapeTable::Outcome *known = shapes->find(*key)) {
                    ShapeTable::Mark(rows, result.box, known->marks);
                    ShapeTable::Apply(*known, result);
                    return;
                }
            }
        }
        if (TraceContour(rows, region, contour)) {
            BuildChainCode(contour, chainCode);
            outlineCharge.resize(std::max(outlineCharge.bytes(),
                std::int64_t(contour.capacity() * sizeof(Point) + chainCode.capacity())));
            result.traced = true;
            result.codes = chainCode.size();
            recogniser.recognise(region, chainCode, result);
        }
        if (!key)
            return;
        // The walk stood only on the region's own pixels (ShapeTable.cpp), all in the frame.
        std::uint64_t marks = 0;
        for (const Point p : contour)
            marks |= FrameBit(result.box, p);
        shapes->keep(*key, ShapeTable::OutcomeOf(result, marks));
    }
};

// Every pixel the label of a region may write, relative to the region's first pixel.
Box labelReach()
{
    QRect reach;
    for (char digit = '0'; digit <= '9'; ++digit)
        reach = reach.united(TCanvas::textReach(QString(QChar::fromLatin1(digit))));
    return {reach.x(), reach.y() - kLabelRise, reach.width(), reach.height()};
}

// Runs work(i, t) for i in 0 to count - 1 on `threads` threads numbered t, the calling one 0, in
// chunks taken in ascending order. The first exception thrown stops the taking of chunks and
// is rethrown here once every thread has finished.
template<typename Work> void forEachOnThreads(std::size_t count, int threads, const Work &work)
{
    constexpr std::size_t kChunk = 64;
    std::atomic<std::size_t> next {0};
    std::exception_ptr failure;
    std::mutex failureLock;
    auto run = [&](int t) {
        try {
            for (;;) {
                const std::size_t from = next.fetch_add(kChunk);
                if (from >= count)
                    return;
                for (std::size_t i = from; i < std::min(count, from + kChunk); ++i)
                    work(i, t);
            }
        } catch (...) {
            next = count;
            const std::lock_guard lock(failureLock);
            if (!failure)
                failure = std::current_exception();
        }
    };
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t)
        helpers.emplace_back(run, t);
    run(0);
    for (std::thread &helper : helpers)
        helper.join();
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace

void WriteLabel(TCanvas &canvas, Point start, char digit)
{
    canvas.Font.Color = clRed;
    canvas.textOut(start.x, start.y - kLabelRise, QString(QChar::fromLatin1(digit)));
}

int DefaultThreadCount()
{
    return int(std::max(1u, std::thread::hardware_concurrency()));
}

std::vector<RegionResult> RecognizeAll(TBitmap &workRaster, RowTable &rows, RecognitionState &state,
    ProgressSink &progress, Recogniser &recogniser, int threads)
{
    LabelRegions(rows, state.regions, state.regionsCharge);
    recogniser.prepare(state.regions);

    std::vector<int> live;
    for (std::size_t r = 1; r < state.regions.size(); ++r) {
        if (state.regions[r].count != 0)
            live.push_back(int(r));
    }
    // Only the maximum: the position is where the last complete pass left it (0).
    progress.setMaximum(int(live.size()));

    TCanvas &canvas = workRaster.canvas();
    canvas.Font.Color = clRed;

    // The results are charged while the pass builds them, with the pass's own per-region
    // tables. A caller that keeps the results charges them itself.
    const MemoryReservation resultsCharge(std::int64_t(live.size()) * kPassBytesPerRegion);
    std::vector<RegionResult> results;
    results.reserve(live.size());
    for (const int r : live)
        results.push_back(startResult(state.regions, r));

    // Regions of one small shape share one outcome, for a recogniser that reads outlines only.
    const bool byShape = recogniser.readsOutlineOnly();

    // Walks taken ahead, on all threads, where nothing earlier in the loop can change them.
    std::vector<std::uint8_t> done(live.size(), 0);
    if (threads > 1 && recogniser.recognisesConcurrently() && live.size() > 1) {
        const MemoryReservation mapCharge(
            TraceAheadMap::bytesFor(rows.width(), rows.height(), live.size()));
        const TraceAheadMap map(rows, state.regions, labelReach());
        struct Scratch
        {
            Contour contour;
            ChainCode chainCode;
            MemoryReservation outlineCharge;
            ShapeTable shapes;
        };
        std::vector<Scratch> scratch(static_cast<std::size_t>(threads));
        std::vector<Walker> walkers;
        walkers.reserve(scratch.size());
        for (Scratch &own : scratch)
            walkers.push_back(Walker {
                own.contour, own.chainCode, own.outlineCharge, byShape ? &own.shapes : nullptr});
        forEachOnThreads(live.size(), threads, [&](std::size_t i, int t) {
            if (!map.canTraceAhead(live[i]))
                return;
            walkers[std::size_t(t)].walk(
                rows, state.regions[std::size_t(live[i])], recogniser, results[i]);
            done[i] = 1;
        });
    }

    // Labels go into the work raster as the loop goes, so a region visited later is traced on
    // the pixels as the earlier labels left them; the table itself stays as labelled.
    ShapeTable shapes;
    Walker walker {
        state.contour, state.chainCode, state.outlineCharge, byShape ? &shapes : nullptr};
    for (std::size_t i = 0; i < live.size(); ++i) {
        RegionResult &result = results[i];
        if (!done[i])
            walker.walk(rows, state.regions[std::size_t(live[i])], recogniser, result);
        if (!result.hasDigit())
            continue;
        WriteLabel(canvas, result.start, result.digit);
        progress.step();
    }

    progress.reset();
    return results;
}
