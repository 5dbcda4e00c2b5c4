// Loading and recognition together, as the headless command runs them, on arbitrary bytes
// under the fuzz builds' small memory budget: a declared picture too large for the budget must
// fail with "Out of system resources" at the door, never run the process out of memory. The
// first byte chooses the reader (even: BMP, odd: JPEG); the rest is the file. Afterwards
// nothing may stay charged but the start-up picture.
#include "base/AppError.h"
#include "base/MemoryBudget.h"
#include "picture/LoadPicture.h"
#include "picture/PictureStore.h"
#include "recognition/ReadPicture.h"

#include <QFile>
#include <QGuiApplication>
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
            ReadPicture(store.workRaster, store.rowTable, state, progress);
        } catch (const AppError &) { }
        if (MemoryBudget::peak() > MemoryBudget::limit())
            std::abort();
    }
    if (MemoryBudget::used() != before)
        std::abort();
    return 0;
}
