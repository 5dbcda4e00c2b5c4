// Writes the comparison pages as 24-bit BMP files into a folder:
//   write_pages FOLDER
// digits-4000x3000.bmp, digits-8000x6000.bmp, noise-4000x3000.bmp, comb-4000x3000.bmp and
// staircase-4000x3000.bmp, the same pages every time. bench/compare-opencv.sh runs it.
#include "bench/Pages.h"

#include <QDir>
#include <QGuiApplication>
#include <QImageWriter>

#include <cstdio>
#include <functional>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: write_pages FOLDER\n", stderr);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    struct Kind
    {
        const char *name;
        int width;
        int height;
        std::function<void(PictureStore &, int, int)> make;
    };
    const Kind kinds[] = {
        {"digits", 4000, 3000, makeDigitPage},
        {"digits", 8000, 6000, makeDigitPage},
        {"noise", 4000, 3000, [](PictureStore &s, int w, int h) { makeNoisePage(s, w, h, 32); }},
        {"comb", 4000, 3000, [](PictureStore &s, int w, int h) { makeCombPage(s, w, h, 1); }},
        {"staircase", 4000, 3000,
            [](PictureStore &s, int w, int h) { makeStaircasePage(s, w, h, 1); }},
    };
    for (const Kind &kind : kinds) {
        PictureStore store;
        CreatePictureStore(store);
        kind.make(store, kind.width, kind.height);
        const QString path = folder.filePath(
            QStringLiteral("%1-%2x%3.bmp").arg(kind.name).arg(kind.width).arg(kind.height));
        QImageWriter writer(path, "bmp");
        if (!writer.write(store.workRaster.view())) {
            std::fprintf(stderr, "write_pages: cannot write %s: %s\n", qPrintable(path),
                qPrintable(writer.errorString()));
            return 1;
        }
        std::printf("%s\n", qPrintable(path));
    }
    return 0;
}
