#include "training/TrainingSet.h"

#include "picture/PictureStore.h"
#include "recognition/LabelRegions.h"

#include <QFile>

#include <cmath>
#include <cstring>
#include <stdexcept>

std::optional<Sample> SampleOf(const Mask &mask, int label)
{
    TBitmap raster;
    raster.setSize(mask.width, mask.height);
    for (int y = 0; y < mask.height; ++y) {
        std::uint8_t *row = raster.scanLine(y);
        for (int x = 0; x < mask.width; ++x)
            std::memset(row + 3 * x, mask.at(x, y) ? 0 : 255, 3);
    }
    RowTable rows;
    RebuildRowTable(rows, raster);
    RegionTable regions;
    LabelRegions(rows, regions);
    const item *largest = nullptr;
    for (std::size_t r = 1; r < regions.size(); ++r)
        if (regions[r].count > 0 && (!largest || regions[r].count > largest->count))
            largest = &regions[r];
    if (!largest)
        return std::nullopt;

    DigitImage image;
    NormaliseDigit(largest->points, image);
    const Box box = BoundingBox(largest->points);
    Sample sample;
    sample.label = std::uint8_t(label);
    sample.width = std::uint16_t(std::min(box.width, 65535));
    sample.height = std::uint16_t(std::min(box.height, 65535));
    sample.count = std::uint32_t(largest->count);
    for (int i = 0; i < kDigitPixels; ++i)
        sample.grey[std::size_t(i)] = std::uint8_t(std::lround(image[std::size_t(i)] * 255.0f));
    return sample;
}

void WriteSamples(const QString &path, const std::vector<Sample> &samples)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        throw std::runtime_error((path + QStringLiteral(": ") + file.errorString()).toStdString());
    QByteArray bytes;
    bytes.reserve(qsizetype(samples.size()) * (9 + kDigitPixels));
    for (const Sample &sample : samples) {
        const std::uint8_t head[9] = {sample.label, std::uint8_t(sample.width),
            std::uint8_t(sample.width >> 8), std::uint8_t(sample.height),
            std::uint8_t(sample.height >> 8), std::uint8_t(sample.count),
            std::uint8_t(sample.count >> 8), std::uint8_t(sample.count >> 16),
            std::uint8_t(sample.count >> 24)};
        bytes.append(reinterpret_cast<const char *>(head), 9);
        bytes.append(reinterpret_cast<const char *>(sample.grey.data()), kDigitPixels);
    }
    if (file.write(bytes) != bytes.size())
        throw std::runtime_error((path + QStringLiteral(": ") + file.errorString()).toStdString());
}
