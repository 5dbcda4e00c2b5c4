#include "tests/support/BmpFiles.h"

namespace {

void put16(QByteArray &out, std::uint32_t value)
{
    out.append(char(value & 0xFF));
    out.append(char((value >> 8) & 0xFF));
}

void put32(QByteArray &out, std::uint32_t value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

} // namespace

QByteArray bmpFile(const BmpFields &fields)
{
    const bool masksAfterHeader = fields.headerSize == 40 && !fields.masks.empty();
    const std::size_t entryBytes = fields.headerSize == 12 ? 3 : 4;
    const std::size_t start = 14 + fields.headerSize + (masksAfterHeader ? 12 : 0) +
        fields.palette.size() * entryBytes + fields.gap;

    QByteArray info;
    put32(info, fields.headerSize);
    if (fields.headerSize == 12) {
        put16(info, std::uint32_t(fields.width));
        put16(info, std::uint32_t(fields.height));
        put16(info, fields.planes);
        put16(info, fields.bitsPerPixel);
    } else {
        put32(info, std::uint32_t(fields.width));
        put32(info, std::uint32_t(fields.height));
        put16(info, fields.planes);
        put16(info, fields.bitsPerPixel);
        put32(info, fields.compression);
        put32(info, fields.imageSize);
        put32(info, 2835); // 72 dots per inch
        put32(info, 2835);
        put32(info, fields.colorsUsed);
        put32(info, 0);
        if (fields.headerSize >= 52) {
            for (std::size_t i = 0; i < 3; ++i)
                put32(info, i < fields.masks.size() ? fields.masks[i] : 0);
        }
    }
    info.resize(fields.headerSize, '\0');

    QByteArray file("BM");
    put32(file, std::uint32_t(start + fields.pixels.size()));
    put32(file, 0);
    put32(file, fields.pixelOffset.value_or(std::uint32_t(start)));
    file += info;
    if (masksAfterHeader) {
        for (std::uint32_t mask : fields.masks)
            put32(file, mask);
    }
    for (const auto &entry : fields.palette) {
        file.append(reinterpret_cast<const char *>(entry.data()), 3);
        if (entryBytes == 4)
            file.append('\0');
    }
    file.append(QByteArray(qsizetype(fields.gap), '\0'));
    file.append(
        reinterpret_cast<const char *>(fields.pixels.data()), qsizetype(fields.pixels.size()));
    return file;
}

std::vector<std::uint8_t> packRows(
    const std::vector<std::vector<std::uint32_t>> &rows, int bits, bool topDown)
{
    const std::size_t height = rows.size();
    const std::size_t width = height ? rows.front().size() : 0;
    const std::size_t rowBytes = (bits * width + 31) / 32 * 4;
    std::vector<std::uint8_t> data(rowBytes * height, 0);
    for (std::size_t r = 0; r < height; ++r) {
        const auto &values = rows[topDown ? r : height - 1 - r];
        std::uint8_t *out = data.data() + r * rowBytes;
        for (std::size_t x = 0; x < width; ++x) {
            const std::uint32_t v = values[x];
            switch (bits) {
            case 1:
            case 4:
            case 8: {
                const std::size_t bit = x * bits;
                out[bit / 8] |= std::uint8_t(v << (8 - bits - bit % 8));
                break;
            }
            case 16:
                out[2 * x] = v & 0xFF;
                out[2 * x + 1] = (v >> 8) & 0xFF;
                break;
            case 24:
                out[3 * x] = v & 0xFF;
                out[3 * x + 1] = (v >> 8) & 0xFF;
                out[3 * x + 2] = (v >> 16) & 0xFF;
                break;
            case 32:
                for (int i = 0; i < 4; ++i)
                    out[4 * x + i] = (v >> (8 * i)) & 0xFF;
                break;
            default:
                throw std::invalid_argument("packRows: unsupported depth");
            }
        }
    }
    return data;
}
