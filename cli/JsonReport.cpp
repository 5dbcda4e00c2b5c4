#include "cli/JsonReport.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <charconv>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <string>

namespace {

// What Qt writes unchanged between the quotes: printable ASCII and DEL, without the quote and
// the backslash. Anything else (control characters, non-ASCII, unpaired surrogates) is left to
// Qt's own writer, so that those bytes are Qt's by construction.
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

void JsonWriter::separate()
{
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (m_levels.empty())
        return;
    if (!m_levels.back().first)
        m_out.append(',');
    m_levels.back().first = false;
}

void JsonWriter::beginObject()
{
    separate();
    m_out.append('{');
    m_levels.emplace_back();
}

void JsonWriter::endObject()
{
    m_levels.pop_back();
    m_out.append('}');
}

void JsonWriter::beginArray()
{
    separate();
    m_out.append('[');
    m_levels.emplace_back();
}

void JsonWriter::endArray()
{
    m_levels.pop_back();
    m_out.append(']');
}

void JsonWriter::key(std::string_view name)
{
    Level &level = m_levels.back();
    if (!level.first && name <= level.lastKey)
        throw std::logic_error("JSON keys out of order: " + std::string(name));
    level.lastKey = name;
    separate();
    m_out.append('"');
    m_out.append(name);
    m_out.append(std::string_view("\":"));
    m_afterKey = true;
}

void JsonWriter::value(std::int64_t number)
{
    separate();
    char digits[24];
    const char *end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    m_out.append(std::string_view(digits, std::size_t(end - digits)));
}

// QJsonValue keeps a whole number of magnitude up to 2^53 as an integer and prints it in
// decimal; any other finite double is printed with the fewest digits that read back as the
// same double, in fixed or exponent notation, whichever is shorter ("1e+16", "0.001",
// "18014398509481984"); infinities and NaN become null.
void JsonWriter::value(double number)
{
    if (!std::isfinite(number)) {
        null();
        return;
    }
    separate();
    const double magnitude = std::abs(number);
    const bool integer = magnitude <= 0x1p53 && std::trunc(magnitude) == magnitude;
    m_out.append(QByteArray::number(number, integer ? 'f' : 'g', QLocale::FloatingPointShortest));
}

void JsonWriter::value(const QString &text)
{
    separate();
    for (const QChar c : text) {
        if (!writtenAsIs(c.unicode())) {
            m_out.append(quotedByQt(text));
            return;
        }
    }
    m_out.append('"');
    for (const QChar c : text)
        m_out.append(char(c.unicode()));
    m_out.append('"');
}

void JsonWriter::value(std::string_view utf8)
{
    for (const char c : utf8) {
        if (!writtenAsIs(static_cast<unsigned char>(c))) {
            value(QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
            return;
        }
    }
    separate();
    m_out.append('"');
    m_out.append(utf8);
    m_out.append('"');
}

void JsonWriter::raw(std::string_view json)
{
    separate();
    m_out.append(json);
}

void JsonWriter::null()
{
    separate();
    m_out.append(std::string_view("null"));
}

namespace {

void writeBox(JsonWriter &json, const Box &box)
{
    json.beginArray();
    for (const std::int32_t side : {box.x, box.y, box.width, box.height})
        json.value(std::int64_t(side));
    json.endArray();
}

void writeDigit(JsonWriter &json, const RegionResult &result)
{
    json.key("digit");
    if (result.hasDigit())
        json.value(std::string_view(&result.digit, 1));
    else
        json.null();
}

// A probability to 3 decimals, or null when the network did not look at the region.
void writeConfidence(JsonWriter &json, float confidence)
{
    json.key("confidence");
    if (confidence < 0)
        json.null();
    else
        json.value(std::round(double(confidence) * 1000.0) / 1000.0);
}

// The glyphs a region is part of, from the cursor on in the (region, glyph) pairs; the cursor
// moves past them.
void writeMemberships(JsonWriter &json, int region,
    const std::vector<std::pair<int, int>> &memberships, std::size_t &cursor)
{
    while (cursor < memberships.size() && memberships[cursor].first < region)
        ++cursor;
    if (cursor == memberships.size() || memberships[cursor].first != region)
        return;
    json.key("glyphs");
    json.beginArray();
    for (; cursor < memberships.size() && memberships[cursor].first == region; ++cursor)
        json.value(std::int64_t(memberships[cursor].second));
    json.endArray();
}

// A region of the turns method, whose digit is printable ASCII that JSON keeps as it is, in one
// piece: the members in ascending key order, in exactly the bytes that writing them one by
// one gives, put together on the stack. A speckled page has hundreds of thousands of them.
bool writeTurnsRegion(JsonWriter &json, const RegionResult &result)
{
    if (result.hasDigit() && !writtenAsIs(static_cast<unsigned char>(result.digit)))
        return false;
    // A region takes at most about 250 bytes; more would be a fault of this function.
    struct Piece
    {
        char text[512];
        std::size_t size = 0;
        void put(std::string_view bytes)
        {
            if (bytes.size() > sizeof text - size)
                throw std::logic_error("a region's JSON outgrew its buffer");
            std::memcpy(text + size, bytes.data(), bytes.size());
            size += bytes.size();
        }
        void number(std::int64_t value)
        {
            char digits[24];
            put(std::string_view(digits,
                std::size_t(std::to_chars(digits, digits + sizeof digits, value).ptr - digits)));
        }
    } piece;
    piece.put("{\"box\":[");
    piece.number(result.box.x);
    piece.put(",");
    piece.number(result.box.y);
    piece.put(",");
    piece.number(result.box.width);
    piece.put(",");
    piece.number(result.box.height);
    piece.put("]");
    if (result.hasDigit()) {
        piece.put(",\"codes\":");
        piece.number(std::int64_t(result.codes));
    }
    piece.put(",\"count\":");
    piece.number(result.count);
    if (result.hasDigit()) {
        piece.put(",\"digit\":\"");
        piece.put(std::string_view(&result.digit, 1));
        piece.put("\",\"mismatches\":");
        piece.number(result.mismatches);
    } else {
        piece.put(",\"digit\":null");
    }
    piece.put(",\"region\":");
    piece.number(result.region);
    if (result.hasDigit()) {
        piece.put(",\"signature\":\"");
        char signature[kSignatureLength];
        piece.put(std::string_view(signature, result.signature.write(signature)));
        piece.put("\"");
    }
    piece.put(",\"x\":");
    piece.number(result.start.x);
    piece.put(",\"y\":");
    piece.number(result.start.y);
    piece.put("}");
    json.raw(std::string_view(piece.text, piece.size));
    return true;
}

// Members in ascending key order, each kind of region with its own.
void writeRegion(JsonWriter &json, const RegionResult &result, Method method,
    const std::vector<std::pair<int, int>> &memberships, std::size_t &cursor)
{
    // The network reads a traced region's pixels: no signature, and a region it declines
    // keeps its confidence beside a null digit. Turn matching reports its signature and
    // mismatches with the digit it gives.
    const bool learned = method == Method::Learned;
    if (!learned && memberships.empty() && writeTurnsRegion(json, result))
        return;
    const bool learnedTraced = learned && result.traced;
    const bool matched = !learned && result.hasDigit();
    json.beginObject();
    json.key("box");
    writeBox(json, result.box);
    if (learnedTraced || matched) {
        json.key("codes");
        json.value(std::int64_t(result.codes));
    }
    if (learnedTraced)
        writeConfidence(json, result.confidence);
    json.key("count");
    json.value(std::int64_t(result.count));
    writeDigit(json, result);
    writeMemberships(json, result.region, memberships, cursor);
    if (matched) {
        json.key("mismatches");
        json.value(std::int64_t(result.mismatches));
    }
    json.key("region");
    json.value(std::int64_t(result.region));
    if (matched) {
        json.key("signature");
        char signature[kSignatureLength];
        json.value(std::string_view(signature, result.signature.write(signature)));
    }
    json.key("x");
    json.value(std::int64_t(result.start.x));
    json.key("y");
    json.value(std::int64_t(result.start.y));
    json.endObject();
}

void writeIntegers(JsonWriter &json, std::string_view key, const std::vector<int> &values)
{
    json.key(key);
    json.beginArray();
    for (const int value : values)
        json.value(std::int64_t(value));
    json.endArray();
}

void writeNumber(JsonWriter &json, const Number &number, Method method)
{
    json.beginObject();
    if (method == Method::Learned)
        writeIntegers(json, "glyphs", number.glyphs);
    json.key("height");
    json.value(std::int64_t(number.box.height));
    writeIntegers(json, "regions", number.regions);
    json.key("text");
    json.value(std::string_view(number.text));
    json.key("width");
    json.value(std::int64_t(number.box.width));
    json.key("x");
    json.value(std::int64_t(number.box.x));
    json.key("y");
    json.value(std::int64_t(number.box.y));
    json.endObject();
}

void writeGlyph(JsonWriter &json, const Glyph &glyph, std::size_t number)
{
    json.beginObject();
    json.key("box");
    writeBox(json, glyph.box);
    writeConfidence(json, glyph.confidence);
    json.key("digit");
    json.value(std::string_view(&glyph.digit, 1));
    json.key("glyph");
    json.value(std::int64_t(number));
    json.key("kind");
    json.value(GlyphKindName(glyph.kind));
    writeIntegers(json, "regions", glyph.regions);
    json.key("x");
    json.value(std::int64_t(glyph.start.x));
    json.key("y");
    json.value(std::int64_t(glyph.start.y));
    json.endObject();
}

} // namespace

void WriteJsonReport(ReportOut &out, const QString &picture, Method method, InkRule ink, int width,
    int height, const std::vector<RegionResult> &results, const std::vector<Glyph> &glyphs,
    const std::vector<Number> &numbers)
{
    const bool learned = method == Method::Learned;
    JsonWriter json(out);
    json.beginObject();
    json.key("file");
    json.value(picture);
    if (learned) {
        json.key("glyphs");
        json.beginArray();
        for (std::size_t g = 0; g < glyphs.size(); ++g)
            writeGlyph(json, glyphs[g], g + 1);
        json.endArray();
    }
    json.key("height");
    json.value(std::int64_t(height));
    if (learned || ink != InkRule::Fixed) {
        json.key("ink");
        json.value(InkRuleName(ink));
    }
    json.key("method");
    json.value(MethodName(method));
    json.key("numbers");
    json.beginArray();
    for (const Number &number : numbers)
        writeNumber(json, number, method);
    json.endArray();
    json.key("regions");
    json.beginArray();
    const std::vector<std::pair<int, int>> memberships = GlyphsByRegion(glyphs);
    std::size_t cursor = 0;
    for (const RegionResult &result : results)
        writeRegion(json, result, method, memberships, cursor);
    json.endArray();
    json.key("width");
    json.value(std::int64_t(width));
    json.endObject();
    out.append('\n');
}

void WriteJsonFailure(ReportOut &out, const QString &picture, const QString &message)
{
    JsonWriter json(out);
    json.beginObject();
    json.key("error");
    json.value(message);
    json.key("file");
    json.value(picture);
    json.endObject();
    out.append('\n');
}
