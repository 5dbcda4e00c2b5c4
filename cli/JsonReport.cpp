#include "JsonReport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QString>

#include <charconv>
#include <stdexcept>

namespace {

// The buffer is handed to the stream once it holds this much.
constexpr std::size_t kFlushAt = 1 << 16;

// Text that Qt writes unchanged between the quotes: printable ASCII and DEL, without the quote
// and the backslash. Everything else (control characters, non-ASCII, unpaired surrogates) is
// left to Qt's own writer, so that the bytes are Qt's by construction.
bool writtenAsIs(char16_t c)
{
    return c >= 0x20 && c < 0x80 && c != u'"' && c != u'\\';
}

// The quoted string as QJsonDocument writes it: an array of one string, without the brackets.
QByteArray quotedByQt(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray {text}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

} // namespace

JsonWriter::JsonWriter(std::FILE *out)
    : m_out(out)
{
    m_buffer.reserve(out ? kFlushAt + 256 : 256);
}

JsonWriter::~JsonWriter()
{
    flush();
}

bool JsonWriter::flush()
{
    if (!m_out)
        return true;
    const bool written = std::fwrite(m_buffer.data(), 1, m_buffer.size(), m_out) == m_buffer.size();
    m_buffer.clear();
    return written && std::fflush(m_out) == 0;
}

void JsonWriter::reserveOrFlush()
{
    if (m_out && m_buffer.size() >= kFlushAt) {
        std::fwrite(m_buffer.data(), 1, m_buffer.size(), m_out);
        m_buffer.clear();
    }
}

void JsonWriter::separate()
{
    reserveOrFlush();
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (m_levels.empty())
        return;
    if (!m_levels.back().first)
        m_buffer += ',';
    m_levels.back().first = false;
}

void JsonWriter::beginObject()
{
    separate();
    m_buffer += '{';
    m_levels.emplace_back();
}

void JsonWriter::endObject()
{
    m_levels.pop_back();
    m_buffer += '}';
}

void JsonWriter::beginArray()
{
    separate();
    m_buffer += '[';
    m_levels.emplace_back();
}

void JsonWriter::endArray()
{
    m_levels.pop_back();
    m_buffer += ']';
}

void JsonWriter::key(std::string_view name)
{
    Level &level = m_levels.back();
    if (!level.first && name <= level.lastKey)
        throw std::logic_error("JSON keys out of order: " + std::string(name));
    level.lastKey.assign(name);
    separate();
    m_buffer += '"';
    m_buffer += name;
    m_buffer += "\":";
    m_afterKey = true;
}

void JsonWriter::value(std::int64_t number)
{
    separate();
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    m_buffer.append(digits, end);
}

void JsonWriter::value(QStringView text)
{
    separate();
    for (const QChar c : text) {
        if (!writtenAsIs(c.unicode())) {
            const QByteArray quoted = quotedByQt(text.toString());
            m_buffer.append(quoted.constData(), std::size_t(quoted.size()));
            return;
        }
    }
    m_buffer += '"';
    for (const QChar c : text)
        m_buffer += char(c.unicode());
    m_buffer += '"';
}

void JsonWriter::value(std::string_view utf8)
{
    separate();
    for (const char c : utf8) {
        if (!writtenAsIs(static_cast<unsigned char>(c))) {
            const QByteArray quoted =
                quotedByQt(QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
            m_buffer.append(quoted.constData(), std::size_t(quoted.size()));
            return;
        }
    }
    m_buffer += '"';
    m_buffer += utf8;
    m_buffer += '"';
}

void JsonWriter::null()
{
    separate();
    m_buffer += "null";
}

void JsonWriter::raw(std::string_view bytes)
{
    m_buffer += bytes;
}

namespace {

// Members in ascending key order. Keys other kinds of result may add fall in between: box
// before codes, confidence between codes and count, method and mismatches between digit and
// region.
void writeRegion(JsonWriter &writer, const RegionResult &result)
{
    writer.beginObject();
    if (result.hasDigit()) {
        writer.key("codes");
        writer.value(std::int64_t(result.codes));
    }
    writer.key("count");
    writer.value(std::int64_t(result.count));
    writer.key("digit");
    if (result.hasDigit())
        writer.value(std::string_view(&result.digit, 1));
    else
        writer.null();
    writer.key("region");
    writer.value(std::int64_t(result.region));
    if (result.hasDigit()) {
        writer.key("signature");
        writer.value(std::string_view(result.signature));
    }
    writer.key("x");
    writer.value(std::int64_t(result.start.x));
    writer.key("y");
    writer.value(std::int64_t(result.start.y));
    writer.endObject();
}

} // namespace

// Document members in ascending key order; "numbers" would fall between height and regions.
void WriteJsonReport(JsonWriter &writer, const QString &picture, int width, int height,
    const std::vector<RegionResult> &results)
{
    writer.beginObject();
    writer.key("file");
    writer.value(QStringView(picture));
    writer.key("height");
    writer.value(std::int64_t(height));
    writer.key("regions");
    writer.beginArray();
    for (const RegionResult &result : results)
        writeRegion(writer, result);
    writer.endArray();
    writer.key("width");
    writer.value(std::int64_t(width));
    writer.endObject();
    writer.raw("\n");
}
