// Loading and recognition together, as the headless command runs them, on arbitrary bytes
// under the fuzz builds' small memory budget: a declared picture too large for the budget must
// fail with "Out of system resources" at the door, never run the process out of memory. The
// first byte chooses the reader (bit 0 clear: BMP, set: JPEG) and the ink rule (bit 1 clear:
// fixed, set: auto, which must give the picture back as it was, but for the walk's marks and
// the labels); the rest is the file. Afterwards nothing may stay charged but the start-up
// picture.
#include "base/AppError.h"
#include "base/MemoryBudget.h"
#include "picture/LoadPicture.h"
#include "picture/PictureStore.h"
#include "picture/TBitmap.h"
#include "recognition/ReadPicture.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // Labels are drawn with the label font, which needs a QGuiApplication.
    static int argc = 1;
    static char name[] = "fuzz_load_and_read";
    static char *argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QGuiApplication(argc, argv);
    return 0;
}

// Every pixel as it was, or marked by a walk (green 255), or part of a label: red on white.
bool givenBack(const QImage &picture, const TBitmap &raster)
{
    for (int y = 0; y < raster.height(); ++y) {
        const std::uint8_t *before = picture.constScanLine(y);
        const std::uint8_t *after = raster.scanLine(y);
        for (int x = 0; x < 3 * raster.width(); x += 3) {
            const bool same = before[x] == after[x] && before[x + 2] == after[x + 2] &&
                (before[x + 1] == after[x + 1] || after[x + 1] == 255);
            const bool label = after[x + 2] == 255 && after[x + 1] == after[x];
            if (!same && !label)
                return false;
        }
    }
    return true;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    static QTemporaryDir folder;
    const QString fileName =
        folder.filePath((data[0] & 1) ? QStringLiteral("input.jpg") : QStringLiteral("input.bmp"));
    {
        QFile file(fileName);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(reinterpret_cast<const char *>(data + 1), qint64(size - 1)) !=
                qint64(size - 1))
            std::abort();
    }
    const std::int64_t before = MemoryBudget::used();
    {
        PictureStore store;
        RecognitionState state;
        NoProgress progress;
        try {
            CreatePictureStore(store);
            LoadPicture(fileName, store.workRaster, store.rowTable);
            ReadingOptions options;
            options.ink = (data[0] & 2) ? InkRule::Auto : InkRule::Fixed;
            // Outside the budget: the copy is the check's, not the program's.
            const QImage picture =
                options.ink == InkRule::Auto ? store.workRaster.view().copy() : QImage();
            ReadPicture(store.workRaster, store.rowTable, state, progress, options);
            if (!picture.isNull() && !givenBack(picture, store.workRaster))
                std::abort();
        } catch (const AppError &) { }
        if (MemoryBudget::peak() > MemoryBudget::limit())
            std::abort();
    }
    if (MemoryBudget::used() != before)
        std::abort();
    return 0;
}
