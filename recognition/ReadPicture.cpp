#include "recognition/ReadPicture.h"

#include "picture/TBitmap.h"

#include <optional>

InkRule InkRuleOf(const ReadingOptions &options)
{
    if (options.ink)
        return *options.ink;
    return options.method == Method::Learned ? InkRule::Auto : InkRule::Fixed;
}

Reading ReadPicture(TBitmap &workRaster, RowTable &rows, RecognitionState &state,
    ProgressSink &progress, const ReadingOptions &options)
{
    Reading reading;
    const std::unique_ptr<Recogniser> recogniser =
        MakeRecogniser(options.method, options.minConfidence);
    reading.ink = InkRuleOf(options);
    {
        // The auto rule's ink lies in the raster for the pass alone; the picture comes back
        // however the pass ends.
        std::optional<InkInRaster> ink;
        if (reading.ink == InkRule::Auto)
            ink.emplace(rows, FindInk(rows));
        reading.results =
            RecognizeAll(workRaster, rows, state, progress, *recogniser, options.threads);
    }
    reading.charge.resize(std::int64_t(reading.results.capacity() * sizeof(RegionResult)));

    // The glyphs' labels are not written into the work raster: they lie over it (LabelLayer.h).
    reading.glyphs = recogniser->readGlyphs(state.regions, reading.results);
    reading.charge.resize(reading.charge.bytes() + GlyphsBytes(reading.glyphs));

    // Grouping holds more at its peak than the numbers it returns keep.
    const bool byGlyph = options.method == Method::Learned;
    MemoryReservation grouping(
        GroupingBytes(std::max(reading.results.size(), reading.glyphs.size())));
    reading.numbers = byGlyph ? GroupNumbers(reading.glyphs) : GroupNumbers(reading.results);
    grouping.clear();
    reading.charge.resize(reading.charge.bytes() + NumbersBytes(reading.numbers));
    return reading;
}
