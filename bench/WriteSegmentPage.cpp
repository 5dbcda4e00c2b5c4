// Writes a dense page of seven-segment numbers as a 24-bit BMP, the same page every time:
//   write_segment_page FILE [WIDTH HEIGHT]
// Numbers of four digits 60 pixels tall in one of the training segment styles, in lines, each
// segment a blob of its own: the page on which the glyph stage does the most work for its size.
// bench/learned-speed.sh times the two methods on it.
#include "picture/PictureStore.h"
#include "training/SegmentDigits.h"

#include <QGuiApplication>
#include <QImageWriter>

#include <cstdio>
#include <cstring>
#include <random>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2 && argc != 4) {
        std::fputs("usage: write_segment_page FILE [WIDTH HEIGHT]\n", stderr);
        return 2;
    }
    const int width = argc == 4 ? std::atoi(argv[2]) : 4000;
    const int height = argc == 4 ? std::atoi(argv[3]) : 3000;
    std::mt19937 random(7);
    TrainingSegmentStyle style = RandomTrainingSegmentStyle(random, 60);
    style.slant = 6;
    std::vector<SegmentInk> digits;
    for (int d = 0; d < 10; ++d)
        digits.push_back(DrawnSegmentDigit(d, style));

    PictureStore store;
    CreatePictureStore(store);
    store.workRaster.setSize(width, height);
    TCanvas &canvas = store.workRaster.canvas();
    canvas.fillRect(canvas.clipRect());
    const int pitch = int(digits[8].advance), lineHeight = 100, numberWidth = 4 * pitch + 60;
    int next = 0;
    for (int top = 20; top + lineHeight < height; top += lineHeight) {
        for (int left = 20; left + numberWidth < width; left += numberWidth) {
            for (int place = 0; place < 4; ++place) {
                const SegmentInk &ink = digits[std::size_t(next++ % 10)];
                const int x0 = left + place * pitch - ink.origin, y0 = top + 70 - ink.baseline;
                for (int y = 0; y < ink.lit.height; ++y) {
                    if (y0 + y < 0 || y0 + y >= height)
                        continue;
                    std::uint8_t *row = store.workRaster.scanLine(y0 + y);
                    for (int x = 0; x < ink.lit.width; ++x)
                        if (x0 + x >= 0 && x0 + x < width && ink.lit.at(x, y) > 0.5f)
                            std::memset(row + 3 * (x0 + x), 0, 3);
                }
            }
            next += 3;
        }
    }
    QImageWriter writer(QString::fromLocal8Bit(argv[1]), "bmp");
    if (!writer.write(store.workRaster.view())) {
        std::fprintf(stderr, "write_segment_page: %s\n", qPrintable(writer.errorString()));
        return 1;
    }
    return 0;
}
