// Peak memory per framed pixel for the four costly kinds of picture (all black, isolated dots,
// a serpentine, noise) at two sizes: through the window's path (load, pass, display copy) in a
// child process each, and through the headless command (text and --json) given as argument 1.
// Then the decoding time of a 5 KB progressive JPEG with 500 empty scans over 18916 x 18916
// pixels (before the decoder's work was counted: 45 s). Figures are ru_maxrss of each child.
//
//   build/release/bench/memory_peaks build/release/app/umnoglaz
#include "base/AppError.h"
#include "base/HeapTuning.h"
#include "picture/LoadPicture.h"
#include "picture/PictureStore.h"
#include "picture/RowTable.h"
#include "recognition/ReadPicture.h"
#include "tests/support/EmptyScansJpeg.h"

#include <QByteArray>
#include <QFile>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>

namespace {

void putLe(QByteArray &bytes, std::uint32_t value, int size)
{
    for (int i = 0; i < size; ++i)
        bytes.append(char((value >> (8 * i)) & 0xFF));
}

// An 8-bit BMP, top row first, palette 0 white and 1 black, pixel (x, y) dark when dark(x, y).
QByteArray picture(int side, const std::function<bool(int, int)> &dark)
{
    const int stride = (side + 3) / 4 * 4;
    QByteArray file("BM");
    putLe(file, 0, 4);
    putLe(file, 0, 4);
    putLe(file, 54 + 8, 4);
    putLe(file, 40, 4);
    putLe(file, std::uint32_t(side), 4);
    putLe(file, std::uint32_t(-side), 4);
    putLe(file, 1, 2);
    putLe(file, 8, 2);
    putLe(file, 0, 4);
    putLe(file, std::uint32_t(stride) * std::uint32_t(side), 4);
    putLe(file, 0, 4);
    putLe(file, 0, 4);
    putLe(file, 2, 4);
    putLe(file, 0, 4);
    putLe(file, 0xFFFFFF, 4);
    putLe(file, 0x000000, 4);
    QByteArray row(stride, '\0');
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x)
            row[x] = dark(x, y) ? 1 : 0;
        file += row;
    }
    return file;
}

struct Kind
{
    const char *name;
    std::function<bool(int, int)> dark;
};

// Peak resident kilobytes of a child running `work`; -1 when it failed.
long childPeak(const std::function<int()> &work)
{
    std::fflush(stdout); // or the child's stdout would print the parent's buffer again
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(work());
    int status = 0;
    rusage usage {};
    ::wait4(child, &status, 0, &usage);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? usage.ru_maxrss : -usage.ru_maxrss;
}

} // namespace

int main(int argc, char **argv)
{
    SetHeapThresholds(); // as the program does
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const char *command = argc > 1 ? argv[1] : nullptr;
    QTemporaryDir dir;
    const Kind kinds[] = {
        {"all-black", [](int, int) { return true; }},
        {"isolated-dots", [](int x, int y) { return x % 2 == 0 && y % 2 == 0; }},
        {"serpentine", [](int x, int y) { return y % 4 != 3 && (y % 4 != 1 || x % 2 == 0); }},
        {"noise",
            [](int x, int y) {
                return (std::uint32_t(x) * 2654435761u ^ std::uint32_t(y) * 40503u) % 2 == 0;
            }},
    };
    auto write = [&](const Kind &kind, int side) {
        const QString path = dir.filePath(QStringLiteral("%1-%2.bmp").arg(kind.name).arg(side));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(picture(side, kind.dark));
        file.close();
        return path;
    };
    auto window = [&](const QString &path) {
        return childPeak([&] {
            PictureStore store;
            RecognitionState state;
            NoProgress progress;
            CreatePictureStore(store);
            try {
                LoadPicture(path, store.workRaster, store.rowTable);
                ReadPicture(store.workRaster, store.rowTable, state, progress);
                store.displayRaster.copyFrom(store.workRaster);
            } catch (const AppError &) {
                return 1;
            }
            return 0;
        });
    };
    auto headless = [&](const QString &path, bool json) -> long {
        if (!command)
            return 0;
        return childPeak([&] {
            std::freopen("/dev/null", "w", stdout);
            const QByteArray name = path.toLocal8Bit();
            if (json)
                ::execl(command, command, "--recognize", name.constData(), "--json", nullptr);
            else
                ::execl(command, command, "--recognize", name.constData(), nullptr);
            return 127;
        });
    };

    // Each column's peak above that of the same path on a small picture (the program, its
    // libraries, the font and the threads), so that what is left grows with the picture.
    const QString small = write(kinds[1], 16);
    const long windowBase = window(small);
    const long textBase = headless(small, false);
    const long jsonBase = headless(small, true);
    std::printf("%-14s %6s %10s %10s %10s  (bytes per framed pixel, above %ld / %ld / %ld KB)\n",
        "picture", "side", "window", "text", "json", windowBase, textBase, jsonBase);
    for (const Kind &kind : kinds) {
        for (const int side : {1000, 3000}) {
            const QString path = write(kind, side);
            const double pixels = double(side + 2) * double(side + 2);
            auto perPixel = [&](long kb, long base) {
                return double(std::labs(kb) - base) * 1024 / pixels;
            };
            std::printf("%-14s %6d %10.1f %10.1f %10.1f\n", kind.name, side,
                perPixel(window(path), windowBase), perPixel(headless(path, false), textBase),
                perPixel(headless(path, true), jsonBase));
        }
    }

    const QString jpeg = dir.filePath(QStringLiteral("scans.jpg"));
    QFile file(jpeg);
    file.open(QIODevice::WriteOnly);
    file.write(EmptyScansJpeg());
    file.close();
    const auto start = std::chrono::steady_clock::now();
    QString failure = QStringLiteral("loaded");
    try {
        TBitmap raster;
        RowTable rows;
        LoadPicture(jpeg, raster, rows);
    } catch (const AppError &error) {
        failure = QString::fromUtf8(error.what());
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("progressive JPEG, 500 empty scans: %.1f s (%s); before the work count: 45 s\n",
        seconds, failure.toUtf8().constData());
    return 0;
}
