// The glyph stage of the learned method on a small raster made from the input, with the
// built-in network. Checks what must hold whatever the picture:
//   - the pieces: a cut region's parts are column ranges that tile it, each part's box holds
//     exactly its pixels, every run of a block is made of its atoms;
//   - the glyphs: their regions exist, are live and ascending; a glyph's box lies within its
//     regions' boxes and holds its first pixel, which is one of its regions' pixels; a glyph of
//     one whole region has that region's box, one of several whole regions their union; a
//     region is in two glyphs only as parts of a cut;
//   - nothing stays charged to the memory budget afterwards.
//
// Input: byte 0 gives the width, byte 1 the height (8 to 96 each), byte 2 a block size of 1
// to 4 pixels; then one bit per block, row by row (set: dark), the rest white.
#include "base/MemoryBudget.h"
#include "picture/PictureStore.h"
#include "recognition/DigitNetwork.h"
#include "recognition/GlyphPieces.h"
#include "recognition/ReadGlyphs.h"
#include "recognition/RecognizeAll.h"

#include <QGuiApplication>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

class OutlinesOnly : public Recogniser
{
public:
    void recognise(const item &, const ChainCode &, RegionResult &) override { }
    bool recognisesConcurrently() const override { return true; }
};

bool inside(const Box &outer, const Box &inner)
{
    return outer.contains(inner);
}

// The atoms from `from` on, and every block's runs.
void checkPieces(const RegionTable &regions, const GlyphPieces &pieces, std::size_t from = 0)
{
    std::vector<Point> points;
    std::int32_t regionCount = 0;
    for (std::size_t a = from; a < pieces.atoms.size(); ++a) {
        const GlyphAtom &atom = pieces.atoms[a];
        check(atom.region > 0 && std::size_t(atom.region) < regions.size());
        const item &region = regions[std::size_t(atom.region)];
        check(region.count > 0 && atom.from < atom.to);
        points.clear();
        AppendAtomPoints(regions, atom, points);
        check(std::int32_t(points.size()) == atom.count && !points.empty());
        check(BoundingBox(points) == atom.box);
        // The parts of one region follow each other, each beginning at the line where the one
        // before it ends, the lines in order across the region's rows; together they hold each
        // of its pixels once.
        const bool next = a + 1 < pieces.atoms.size() && pieces.atoms[a + 1].region == atom.region;
        if (a == from || pieces.atoms[a - 1].region != atom.region)
            regionCount = 0;
        regionCount += atom.count;
        if (next) {
            const GlyphAtom &after = pieces.atoms[a + 1];
            check(atom.cut && after.top == atom.top && after.from == atom.to &&
                after.fromLean == atom.toLean);
            // Where a line crosses a row, in tenths of a column.
            const auto across = [&](std::int32_t column, int lean, std::int32_t y) {
                return 10 * std::int64_t(column) + std::int64_t(lean) * (y - atom.top);
            };
            const Box box = BoundingBox(region.points);
            for (const std::int32_t y : {box.y, box.bottom() - 1})
                check(across(atom.from, atom.fromLean, y) < across(atom.to, atom.toLean, y));
        } else {
            check(regionCount == region.count);
        }
    }
    for (const GlyphBlock &block : pieces.blocks) {
        check(!block.atoms.empty() && block.height > 0);
        for (const GlyphRun &run : CandidateRuns(pieces, block)) {
            check(run.first < run.last && run.last <= block.atoms.size());
            check(run.last - run.first <= std::size_t(kMostRunAtoms));
            Box box = pieces.atoms[block.atoms[run.first]].box;
            for (std::size_t i = run.first + 1; i < run.last; ++i)
                box = box.united(pieces.atoms[block.atoms[i]].box);
            check(box == run.box);
        }
    }
}

void checkGlyphs(const RegionTable &regions, const std::vector<Glyph> &glyphs)
{
    for (std::size_t g = 0; g < glyphs.size(); ++g) {
        const Glyph &glyph = glyphs[g];
        check(glyph.digit >= '0' && glyph.digit <= '9');
        check(glyph.confidence >= 0 && glyph.confidence <= 1);
        check(!glyph.regions.empty() &&
            std::is_sorted(glyph.regions.begin(), glyph.regions.end()) &&
            std::adjacent_find(glyph.regions.begin(), glyph.regions.end()) == glyph.regions.end());
        Box all;
        bool startFound = false;
        for (std::size_t i = 0; i < glyph.regions.size(); ++i) {
            const int r = glyph.regions[i];
            check(r > 0 && std::size_t(r) < regions.size() && regions[std::size_t(r)].count > 0);
            const Box box = BoundingBox(regions[std::size_t(r)].points);
            all = i == 0 ? box : all.united(box);
            for (const Point &p : regions[std::size_t(r)].points)
                startFound |= p == glyph.start;
        }
        check(startFound && inside(all, glyph.box) &&
            inside(glyph.box, {glyph.start.x, glyph.start.y, 1, 1}));
        if (glyph.kind == Glyph::Kind::Single)
            check(glyph.regions.size() == 1 && glyph.box == all);
        if (glyph.kind == Glyph::Kind::Assembled)
            check(glyph.regions.size() > 1 && glyph.box == all);
        for (std::size_t h = g + 1; h < glyphs.size(); ++h) {
            const Glyph &other = glyphs[h];
            const bool share =
                std::find_first_of(glyph.regions.begin(), glyph.regions.end(),
                    other.regions.begin(), other.regions.end()) != glyph.regions.end();
            if (!share)
                continue;
            check(glyph.kind == Glyph::Kind::Cut && other.kind == Glyph::Kind::Cut);
        }
    }
}

} // namespace

extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    static int argc = 1;
    static char name[] = "fuzz_glyphs";
    static char *argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QGuiApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 3)
        return 0;
    const int width = 8 + data[0] % 89, height = 8 + data[1] % 89, block = 1 + data[2] % 4;
    const std::int64_t before = MemoryBudget::used();
    {
        PictureStore store;
        store.workRaster.setSize(width, height);
        for (int y = 0; y < height; ++y) {
            std::uint8_t *row = store.workRaster.scanLine(y);
            for (int x = 0; x < width; ++x) {
                const std::size_t bit =
                    std::size_t(y / block) * std::size_t((width + block - 1) / block) +
                    std::size_t(x / block);
                const std::size_t byte = 3 + bit / 8;
                const bool dark = byte < size && (data[byte] >> (bit % 8)) & 1;
                std::fill(row + 3 * x, row + 3 * x + 3, dark ? 0 : 255);
            }
        }
        RebuildRowTable(store.rowTable, store.workRaster);
        RecognitionState state;
        NoProgress progress;
        OutlinesOnly outlines;
        std::vector<RegionResult> results =
            RecognizeAll(store.workRaster, store.rowTable, state, progress, outlines, 1);
        DigitNetwork &network = DigitNetwork::builtIn();
        MemoryReservation charge;
        GlyphPieces pieces = FindGlyphPieces(state.regions, results, network.minSide(), charge);
        checkPieces(state.regions, pieces);
        // Blocks one above the other, and the first such pair taken together.
        for (const auto &[a, b] : pieces.stacked)
            check(a < b && b < pieces.blocks.size());
        if (!pieces.stacked.empty()) {
            const std::size_t first = pieces.atoms.size();
            const auto [a, b] = pieces.stacked.front();
            pieces.blocks.push_back(StackBlocks(state.regions, pieces, {a, b}, charge));
            check(pieces.blocks.back().atoms.front() == first);
            checkPieces(state.regions, pieces, first);
        }
        // The lines of the first block that has several: each of its regions in one of them.
        for (std::size_t b = 0; b < pieces.blocks.size(); ++b) {
            const std::size_t first = pieces.atoms.size();
            std::vector<GlyphBlock> lines = LinesOfBlock(state.regions, pieces, b, charge);
            if (lines.empty())
                continue;
            std::vector<int> regions, inLines;
            for (const std::size_t a : pieces.blocks[b].atoms)
                regions.push_back(pieces.atoms[a].region);
            for (const GlyphBlock &line : lines) {
                check(!line.atoms.empty());
                std::vector<int> own;
                for (const std::size_t a : line.atoms) {
                    check(a >= first);
                    own.push_back(pieces.atoms[a].region);
                }
                own.erase(std::unique(own.begin(), own.end()), own.end());
                inLines.insert(inLines.end(), own.begin(), own.end());
            }
            std::sort(regions.begin(), regions.end());
            regions.erase(std::unique(regions.begin(), regions.end()), regions.end());
            std::sort(inLines.begin(), inLines.end());
            check(regions == inLines);
            pieces.blocks.insert(pieces.blocks.end(), lines.begin(), lines.end());
            checkPieces(state.regions, pieces, first);
            break;
        }
        const std::vector<Glyph> glyphs =
            ReadGlyphs(state.regions, results, network, network.minConfidence());
        checkGlyphs(state.regions, glyphs);
        for (const RegionResult &result : results)
            check(result.confidence <= 1);
    }
    check(MemoryBudget::used() == before);
    return 0;
}
