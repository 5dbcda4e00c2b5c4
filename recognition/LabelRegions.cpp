#include "recognition/LabelRegions.h"

#include "base/MemoryBudget.h"
#include "picture/RowTable.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <span>
#include <utility>

// Here's the plan.
//
// One scan, top row first, left to right. Each maximal horizontal run of dark pixels is joined
// to the regions of the row above that it touches (columns start - 1 to end, which gives
// eight-neighbour contact). Two label rows hold the region numbers of the previous and the
// current raster row; there is no label image.
//
// A run's pixels go straight into the points of the region that receives it. Absorbing a
// region does not copy its pixels: a log notes "region t goes into the receiver here, reversed"
// at the receiver's current length. Copying would make labelling quadratic when a large region is
// absorbed again and again (a staircase of strips, each one starting in the top row, hands the
// growing blob on at every step). The notes are expanded once, at the end, into exactly the order
// that copying pixel by pixel would give:
//
//   creating run           left to right
//   later run              right to left
//   absorbed region        after the run that absorbed it, its whole list reversed
//
// Light stretches are skipped eight pixels at a time: 24 bytes read as three words, whose red
// bytes all have their top bit set exactly when all eight pixels are light (red 128 or more).
// Each label row is cleared only where the runs of two rows ago wrote it.
//
// Merge links are followed to the live region through a side table with path halving, so the
// table's own mergeLink keeps naming the region that absorbed an entry at that moment.
//
// Memory is charged to the run's budget as the tables grow, from an upper bound on what each
// run, region and merge can cost (vectors may double); once laid out, the charge is set to what
// the region table really holds.

// Upper bounds on the bytes behind one region, one point and one merge while labelling: the
// entry and its side-table slots at twice their size (a growing vector may double) with a heap
// block's header, should its points leave the entry; a point at twice its size; a log entry at
// twice its size and once more sorted.
constexpr std::int64_t kRegionBytes =
    2 * std::int64_t(sizeof(item) + 2 * sizeof(std::int32_t)) + 16;
constexpr std::int64_t kPointBytes = 2 * std::int64_t(sizeof(Point));
constexpr std::int64_t kMergeBytes = 3 * 12;

namespace {

// Greater than every row of any raster, so that the first region touched always beats it.
constexpr std::int32_t kAfterLastRow = std::numeric_limits<std::int32_t>::max();

// The top bits of the red bytes (offsets 2, 5, 8, ... 23) of eight BGR pixels read as three
// little-endian 64-bit words.
constexpr std::uint64_t kRedTops[3] = {
    0x0000800000800000u, // bytes 2 and 5
    0x0080000080000080u, // bytes 8, 11 and 14
    0x8000008000008000u, // bytes 17, 20 and 23
};

// The word test reads bytes in little-endian order, and BGR pixels three bytes apart.
constexpr bool kWideSteps = std::endian::native == std::endian::little && kRedByte == 2;

// Whether the eight pixels from `pixels` on are all light.
inline bool eightLight(const std::uint8_t *pixels)
{
    std::uint64_t words[3];
    std::memcpy(words, pixels, sizeof words);
    return ((~words[0] & kRedTops[0]) | (~words[1] & kRedTops[1]) | (~words[2] & kRedTops[2])) == 0;
}

// Region `absorbed`'s list goes in at index `at` of the receiver's own points.
struct Insertion
{
    std::uint32_t at;
    std::int32_t absorbed;
};

struct LoggedInsertion
{
    std::int32_t receiver;
    Insertion insertion;
};

class Labeller
{
public:
    Labeller(const RowTable &rows, RegionTable &regions, MemoryReservation &charge)
        : m_rows(rows)
        , m_regions(regions)
        , m_charge(charge)
    { }

    void run();

private:
    void finishRun(int y, int start, int end);
    std::int32_t liveRegion(std::int32_t number);
    void layOut();
    void sortInsertions();
    std::span<const Insertion> insertions(std::int32_t region) const
    {
        const std::uint32_t first = m_firstInsertion[std::size_t(region)];
        return std::span(m_insertions)
            .subspan(first, m_firstInsertion[std::size_t(region) + 1] - first);
    }
    void expand(std::int32_t region, PointList &out);
    // Makes sure that `bytes` are charged in all; throws when the budget has no room.
    void needs(std::int64_t bytes)
    {
        m_charge.cover(bytes, std::max<std::int64_t>(1 << 20, bytes / 8));
    }
    void chargeTable();

    const RowTable &m_rows;
    RegionTable &m_regions;
    MemoryReservation &m_charge;
    std::int64_t m_needed = 0; // bytes the tables may hold now, at most

    ZonaRosta m_previous; // labels of the row above: entry c + 1 is column c
    ZonaRosta m_current;
    struct Run
    {
        int start;
        int end;
    };
    std::vector<Run> m_previousRuns; // the runs written into m_previous
    std::vector<Run> m_currentRuns;
    ZonaRosta m_touched; // live regions touching the run being finished, in the order found

    std::vector<LoggedInsertion> m_log; // every merge, in the order made
    // Once labelling is over: the log sorted by receiver, in the order made for each, and where
    // each receiver's part starts (one more entry than regions, for the end of the last).
    std::vector<Insertion> m_insertions;
    std::vector<std::uint32_t> m_firstInsertion;
    std::vector<std::int32_t> m_alias;  // per region: itself while live, else towards its absorber
    std::vector<std::uint32_t> m_stamp; // per region: the run that last put it in m_touched
    std::uint32_t m_runStamp = 0;
};

void Labeller::run()
{
    RegionTable().swap(m_regions);
    m_charge.clear();
    m_regions.resize(1);
    m_alias.assign(1, 0);
    m_stamp.assign(1, 0);

    const int width = m_rows.width();
    const int height = m_rows.height();
    if (width == 0 || height == 0)
        return;
    // Two label rows and two run lists, a run per two columns at most.
    m_needed = (std::int64_t(width) + 2) * std::int64_t(2 * sizeof(std::int32_t) + sizeof(Run));
    needs(m_needed);
    m_previous.assign(std::size_t(width) + 2, 0);
    m_current.assign(std::size_t(width) + 2, 0);

    for (int y = 0; y < height; ++y) {
        const std::uint8_t *row = m_rows[y];
        int x = 0;
        while (x < width) {
            if constexpr (kWideSteps) {
                while (x + 8 <= width && eightLight(row + kBytesPerPixel * std::size_t(x)))
                    x += 8;
            }
            while (x < width && !isDarkRed(row[kBytesPerPixel * x + kRedByte]))
                ++x;
            if (x == width)
                break;
            const int start = x;
            while (x < width && isDarkRed(row[kBytesPerPixel * x + kRedByte]))
                ++x;
            finishRun(y, start, x);
        }
        std::swap(m_previous, m_current);
        std::swap(m_previousRuns, m_currentRuns);
        for (const Run run : m_currentRuns)
            std::fill(m_current.begin() + run.start + 1, m_current.begin() + run.end + 1, 0);
        m_currentRuns.clear();
    }
    layOut();
    chargeTable();
}

// What the region table holds once labelling is over: its entries and their point lists.
void Labeller::chargeTable()
{
    std::int64_t bytes = std::int64_t(m_regions.capacity() * sizeof(item));
    for (const item &region : m_regions) {
        if (region.points.capacity() > PointList::kInPlace)
            bytes += std::max<std::int64_t>(32, region.points.capacity() * sizeof(Point) + 16);
    }
    m_charge.resize(bytes);
}

std::int32_t Labeller::liveRegion(std::int32_t number)
{
    while (m_alias[std::size_t(number)] != number) {
        const std::int32_t next = m_alias[std::size_t(number)];
        m_alias[std::size_t(number)] = m_alias[std::size_t(next)];
        number = next;
    }
    return number;
}

void Labeller::finishRun(int y, int start, int end)
{
    // Collect the touching regions: previous-row entries start to end + 1 are columns
    // start - 1 to end. A stretch of non-zero entries is one run above, read at its first entry.
    ++m_runStamp;
    m_touched.clear();
    std::int32_t representative = 0;
    std::int32_t smallestFirstRow = kAfterLastRow;
    bool inStretch = false;
    for (int entry = start; entry <= end + 1; ++entry) {
        const std::int32_t label = m_previous[std::size_t(entry)];
        if (label == 0) {
            inStretch = false;
            continue;
        }
        if (inStretch)
            continue;
        inStretch = true;
        const std::int32_t region = liveRegion(label);
        if (m_stamp[std::size_t(region)] == m_runStamp)
            continue;
        m_stamp[std::size_t(region)] = m_runStamp;
        m_touched.push_back(region);
        if (m_regions[std::size_t(region)].firstRow < smallestFirstRow) {
            smallestFirstRow = m_regions[std::size_t(region)].firstRow;
            representative = region;
        }
    }

    m_needed += kPointBytes * (end - start) + kMergeBytes * std::int64_t(m_touched.size()) +
        (m_touched.empty() ? kRegionBytes : 0);
    needs(m_needed);

    std::int32_t receiver;
    if (m_touched.empty()) {
        receiver = std::int32_t(m_regions.size());
        item &created = m_regions.emplace_back();
        created.count = end - start;
        created.firstRow = y;
        Point *points = created.points.extend(std::size_t(end - start));
        for (int x = start; x < end; ++x)
            *points++ = {x, y};
        m_alias.push_back(receiver);
        m_stamp.push_back(0);
    } else {
        receiver = representative;
        item &r = m_regions[std::size_t(receiver)];
        r.count += end - start;
        Point *points = r.points.extend(std::size_t(end - start));
        for (int x = end - 1; x >= start; --x)
            *points++ = {x, y};
        for (const std::int32_t t : m_touched) {
            if (t == receiver)
                continue;
            item &absorbed = m_regions[std::size_t(t)];
            r.count += absorbed.count;
            m_log.push_back({receiver, {std::uint32_t(r.points.size()), t}});
            absorbed.count = 0;
            absorbed.mergeLink = receiver;
            m_alias[std::size_t(t)] = receiver;
        }
    }
    std::fill(m_current.begin() + start + 1, m_current.begin() + end + 1, receiver);
    m_currentRuns.push_back({start, end});
}

void Labeller::layOut()
{
    // The run's side tables are done with; their room goes to the sorted log.
    ZonaRosta().swap(m_alias);
    std::vector<std::uint32_t>().swap(m_stamp);
    sortInsertions();
    for (std::size_t r = 1; r < m_regions.size(); ++r) {
        if (m_regions[r].count == 0 || insertions(std::int32_t(r)).empty())
            continue;
        needs(m_needed + std::int64_t(sizeof(Point)) * m_regions[r].count + 16);
        PointList out;
        out.reserve(std::size_t(m_regions[r].count));
        expand(std::int32_t(r), out);
        m_regions[r].points.swap(out);
    }
    // The absorbed lists now stand in their live regions.
    for (std::size_t r = 1; r < m_regions.size(); ++r) {
        if (m_regions[r].count == 0)
            m_regions[r].points.release();
    }
    std::vector<Insertion>().swap(m_insertions);
    std::vector<std::uint32_t>().swap(m_firstInsertion);
}

// A counting sort of the log by receiver that keeps each receiver's insertions in the order made.
void Labeller::sortInsertions()
{
    m_firstInsertion.assign(m_regions.size() + 1, 0);
    for (const LoggedInsertion &logged : m_log)
        ++m_firstInsertion[std::size_t(logged.receiver)];
    for (std::size_t r = 1; r < m_firstInsertion.size(); ++r)
        m_firstInsertion[r] += m_firstInsertion[r - 1];
    // Each receiver's entry counts down from the end of its part to its start.
    m_insertions.resize(m_log.size());
    for (auto logged = m_log.rbegin(); logged != m_log.rend(); ++logged)
        m_insertions[--m_firstInsertion[std::size_t(logged->receiver)]] = logged->insertion;
    std::vector<LoggedInsertion>().swap(m_log);
}

// Writes a region's full list: its own points with every insertion expanded in place. Each
// frame reads one region's list forwards or backwards; an insertion is read in the opposite
// direction to the list that holds it.
void Labeller::expand(std::int32_t region, PointList &out)
{
    struct Frame
    {
        std::int32_t region;
        bool forwards;
        std::size_t point;     // forwards: next point to write; backwards: one past it
        std::size_t insertion; // forwards: next insertion; backwards: one past it
    };
    std::vector<Frame> stack;
    stack.push_back({region, true, 0, 0});
    while (!stack.empty()) {
        Frame &frame = stack.back();
        const PointList &points = m_regions[std::size_t(frame.region)].points;
        const std::span<const Insertion> insertions = this->insertions(frame.region);
        std::int32_t next = 0;
        if (frame.forwards) {
            // Points up to the next insertion, then that insertion, read backwards.
            const std::size_t until = frame.insertion < insertions.size()
                ? insertions[frame.insertion].at
                : points.size();
            out.append(std::span(points.begin() + frame.point, points.begin() + until));
            frame.point = until;
            if (frame.insertion == insertions.size()) {
                stack.pop_back();
                continue;
            }
            next = insertions[frame.insertion++].absorbed;
        } else {
            const std::size_t until = frame.insertion > 0 ? insertions[frame.insertion - 1].at : 0;
            std::reverse_copy(points.begin() + until, points.begin() + frame.point,
                out.extend(frame.point - until));
            frame.point = until;
            if (frame.insertion == 0) {
                stack.pop_back();
                continue;
            }
            next = insertions[--frame.insertion].absorbed;
        }
        const bool forwards = !frame.forwards;
        const std::size_t points0 = forwards ? 0 : m_regions[std::size_t(next)].points.size();
        const std::size_t insertions0 = forwards ? 0 : this->insertions(next).size();
        stack.push_back({next, forwards, points0, insertions0}); // invalidates frame
    }
}

} // namespace

void LabelRegions(const RowTable &rows, RegionTable &regions)
{
    MemoryReservation charge;
    LabelRegions(rows, regions, charge);
}

void LabelRegions(const RowTable &rows, RegionTable &regions, MemoryReservation &charge)
{
    try {
        Labeller(rows, regions, charge).run();
    } catch (...) {
        // Running out of memory half-way leaves no table that could be read safely (live
        // entries whose points are not laid out yet): keep entry 0 alone.
        RegionTable(1).swap(regions);
        charge.clear();
        throw;
    }
}
