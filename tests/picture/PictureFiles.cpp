#include "PictureFiles.h"

#include "AppError.h"

#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include <jpeglib.h>

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

QByteArray jpegFile(const JpegFields &fields)
{
    jpeg_compress_struct info {};
    jpeg_error_mgr error {};
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(fields.width);
    info.image_height = JDIMENSION(fields.height);
    info.input_components = fields.components;
    info.in_color_space = fields.components == 1 ? JCS_GRAYSCALE
        : fields.components == 3                 ? JCS_RGB
        : fields.components == 4                 ? JCS_CMYK
                                                 : JCS_UNKNOWN;
    jpeg_set_defaults(&info);
    if (fields.components == 4) {
        jpeg_set_colorspace(&info, fields.ycck ? JCS_YCCK : JCS_CMYK);
        info.write_Adobe_marker = fields.adobeMarker;
    }
    jpeg_set_quality(&info, fields.quality, TRUE);
    if (fields.progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    const std::size_t rowBytes = std::size_t(fields.width) * std::size_t(fields.components);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(fields.samples.data() + info.next_scanline * rowBytes);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    QByteArray file(reinterpret_cast<const char *>(buffer), qsizetype(size));
    std::free(buffer);
    jpeg_destroy_compress(&info);
    return file;
}

JpegFields uniformJpeg(int width, int height, std::vector<std::uint8_t> colour)
{
    JpegFields fields;
    fields.width = width;
    fields.height = height;
    fields.components = int(colour.size());
    for (int i = 0; i < width * height; ++i)
        fields.samples.insert(fields.samples.end(), colour.begin(), colour.end());
    return fields;
}

QString PictureFolder::path(const QString &name) const
{
    return m_dir.filePath(name);
}

QString PictureFolder::write(const QString &name, const QByteArray &bytes)
{
    const QString fileName = path(name);
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write test file " + fileName.toStdString());
    return fileName;
}

std::string errorOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const AppError &error) {
        return error.what();
    }
    return "no error";
}
