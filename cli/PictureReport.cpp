#include "cli/PictureReport.h"

#include "base/FailureText.h"
#include "base/Messages.h"
#include "cli/JsonReport.h"
#include "cli/TextReport.h"
#include "picture/LoadPicture.h"
#include "picture/PictureStore.h"

#include <exception>

QString LoadAndRead(const QString &picture, const HeadlessOptions &options, int threads,
    PictureStore &store, Reading &reading)
{
    try {
        RecognitionState state;
        NoProgress progress;
        CreatePictureStore(store);
        LoadPicture(picture, store.workRaster, store.rowTable);
        ReadingOptions reads;
        reads.method = options.method;
        reads.minConfidence = options.minConfidence;
        reads.threads = threads;
        reads.ink = options.ink;
        reading = ReadPicture(store.workRaster, store.rowTable, state, progress, reads);
    } catch (const std::exception &error) {
        return ErrorMessage(error);
    } catch (...) {
        return QString::fromLatin1(kUnknownFailure);
    }
    return {};
}

void WriteReport(ReportOut &out, const QString &picture, const HeadlessOptions &options,
    const TBitmap &raster, const Reading &reading)
{
    if (options.json)
        WriteJsonReport(out, picture, options.method, reading.ink, raster.width(), raster.height(),
            reading.results, reading.glyphs, reading.numbers);
    else
        WriteTextReport(out, picture, options.method, raster.width(), raster.height(),
            reading.results, reading.glyphs, reading.numbers);
}

std::int64_t HeldReportBytes(
    const QString &picture, const HeadlessOptions &options, const Reading &reading)
{
    // The summary and the numbers' lines with their texts in the making, the picture's name
    // among them in UTF-16 and UTF-8 in each step of its making, and the copy handed over.
    constexpr std::int64_t kEveryReport = 4 << 10;
    const std::int64_t perRegion = options.json ? kHeldJsonBytesPerRegion : kHeldTextBytesPerRegion;
    return kEveryReport + 32 * std::int64_t(picture.size()) +
        std::int64_t(reading.results.size() + 1) * perRegion;
}
