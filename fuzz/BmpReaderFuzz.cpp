// The BMP reader on arbitrary bytes: headers, then every pixel into a buffer of the declared
// size, charged to the fuzz builds' small memory budget as the loader charges its raster.
// Refusals are expected; crashes, leaks and reads outside a buffer are not.
#include "base/AppError.h"
#include "base/MemoryBudget.h"
#include "picture/BmpReader.h"
#include "picture/PixelLayout.h"

#include <QBuffer>
#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    QBuffer device(&bytes);
    device.open(QIODevice::ReadOnly);
    try {
        BmpReader reader(device);
        reader.readHeaders();
        const std::size_t rowBytes = std::size_t(reader.width()) * kBytesPerPixel;
        const MemoryReservation charge(std::int64_t(rowBytes) * reader.height());
        std::vector<std::uint8_t> pixels(rowBytes * std::size_t(reader.height()));
        reader.readPixels([&](int y) { return pixels.data() + rowBytes * std::size_t(y); });
    } catch (const AppError &) { }
    return 0;
}
