// Every estimate that is charged to the memory budget before its allocation, against what the
// heap really hands out on real passes (CountingAllocator replaces malloc in this program): the
// peak a stage allocates must stay within the peak it charges, so that an estimate cannot fall
// behind its allocation unnoticed.
#include "base/MemoryBudget.h"
#include "cli/PictureReport.h"
#include "picture/LoadPicture.h"
#include "picture/PictureStore.h"
#include "recognition/Ink.h"
#include "recognition/LabelRegions.h"
#include "recognition/ReadPicture.h"
#include "tests/support/CountingAllocator.h"
#include "tests/support/Fixtures.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace {

// Blocks of a fixed size that no estimate covers: Qt's and the font's first-use caches.
constexpr std::int64_t kSlack = 64 << 10;

struct Page
{
    const char *name;
    std::function<void(PictureStore &)> draw;
};

std::vector<std::string> dots(int width, int height)
{
    std::vector<std::string> rows(std::size_t(height), std::string(std::size_t(width), '.'));
    for (int y = 1; y < height; y += 2)
        for (int x = 1; x < width; x += 2)
            rows[std::size_t(y)][std::size_t(x)] = '#';
    return rows;
}

// One region of many points: the teeth of a comb hanging from its back.
std::vector<std::string> comb(int width, int height)
{
    std::vector<std::string> rows(std::size_t(height), std::string(std::size_t(width), '.'));
    for (int y = 1; y < height - 1; ++y)
        for (int x = 1; x < width - 1; ++x)
            rows[std::size_t(y)][std::size_t(x)] = y == 1 || x % 2 == 1 ? '#' : '.';
    return rows;
}

const std::vector<Page> &pages()
{
    static const std::vector<Page> all = {
        {"noise",
            [](PictureStore &s) {
                std::mt19937 random(7);
                drawAscii(s.workRaster, s.rowTable, randomPicture(random, 600, 400, 30));
            }},
        {"dots", [](PictureStore &s) { drawAscii(s.workRaster, s.rowTable, dots(600, 400)); }},
        {"comb", [](PictureStore &s) { drawAscii(s.workRaster, s.rowTable, comb(600, 400)); }},
        {"pen digits",
            [](PictureStore &s) {
                LoadPicture(
                    QStringLiteral(UMNOGLAZ_SAMPLES "/pen-digits.bmp"), s.workRaster, s.rowTable);
            }},
        {"font digits",
            [](PictureStore &s) {
                LoadPicture(
                    QStringLiteral(UMNOGLAZ_SAMPLES "/font-digits.bmp"), s.workRaster, s.rowTable);
            }},
        {"touching digits",
            [](PictureStore &s) {
                LoadPicture(QStringLiteral(UMNOGLAZ_SAMPLES "/touching-digits.bmp"), s.workRaster,
                    s.rowTable);
            }},
        {"seven segments",
            [](PictureStore &s) {
                LoadPicture(QStringLiteral(UMNOGLAZ_SAMPLES "/seven-segment.bmp"), s.workRaster,
                    s.rowTable);
            }},
    };
    return all;
}

// The page drawn into the store and read with the method.
Reading read(const Page &page, Method method, PictureStore &store)
{
    CreatePictureStore(store);
    page.draw(store);
    RecognitionState state;
    NoProgress progress;
    ReadingOptions options;
    options.method = method;
    return ReadPicture(store.workRaster, store.rowTable, state, progress, options);
}

// What a stage allocated and charged at its peak, above where each stood when it began.
struct Peaks
{
    std::int64_t heap = 0;
    std::int64_t charged = 0;
};

class Watch
{
public:
    Watch() { restart(); }
    void restart()
    {
        CountingAllocator::resetPeak();
        MemoryBudget::resetPeak();
        m_heap = CountingAllocator::live();
        m_charged = MemoryBudget::used();
    }
    Peaks peaks() const
    {
        return {CountingAllocator::peak() - m_heap, MemoryBudget::peak() - m_charged};
    }
    std::int64_t heapNow() const { return CountingAllocator::live() - m_heap; }

private:
    std::int64_t m_heap = 0;
    std::int64_t m_charged = 0;
};

class MemoryEstimate : public ::testing::TestWithParam<Method>
{
protected:
    void SetUp() override
    {
        if (!CountingAllocator::available())
            GTEST_SKIP() << "the sanitizers count the heap themselves";
        // The network and the font load once, before anything is measured.
        PictureStore store;
        CreatePictureStore(store);
        pages().back().draw(store);
        RecognitionState state;
        NoProgress progress;
        ReadingOptions options;
        options.method = GetParam();
        ReadPicture(store.workRaster, store.rowTable, state, progress, options);
    }
};

// Labelling's tables: the region table with its point lists, the label rows and the merge log.
TEST_P(MemoryEstimate, labellingChargesCoverItsTables)
{
    for (const Page &page : pages()) {
        SCOPED_TRACE(page.name);
        PictureStore store;
        CreatePictureStore(store);
        page.draw(store);
        RegionTable regions;
        MemoryReservation charge;
        Watch watch;
        LabelRegions(store.rowTable, regions, charge);
        const Peaks peaks = watch.peaks();
        EXPECT_LE(peaks.heap, peaks.charged + kSlack);
        EXPECT_LE(watch.heapNow(), charge.bytes() + kSlack) << "the table kept";
    }
}

// The pass beyond labelling: its results and per-region tables, the map of walks taken ahead
// and the outline arrays, measured from the moment the recogniser is prepared.
TEST_P(MemoryEstimate, passChargesCoverWhatItHoldsBesideTheTable)
{
    class Watching : public Recogniser
    {
    public:
        explicit Watching(Recogniser &inner, Watch &watch)
            : m_inner(inner)
            , m_watch(watch)
        { }
        void prepare(const RegionTable &regions) override
        {
            m_watch.restart();
            m_inner.prepare(regions);
        }
        void recognise(const item &region, const ChainCode &codes, RegionResult &result) override
        {
            m_inner.recognise(region, codes, result);
        }
        bool recognisesConcurrently() const override { return m_inner.recognisesConcurrently(); }

    private:
        Recogniser &m_inner;
        Watch &m_watch;
    };
    for (const Page &page : pages()) {
        // The outline arrays are charged once a walk has measured them, so a page whose one
        // outline dwarfs the rest (the comb) has their growth to show here, not the tables'.
        if (page.name == std::string("comb"))
            continue;
        for (const int threads : {1, 2}) {
            SCOPED_TRACE(std::string(page.name) + ", threads " + std::to_string(threads));
            PictureStore store;
            CreatePictureStore(store);
            page.draw(store);
            RecognitionState state;
            NoProgress progress;
            const std::unique_ptr<Recogniser> inner = MakeRecogniser(GetParam());
            Watch watch;
            Watching recogniser(*inner, watch);
            const std::vector<RegionResult> results = RecognizeAll(
                store.workRaster, store.rowTable, state, progress, recogniser, threads);
            const Peaks peaks = watch.peaks();
            EXPECT_LE(peaks.heap, peaks.charged + kSlack);
        }
    }
}

// The learned method's glyph stage: its pieces, the requests to the network and their answers,
// and one batch at a time.
TEST_P(MemoryEstimate, glyphStageChargesCoverItsTables)
{
    if (GetParam() != Method::Learned)
        GTEST_SKIP() << "only the learned method reads glyphs";
    for (const Page &page : pages()) {
        SCOPED_TRACE(page.name);
        PictureStore store;
        CreatePictureStore(store);
        page.draw(store);
        RecognitionState state;
        NoProgress progress;
        const std::unique_ptr<Recogniser> recogniser = MakeRecogniser(Method::Learned);
        std::vector<RegionResult> results =
            RecognizeAll(store.workRaster, store.rowTable, state, progress, *recogniser, 1);
        Watch watch;
        const std::vector<Glyph> glyphs = recogniser->readGlyphs(state.regions, results);
        const Peaks peaks = watch.peaks();
        EXPECT_LE(peaks.heap, peaks.charged + kSlack);
    }
}

// The auto ink rule: deciding the grid, then the bytes it lends the raster for the pass, each
// charged before it is allocated and within its estimate.
TEST_P(MemoryEstimate, inkStepChargesCoverWhatItHolds)
{
    if (GetParam() != Method::Learned)
        GTEST_SKIP() << "the ink step is the same for both methods";
    for (const Page &page : pages()) {
        SCOPED_TRACE(page.name);
        PictureStore store;
        CreatePictureStore(store);
        page.draw(store);
        Watch watch;
        const InkGrid grid = FindInk(store.rowTable);
        {
            const InkInRaster ink(store.rowTable, grid);
            const Peaks peaks = watch.peaks();
            EXPECT_LE(peaks.heap, peaks.charged + kSlack);
            EXPECT_LE(peaks.charged,
                InkBytes(store.workRaster.width(), store.workRaster.height()) + kSlack);
        }
        EXPECT_LE(watch.heapNow(), grid.charge.bytes() + kSlack) << "only the grid stays";
    }
}

// What a reading keeps: its results and numbers under its own charge.
TEST_P(MemoryEstimate, readingChargeCoversWhatItKeeps)
{
    for (const Page &page : pages()) {
        SCOPED_TRACE(page.name);
        PictureStore store;
        Reading reading = read(page, GetParam(), store);
        Watch watch;
        const std::int64_t charged = reading.charge.bytes();
        reading = Reading();
        EXPECT_LE(-watch.heapNow(), charged + kSlack);
        EXPECT_GE(-watch.heapNow(), charged / 2) << "an estimate far above what it covers";
    }
}

// Grouping the digits into numbers, at its peak and in what it returns.
TEST_P(MemoryEstimate, numbersEstimateCoversGrouping)
{
    for (const Page &page : pages()) {
        SCOPED_TRACE(page.name);
        PictureStore store;
        const Reading reading = read(page, GetParam(), store);
        Watch watch;
        const std::vector<Number> numbers = GroupNumbers(reading.results);
        EXPECT_LE(watch.peaks().heap, GroupingBytes(reading.results.size()));
        EXPECT_LE(watch.heapNow(), NumbersBytes(numbers) + kSlack);
    }
}

// A report held back in memory, as each picture's is among many, with the copy handed over.
TEST_P(MemoryEstimate, heldReportsStayWithinTheirEstimate)
{
    for (const Page &page : pages()) {
        for (const bool json : {false, true}) {
            SCOPED_TRACE(std::string(page.name) + (json ? ", JSON" : ", text"));
            PictureStore store;
            const Reading reading = read(page, GetParam(), store);
            HeadlessOptions options;
            options.json = json;
            options.method = GetParam();
            const QString name = QStringLiteral("pictures/") + QString(300, u'ж') + u'/' +
                QString::fromLatin1(page.name) + QStringLiteral(".bmp");
            Watch watch;
            QByteArray bytes;
            {
                ReportOut out;
                WriteReport(out, name, options, store.workRaster, reading);
                bytes = out.bytes();
            }
            EXPECT_LE(watch.peaks().heap, HeldReportBytes(name, options, reading));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BothMethods, MemoryEstimate,
    ::testing::Values(Method::Turns, Method::Learned),
    [](const ::testing::TestParamInfo<Method> &info) {
        return std::string(MethodName(info.param));
    });

} // namespace
