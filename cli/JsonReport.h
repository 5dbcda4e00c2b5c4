// The headless command's JSON report, written as it goes: one compact object on one line, in
// the bytes QJsonDocument::toJson(Compact) gives for the same object (keys in ascending order,
// integers in decimal, strings escaped as Qt escapes them), without building the document.
// The writer owns a small buffer and hands it to the stream whenever it fills.
#pragma once

#include "Recogniser.h"

#include <QStringView>

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// Compact JSON, emitted token by token. Keys of one object must come in ascending order, as
// QJsonObject keeps them; a key out of order throws std::logic_error.
class JsonWriter
{
public:
    // Writes to out, or keeps everything in text() when out is null.
    explicit JsonWriter(std::FILE *out);
    ~JsonWriter();
    JsonWriter(const JsonWriter &) = delete;
    JsonWriter &operator=(const JsonWriter &) = delete;

    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    void key(std::string_view name); // ASCII names only
    void value(std::int64_t number);
    void value(QStringView text);
    void value(std::string_view utf8); // UTF-8 text, as QString::fromUtf8 reads it
    void null();
    void raw(std::string_view bytes); // appended as is, e.g. the closing line break

    // Hands what is buffered to the stream; false when the stream reports a failure.
    bool flush();
    const std::string &text() const { return m_buffer; }

private:
    void separate(); // the comma before a member or element that is not the first
    void reserveOrFlush();

    struct Level
    {
        bool first = true;
        std::string lastKey; // objects: the previous key, for the order check
    };
    std::FILE *m_out;
    std::string m_buffer;
    std::vector<Level> m_levels;
    bool m_afterKey = false;
};

// Writes the whole report: {"file", "height", "regions": [...], "width"} and a line break.
// Region members, in their order: codes, count, digit, region, signature, x, y (digit null and
// no signature or codes for a region without a digit).
void WriteJsonReport(JsonWriter &writer, const QString &picture, int width, int height,
    const std::vector<RegionResult> &results);
