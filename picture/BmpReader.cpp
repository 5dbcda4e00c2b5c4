#include "picture/BmpReader.h"

#include "base/AppError.h"
#include "base/Messages.h"
#include "picture/PictureLimits.h"

#include <QIODevice>

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

constexpr int kFileHeaderBytes = 14;
constexpr std::uint32_t kShortHeader = 12;
constexpr std::uint32_t kLongHeader = 40;
constexpr std::uint32_t kHeaderWithMasks = 52;

enum Compression : std::uint32_t { kNone = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3 };

// Uncompressed pixel data is read in chunks of whole rows of about this size.
constexpr std::int64_t kChunkBytes = std::int64_t(1) << 20;

std::uint16_t le16(const std::uint8_t *p)
{
    return std::uint16_t(p[0] | (p[1] << 8));
}

std::uint32_t le32(const std::uint8_t *p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
        (std::uint32_t(p[3]) << 24);
}

// Reads up to `bytes` bytes, fewer only at the end of the device. A device error is a read
// error; running out of data is not (the caller decides what missing bytes mean).
std::int64_t readUpTo(QIODevice &device, void *buffer, std::int64_t bytes)
{
    auto *out = static_cast<char *>(buffer);
    std::int64_t done = 0;
    while (done < bytes) {
        const qint64 got = device.read(out + done, bytes - done);
        if (got < 0)
            throw AppError(kStreamReadError);
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

// A run-length stream: bytes handed out one at a time from chunks read off the device, never
// more than the stream's length.
class RunLengthStream
{
public:
    RunLengthStream(QIODevice &device, std::int64_t length)
        : m_device(device)
        , m_left(length)
        , m_buffer(std::size_t(std::min(length, kChunkBytes)))
    { }

    bool next(std::uint8_t &byte)
    {
        if (m_pos == m_end && !refill())
            return false;
        byte = m_buffer[m_pos++];
        return true;
    }

private:
    bool refill()
    {
        const std::int64_t want = std::min<std::int64_t>(m_left, std::int64_t(m_buffer.size()));
        if (want <= 0)
            return false;
        const std::int64_t got = readUpTo(m_device, m_buffer.data(), want);
        m_left = got < want ? 0 : m_left - got;
        m_pos = 0;
        m_end = std::size_t(got);
        return got > 0;
    }

    QIODevice &m_device;
    std::int64_t m_left;
    std::vector<std::uint8_t> m_buffer;
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
};

} // namespace

BmpReader::BmpReader(QIODevice &device)
    : m_device(device)
{ }

void BmpReader::readExactly(void *buffer, std::int64_t bytes, const char *errorText)
{
    if (readUpTo(m_device, buffer, bytes) != bytes)
        throw AppError(errorText);
}

// What the file and info headers say; the info header's bytes are kept for the masks that a
// header of 52 bytes or more holds.
struct BmpReader::Header
{
    std::int64_t pixelOffset = 0;
    std::uint32_t size = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
    int planes = 0;
    std::uint32_t colorsUsed = 0;
    std::uint32_t imageSize = 0;
    int entryBytes = 4; // of a colour-table entry
    std::uint8_t info[kHeaderWithMasks] = {};
};

void BmpReader::readHeaders()
{
    m_fileSize = m_device.size();
    if (!m_device.seek(0))
        throw AppError(kStreamReadError);
    if (m_fileSize == 0)
        return; // an empty file is an empty picture

    Header header = readInfoHeader();
    validate(header);
    std::int64_t position = readMasks(header);
    position = readColourTable(header, position);
    findPixelData(header, position);
}

BmpReader::Header BmpReader::readInfoHeader()
{
    Header header;
    std::uint8_t fileHeader[kFileHeaderBytes];
    readExactly(fileHeader, kFileHeaderBytes, kStreamReadError);
    if (fileHeader[0] != 'B' || fileHeader[1] != 'M')
        throw AppError(kBitmapNotValid);
    header.pixelOffset = le32(fileHeader + 10);

    // The info header: its size first, then as much of it as holds fields that are used.
    std::uint8_t *info = header.info;
    readExactly(info, 4, kBitmapNotValid);
    header.size = le32(info);
    if (header.size < kShortHeader || (header.size > kShortHeader && header.size < kLongHeader))
        throw AppError(kBitmapNotValid);
    if (kFileHeaderBytes + std::int64_t(header.size) > m_fileSize)
        throw AppError(kBitmapNotValid); // the file ends inside the info header
    readExactly(info + 4, std::min(header.size, kHeaderWithMasks) - 4, kBitmapNotValid);

    if (header.size == kShortHeader) {
        header.width = le16(info + 4);
        header.height = le16(info + 6);
        header.planes = le16(info + 8);
        m_bitsPerPixel = le16(info + 10);
        m_compression = kNone;
        header.entryBytes = 3;
    } else {
        header.width = std::int32_t(le32(info + 4));
        header.height = std::int32_t(le32(info + 8));
        header.planes = le16(info + 12);
        m_bitsPerPixel = le16(info + 14);
        m_compression = le32(info + 16);
        header.imageSize = le32(info + 20);
        header.colorsUsed = le32(info + 32);
    }
    return header;
}

void BmpReader::validate(Header &header)
{
    const int bits = m_bitsPerPixel;
    const bool knownDepth =
        bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    const bool knownCompression = (m_compression == kNone) ||
        (m_compression == kRle8 && bits == 8) || (m_compression == kRle4 && bits == 4) ||
        (m_compression == kBitFields && (bits == 16 || bits == 32) &&
            (header.size == kLongHeader || header.size >= kHeaderWithMasks));
    if (header.planes != 1 || header.width <= 0 || header.height == 0 || !knownDepth ||
        !knownCompression || header.colorsUsed > 256)
        throw AppError(kBitmapNotValid);
    m_topDown = header.height < 0;
    header.height = header.height < 0 ? -header.height : header.height;
    if (!FramedPictureFits(header.width, header.height))
        throw AppError(kOutOfResources);
}

std::int64_t BmpReader::readMasks(const Header &header)
{
    // Masks: red, green, blue; in the header from 52 bytes on, else right after it.
    std::int64_t position = kFileHeaderBytes + std::int64_t(header.size);
    if (!m_device.seek(position))
        throw AppError(kStreamReadError);
    m_bitFields = m_compression == kBitFields;
    if (m_bitFields) {
        std::uint8_t maskBytes[12];
        if (header.size == kLongHeader) {
            readExactly(maskBytes, 12, kStreamReadError);
            position += 12;
        } else {
            std::memcpy(maskBytes, header.info + 40, 12);
        }
        const std::uint32_t masks[3] = {le32(maskBytes + 8), le32(maskBytes + 4), le32(maskBytes)};
        prepareChannels(masks);
    } else if (m_bitsPerPixel == 16) {
        const std::uint32_t masks[3] = {0x001F, 0x03E0, 0x7C00}; // 5 bits each, top bit unused
        prepareChannels(masks);
    }
    return position;
}

std::int64_t BmpReader::readColourTable(const Header &header, std::int64_t position)
{
    // Deeper pictures may carry a table too, which is read and not used.
    const int bits = m_bitsPerPixel;
    const std::uint32_t entries =
        header.colorsUsed ? header.colorsUsed : (bits <= 8 ? 1u << bits : 0u);
    std::uint8_t table[256 * 4];
    readExactly(table, std::int64_t(entries) * header.entryBytes, kStreamReadError);
    position += std::int64_t(entries) * header.entryBytes;
    if (bits <= 8) {
        for (std::uint32_t i = 0; i < 256; ++i)
            std::memcpy(
                m_palette[i], table + (i < entries ? i : 0) * header.entryBytes, kBytesPerPixel);
        std::memcpy(m_zeroPixel, m_palette[0], kBytesPerPixel);
    }
    return position;
}

void BmpReader::findPixelData(const Header &header, std::int64_t tableEnd)
{
    // The pixel data starts at the file header's offset when that points past the colour table
    // and into the file, else right after the table.
    const std::int64_t offset = header.pixelOffset;
    m_dataStart = offset >= tableEnd && offset < m_fileSize ? offset : tableEnd;
    const std::int64_t held = std::max<std::int64_t>(m_fileSize - m_dataStart, 0);
    m_rowBytes = (std::int64_t(m_bitsPerPixel) * header.width + 31) / 32 * 4;
    if (m_compression == kRle8 || m_compression == kRle4)
        m_dataBytes = header.imageSize ? std::min<std::int64_t>(header.imageSize, held) : held;
    else
        m_dataBytes = std::min(m_rowBytes * header.height, held);
    m_width = int(header.width);
    m_height = int(header.height);
}

void BmpReader::prepareChannels(const std::uint32_t masks[3])
{
    for (int c = 0; c < 3; ++c) {
        Channel &channel = m_channels[c];
        channel.mask = masks[c];
        if (channel.mask == 0) {
            channel.shift = channel.drop = 0;
            channel.scale.assign(1, 0);
            continue;
        }
        channel.shift = std::countr_zero(channel.mask);
        std::uint32_t top = channel.mask >> channel.shift;
        channel.drop = std::max(0, int(std::bit_width(top)) - 16);
        top >>= channel.drop;
        // Each value scaled to 0..255 in proportion, rounded: 5 bits 31 -> 255, 16 -> 132.
        channel.scale.resize(std::size_t(top) + 1);
        for (std::uint32_t v = 0; v <= top; ++v)
            channel.scale[v] = std::uint8_t((std::uint64_t(v) * 255 + top / 2) / top);
    }
}

void BmpReader::convertRow(
    const std::uint8_t *source, std::int64_t available, std::uint8_t *row) const
{
    const int bits = m_bitsPerPixel;
    const int width = m_width;
    // Pixels whose bytes are all present; at most one more is partly present.
    int full = int(std::min<std::int64_t>(width, available * 8 / bits));
    switch (bits) {
    case 1:
        for (int x = 0; x < full; ++x)
            std::memcpy(row + kBytesPerPixel * x, m_palette[(source[x >> 3] >> (7 - (x & 7))) & 1],
                kBytesPerPixel);
        break;
    case 4:
        for (int x = 0; x < full; ++x)
            std::memcpy(row + kBytesPerPixel * x,
                m_palette[(source[x >> 1] >> ((x & 1) ? 0 : 4)) & 15], kBytesPerPixel);
        break;
    case 8:
        for (int x = 0; x < full; ++x)
            std::memcpy(row + kBytesPerPixel * x, m_palette[source[x]], kBytesPerPixel);
        break;
    case 16:
        for (int x = 0; x < full; ++x) {
            const std::uint32_t pixel = le16(source + 2 * x);
            row[kBytesPerPixel * x] = m_channels[0].of(pixel);
            row[kBytesPerPixel * x + 1] = m_channels[1].of(pixel);
            row[kBytesPerPixel * x + 2] = m_channels[2].of(pixel);
        }
        break;
    case 24:
        std::memcpy(row, source, std::size_t(full) * kBytesPerPixel);
        break;
    case 32:
        if (m_bitFields) {
            for (int x = 0; x < full; ++x) {
                const std::uint32_t pixel = le32(source + 4 * x);
                row[kBytesPerPixel * x] = m_channels[0].of(pixel);
                row[kBytesPerPixel * x + 1] = m_channels[1].of(pixel);
                row[kBytesPerPixel * x + 2] = m_channels[2].of(pixel);
            }
        } else {
            for (int x = 0; x < full; ++x)
                std::memcpy(row + kBytesPerPixel * x, source + 4 * x, kBytesPerPixel);
        }
        break;
    }
    const int pixelBytes = bits / 8;
    if (bits >= 16 && full < width && available > std::int64_t(full) * pixelBytes) {
        // A pixel cut by the end of the data: its missing bytes are 0.
        std::uint8_t padded[4] = {};
        std::memcpy(padded, source + full * pixelBytes, std::size_t(available - full * pixelBytes));
        const std::uint32_t pixel = le32(padded);
        std::uint8_t *out = row + kBytesPerPixel * full;
        if (bits == 24 || (bits == 32 && !m_bitFields)) {
            std::memcpy(out, padded, kBytesPerPixel);
        } else {
            for (int c = 0; c < 3; ++c)
                out[c] = m_channels[c].of(pixel);
        }
        ++full;
    }
    for (int x = full; x < width; ++x)
        std::memcpy(row + kBytesPerPixel * x, m_zeroPixel, kBytesPerPixel);
}

void BmpReader::readPixels(const PictureRowAt &rowAt)
{
    if (m_width == 0 || m_height == 0)
        return;
    if (!m_device.seek(m_dataStart))
        throw AppError(kStreamReadError);
    if (m_compression == kRle8 || m_compression == kRle4)
        readRunLength(rowAt);
    else
        readUncompressed(rowAt);
}

void BmpReader::readUncompressed(const PictureRowAt &rowAt)
{
    // Whole rows per chunk; the buffer never outgrows the bytes that the file holds.
    const std::int64_t chunkRows = std::max<std::int64_t>(1, kChunkBytes / m_rowBytes);
    std::vector<std::uint8_t> chunk(
        std::size_t(std::max<std::int64_t>(std::min(chunkRows * m_rowBytes, m_dataBytes), 1)));
    std::int64_t left = m_dataBytes;
    for (std::int64_t first = 0; first < m_height; first += chunkRows) {
        const std::int64_t rows = std::min(chunkRows, m_height - first);
        const std::int64_t want = std::min(rows * m_rowBytes, left);
        const std::int64_t got = want > 0 ? readUpTo(m_device, chunk.data(), want) : 0;
        left = got < want ? 0 : left - got;
        for (std::int64_t i = 0; i < rows; ++i) {
            const std::int64_t stored = first + i; // rows are stored bottom first unless top-down
            const int y = int(m_topDown ? stored : m_height - 1 - stored);
            const std::int64_t available =
                std::clamp<std::int64_t>(got - i * m_rowBytes, 0, m_rowBytes);
            const std::uint8_t *source = chunk.data() + (available ? i * m_rowBytes : 0);
            convertRow(source, available, rowAt(y));
        }
    }
}

void BmpReader::readRunLength(const PictureRowAt &rowAt)
{
    // Escapes after a 0 byte: 0 end of row, 1 end of picture, 2 delta (dx, dy), n >= 3 a run of
    // n literal pixels padded to an even byte count. Any other count n repeats the next byte's
    // pixel (RLE8) or its two nibbles in turn (RLE4). Everything is clipped to the picture;
    // pixels that the data never sets keep colour-table entry 0.
    const bool fourBit = m_compression == kRle4;
    for (int y = 0; y < m_height; ++y) {
        std::uint8_t *row = rowAt(y);
        for (int x = 0; x < m_width; ++x)
            std::memcpy(row + kBytesPerPixel * x, m_palette[0], kBytesPerPixel);
    }
    RunLengthStream stream(m_device, m_dataBytes);
    std::int64_t x = 0;
    std::int64_t line = 0; // rows from the first one stored
    std::uint8_t *row = nullptr;
    auto selectRow = [&] {
        row = line < m_height ? rowAt(int(m_topDown ? line : m_height - 1 - line)) : nullptr;
    };
    auto put = [&](int index) {
        if (x < m_width)
            std::memcpy(row + kBytesPerPixel * x++, m_palette[index], kBytesPerPixel);
    };
    selectRow();
    std::uint8_t count = 0;
    std::uint8_t value = 0;
    while (row && stream.next(count) && stream.next(value)) {
        if (count > 0) {
            for (int k = 0; k < count && x < m_width; ++k)
                put(fourBit ? ((k & 1) ? value & 15 : value >> 4) : value);
            continue;
        }
        if (value == 0) { // end of row
            x = 0;
            ++line;
            selectRow();
        } else if (value == 1) { // end of picture
            break;
        } else if (value == 2) { // delta
            std::uint8_t dx = 0;
            std::uint8_t dy = 0;
            if (!stream.next(dx) || !stream.next(dy))
                break;
            x = std::min<std::int64_t>(x + dx, m_width);
            if (dy) {
                line += dy;
                selectRow();
            }
        } else { // literal run
            const int pixels = value;
            const int bytes = fourBit ? (pixels + 1) / 2 : pixels;
            bool complete = true;
            std::uint8_t byte = 0;
            for (int k = 0; k < pixels && complete; ++k) {
                if (!fourBit || (k & 1) == 0)
                    complete = stream.next(byte);
                if (complete)
                    put(fourBit ? ((k & 1) ? byte & 15 : byte >> 4) : byte);
            }
            if (!complete || ((bytes & 1) && !stream.next(byte)))
                break;
        }
    }
}
