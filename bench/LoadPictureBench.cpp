// Picture loading against Qt's own reader of the same file, in the same run: a 24-bit BMP of
// 8000 x 6000 and a JPEG of 4000 x 3000. The JPEG load is also set against a plain libjpeg
// decoding with the floating-point DCT (whole file in memory, RGB rows into one buffer), which
// is the floor for any loader that decodes as ours does. Targets: the BMP load within 1.5x of
// Qt's reader, the JPEG load within 1.5x of the plain decoding.
//
// Each group runs its reference first; the loads report their time over it as "x_qt" and
// "x_libjpeg" (1.0 = as fast).
#include "picture/LoadPicture.h"
#include "picture/PictureStore.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

constexpr int kBmpWidth = 8000;
constexpr int kBmpHeight = 6000;
constexpr int kJpegWidth = 4000;
constexpr int kJpegHeight = 3000;

// A page-like picture: light background, dark strokes, a colour wash. Deterministic.
std::uint8_t sample(int x, int y, int channel)
{
    const bool stroke = ((x / 7 + y / 11) % 13 == 0) || ((x * 3 + y) % 97 < 4);
    if (stroke)
        return std::uint8_t(20 + channel * 10);
    return std::uint8_t(200 + ((x * (channel + 1) + y * (3 - channel)) >> 6) % 56);
}

QTemporaryDir &folder()
{
    static QTemporaryDir dir;
    return dir;
}

void put32(QByteArray &out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

const QString &bmpFile()
{
    static const QString name = [] {
        const QString path = folder().filePath(QStringLiteral("page.bmp"));
        const std::uint32_t rowBytes = (kBmpWidth * 3 + 3) / 4 * 4;
        QByteArray header("BM");
        put32(header, 54 + rowBytes * kBmpHeight);
        put32(header, 0);
        put32(header, 54);
        for (std::uint32_t v : {40u, std::uint32_t(kBmpWidth), std::uint32_t(kBmpHeight)})
            put32(header, v);
        header.append("\x01\x00\x18\x00", 4);
        for (int i = 0; i < 6; ++i)
            put32(header, 0);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(header);
        QByteArray row(rowBytes, '\0');
        for (int y = kBmpHeight - 1; y >= 0; --y) {
            for (int x = 0; x < kBmpWidth; ++x) {
                for (int c = 0; c < 3; ++c)
                    row[3 * x + c] = char(sample(x, y, c));
            }
            file.write(row);
        }
        return path;
    }();
    return name;
}

const QString &jpegFile()
{
    static const QString name = [] {
        const QString path = folder().filePath(QStringLiteral("page.jpg"));
        jpeg_compress_struct info {};
        jpeg_error_mgr error {};
        info.err = jpeg_std_error(&error);
        jpeg_create_compress(&info);
        std::FILE *out = std::fopen(path.toLocal8Bit().constData(), "wb");
        jpeg_stdio_dest(&info, out);
        info.image_width = kJpegWidth;
        info.image_height = kJpegHeight;
        info.input_components = 3;
        info.in_color_space = JCS_RGB;
        jpeg_set_defaults(&info);
        jpeg_set_quality(&info, 90, TRUE);
        jpeg_start_compress(&info, TRUE);
        std::vector<std::uint8_t> row(kJpegWidth * 3);
        while (info.next_scanline < info.image_height) {
            for (int x = 0; x < kJpegWidth; ++x) {
                for (int c = 0; c < 3; ++c)
                    row[3 * x + c] = sample(x, int(info.next_scanline), 2 - c);
            }
            JSAMPROW pointer = row.data();
            jpeg_write_scanlines(&info, &pointer, 1);
        }
        jpeg_finish_compress(&info);
        jpeg_destroy_compress(&info);
        std::fclose(out);
        return path;
    }();
    return name;
}

// Mean seconds per iteration of each reference, for the ratios.
std::map<std::string, double> &referenceSeconds()
{
    static std::map<std::string, double> seconds;
    return seconds;
}

template<typename Body> double timeLoop(benchmark::State &state, Body body)
{
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state)
        body();
    const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
    return spent.count() / double(std::max<benchmark::IterationCount>(state.iterations(), 1));
}

void qtReader(benchmark::State &state, const QString &(*file)(), const char *key)
{
    QImageReader::setAllocationLimit(1024); // megabytes; Qt refuses 128 MB and more by default
    referenceSeconds()[key] = timeLoop(state, [&] {
        QImage picture(file());
        if (picture.isNull())
            state.SkipWithError("Qt could not read the file");
        benchmark::DoNotOptimize(picture.constBits());
    });
}

void plainLibjpeg(benchmark::State &state)
{
    referenceSeconds()["libjpeg"] = timeLoop(state, [&] {
        QFile file(jpegFile());
        file.open(QIODevice::ReadOnly);
        const QByteArray bytes = file.readAll();
        jpeg_decompress_struct info {};
        jpeg_error_mgr error {};
        info.err = jpeg_std_error(&error);
        jpeg_create_decompress(&info);
        jpeg_mem_src(&info, reinterpret_cast<const unsigned char *>(bytes.constData()),
            static_cast<unsigned long>(bytes.size()));
        jpeg_read_header(&info, TRUE);
        info.dct_method = JDCT_FLOAT;
        jpeg_start_decompress(&info);
        const std::size_t rowBytes = std::size_t(info.output_width) * info.output_components;
        std::vector<std::uint8_t> pixels(rowBytes * info.output_height);
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = pixels.data() + rowBytes * info.output_scanline;
            jpeg_read_scanlines(&info, &row, 1);
        }
        jpeg_finish_decompress(&info);
        jpeg_destroy_decompress(&info);
        benchmark::DoNotOptimize(pixels.data());
    });
}

void loadPicture(
    benchmark::State &state, const QString &(*file)(), const char *reference, const char *counter)
{
    PictureStore store;
    CreatePictureStore(store);
    const double seconds = timeLoop(state, [&] {
        LoadPicture(file(), store.workRaster, store.rowTable);
        benchmark::DoNotOptimize(store.rowTable[0]);
    });
    const auto found = referenceSeconds().find(reference);
    if (found != referenceSeconds().end() && found->second > 0)
        state.counters[counter] = seconds / found->second;
}

} // namespace

BENCHMARK_CAPTURE(qtReader, bmp24, bmpFile, "qt_bmp")
    ->Name("QImage/bmp24_8000x6000")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);
BENCHMARK_CAPTURE(loadPicture, bmp24, bmpFile, "qt_bmp", "x_qt")
    ->Name("LoadPicture/bmp24_8000x6000")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);
BENCHMARK_CAPTURE(qtReader, jpeg, jpegFile, "qt_jpeg")
    ->Name("QImage/jpeg_4000x3000")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);
BENCHMARK(plainLibjpeg)
    ->Name("libjpeg/float_dct_4000x3000")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);
BENCHMARK_CAPTURE(loadPicture, jpeg_vs_libjpeg, jpegFile, "libjpeg", "x_libjpeg")
    ->Name("LoadPicture/jpeg_4000x3000_vs_libjpeg")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);
BENCHMARK_CAPTURE(loadPicture, jpeg_vs_qt, jpegFile, "qt_jpeg", "x_qt")
    ->Name("LoadPicture/jpeg_4000x3000_vs_qt")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);
