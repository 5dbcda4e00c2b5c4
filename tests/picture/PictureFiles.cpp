#include "tests/picture/PictureFiles.h"

#include "base/AppError.h"

#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include <jpeglib.h>

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
