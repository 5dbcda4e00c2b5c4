// The headless command's JSON reports, written as they go: each one compact object on one line,
// in exactly the bytes QJsonDocument::toJson(Compact) gives for the same object (keys in
// ascending order, numbers and strings as Qt writes them), without building the document.
#pragma once

#include "cli/ReportOut.h"
#include "recognition/Ink.h"
#include "recognition/Method.h"
#include "recognition/Numbers.h"
#include "recognition/RegionResult.h"

#include <QString>

#include <cstdint>
#include <string_view>
#include <vector>

// Compact JSON, token by token, into a ReportOut. The members of an object must come in
// ascending key order, as QJsonObject keeps them; a key out of order throws std::logic_error.
class JsonWriter
{
public:
    explicit JsonWriter(ReportOut &out)
        : m_out(out)
    { }

    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    void key(std::string_view name); // plain ASCII names that outlive their object
    void value(std::int64_t number);
    void value(double number); // as QJsonValue(number) prints
    void value(const QString &text);
    void value(std::string_view utf8); // UTF-8 text, as QString::fromUtf8 reads it
    void null();
    // A whole value already written in compact JSON, in the place of the next value.
    void raw(std::string_view json);

private:
    void separate(); // the comma before a member or element that is not the first

    struct Level
    {
        bool first = true;
        std::string_view lastKey; // objects: the previous key, for the order check
    };
    ReportOut &m_out;
    std::vector<Level> m_levels;
    bool m_afterKey = false;
};

// The report of one picture and its line break:
//   {"file","glyphs":[...],"height","ink","method",
//    "numbers":[{"glyphs","height","regions","text","width","x","y"}...],"regions":[...],"width"}
// A region has box, count, digit, region, x and y; with turns a region with a digit adds codes,
// mismatches and signature; with learned a traced region adds codes and confidence (3
// decimals, null for a speck the network did not look at), and a region that is part of any
// glyph the glyphs' numbers. Only the learned method has glyphs, each with box, confidence,
// digit, glyph (its number, from 1), kind ("single", "assembled", "cut"), regions, x and y (its
// first pixel), and its numbers list their glyphs. "ink" names the rule that decided which
// pixels are ink ("fixed" or "auto"); it is always there with the learned method, and with
// turns only when the rule is auto, so that the turns method's report by default is as it was.
void WriteJsonReport(ReportOut &out, const QString &picture, Method method, InkRule ink, int width,
    int height, const std::vector<RegionResult> &results, const std::vector<Glyph> &glyphs,
    const std::vector<Number> &numbers);

// What a report held in memory costs per region at most, for a caller that must hold one back
// (a picture's report waiting for the pictures before it): a region's object is up to about 250
// bytes, its growing buffer may be twice that, and the report handed over is a copy of it.
inline constexpr std::int64_t kHeldJsonBytesPerRegion = 768;

// {"error","file"} and a line break: a picture that could not be recognised.
void WriteJsonFailure(ReportOut &out, const QString &picture, const QString &message);
