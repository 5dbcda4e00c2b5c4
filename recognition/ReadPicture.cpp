#include "recognition/ReadPicture.h"

Reading ReadPicture(TBitmap &workRaster, RowTable &rows, RecognitionState &state,
    ProgressSink &progress, const ReadingOptions &options)
{
    Reading reading;
    const std::unique_ptr<Recogniser> recogniser =
        MakeRecogniser(options.method, options.minConfidence);
    reading.results = RecognizeAll(workRaster, rows, state, progress, *recogniser, options.threads);
    reading.charge.resize(std::int64_t(reading.results.capacity() * sizeof(RegionResult)));

    // Grouping holds more at its peak than the numbers it returns keep.
    MemoryReservation grouping(std::int64_t(reading.results.size() + 1) * kNumbersBytesPerResult);
    reading.numbers = GroupNumbers(reading.results);
    grouping.clear();
    reading.charge.resize(reading.charge.bytes() + NumbersBytes(reading.numbers));
    return reading;
}
