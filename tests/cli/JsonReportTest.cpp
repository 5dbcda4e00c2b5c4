#include "cli/JsonReport.h"
#include "picture/LoadPicture.h"
#include "recognition/ReadPicture.h"
#include "tests/support/AsciiRaster.h"
#include "tests/support/Fixtures.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <stdexcept>

namespace {

// --- The report as QJsonDocument builds it: the bytes the streamed one must equal ------------

QJsonArray integers(const std::vector<int> &values)
{
    QJsonArray array;
    for (const int value : values)
        array.append(value);
    return array;
}

QJsonValue confidenceValue(float confidence)
{
    return confidence < 0 ? QJsonValue(QJsonValue::Null)
                          : QJsonValue(std::round(double(confidence) * 1000.0) / 1000.0);
}

QJsonObject documentRegion(
    const RegionResult &result, bool learned, const std::vector<Glyph> &glyphs)
{
    QJsonObject region {
        {QStringLiteral("region"), result.region},
        {QStringLiteral("x"), result.start.x},
        {QStringLiteral("y"), result.start.y},
        {QStringLiteral("count"), result.count},
        {QStringLiteral("box"),
            QJsonArray {result.box.x, result.box.y, result.box.width, result.box.height}},
    };
    if (learned && result.traced) {
        region.insert(QStringLiteral("digit"),
            result.hasDigit() ? QJsonValue(QString(QChar::fromLatin1(result.digit)))
                              : QJsonValue(QJsonValue::Null));
        region.insert(QStringLiteral("codes"), qint64(result.codes));
        region.insert(QStringLiteral("confidence"), confidenceValue(result.confidence));
    }
    if (learned) {
        std::vector<int> memberOf;
        for (std::size_t g = 0; g < glyphs.size(); ++g) {
            const std::vector<int> &regions = glyphs[g].regions;
            if (std::find(regions.begin(), regions.end(), result.region) != regions.end())
                memberOf.push_back(int(g + 1));
        }
        if (!memberOf.empty())
            region.insert(QStringLiteral("glyphs"), integers(memberOf));
        if (result.traced)
            return region;
    }
    if (!result.hasDigit()) {
        region.insert(QStringLiteral("digit"), QJsonValue::Null);
        return region;
    }
    region.insert(QStringLiteral("digit"), QString(QChar::fromLatin1(result.digit)));
    region.insert(QStringLiteral("signature"), QString::fromStdString(result.signature.text()));
    region.insert(QStringLiteral("codes"), qint64(result.codes));
    region.insert(QStringLiteral("mismatches"), result.mismatches);
    return region;
}

QByteArray documentReport(const QString &picture, bool learned, int width, int height,
    const std::vector<RegionResult> &results, const std::vector<Glyph> &glyphs,
    const std::vector<Number> &numbers)
{
    QJsonArray regions;
    for (const RegionResult &result : results)
        regions.append(documentRegion(result, learned, glyphs));
    QJsonArray numberArray;
    for (const Number &number : numbers) {
        QJsonObject object {
            {QStringLiteral("text"), QString::fromStdString(number.text)},
            {QStringLiteral("x"), number.box.x},
            {QStringLiteral("y"), number.box.y},
            {QStringLiteral("width"), number.box.width},
            {QStringLiteral("height"), number.box.height},
            {QStringLiteral("regions"), integers(number.regions)},
        };
        if (learned)
            object.insert(QStringLiteral("glyphs"), integers(number.glyphs));
        numberArray.append(object);
    }
    QJsonArray glyphArray;
    for (std::size_t g = 0; g < glyphs.size(); ++g) {
        const Glyph &glyph = glyphs[g];
        glyphArray.append(QJsonObject {
            {QStringLiteral("glyph"), int(g + 1)},
            {QStringLiteral("digit"), QString(QChar::fromLatin1(glyph.digit))},
            {QStringLiteral("confidence"), confidenceValue(glyph.confidence)},
            {QStringLiteral("box"),
                QJsonArray {glyph.box.x, glyph.box.y, glyph.box.width, glyph.box.height}},
            {QStringLiteral("x"), glyph.start.x},
            {QStringLiteral("y"), glyph.start.y},
            {QStringLiteral("kind"),
                QString::fromLatin1(
                    GlyphKindName(glyph.kind).data(), qsizetype(GlyphKindName(glyph.kind).size()))},
            {QStringLiteral("regions"), integers(glyph.regions)},
        });
    }
    QJsonObject document {
        {QStringLiteral("file"), picture},
        {QStringLiteral("method"), learned ? "learned" : "turns"},
        {QStringLiteral("width"), width},
        {QStringLiteral("height"), height},
        {QStringLiteral("regions"), regions},
        {QStringLiteral("numbers"), numberArray},
    };
    if (learned) {
        document.insert(QStringLiteral("glyphs"), glyphArray);
        document.insert(QStringLiteral("ink"), QStringLiteral("auto"));
    }
    return QJsonDocument(document).toJson(QJsonDocument::Compact) + '\n';
}

Method methodOf(bool learned)
{
    return learned ? Method::Learned : Method::Turns;
}

// Each method's own rule.
InkRule inkOf(bool learned)
{
    return learned ? InkRule::Auto : InkRule::Fixed;
}

QByteArray streamedReport(const QString &picture, bool learned, int width, int height,
    const std::vector<RegionResult> &results, const std::vector<Glyph> &glyphs,
    const std::vector<Number> &numbers)
{
    ReportOut out;
    WriteJsonReport(
        out, picture, methodOf(learned), inkOf(learned), width, height, results, glyphs, numbers);
    return out.bytes();
}

// --- Inputs that would catch a byte out of place ----------------------------------------------

// Plain ASCII mixed with what JSON escapes or Qt encodes: quotes, backslashes, control
// characters, DEL, Latin-1, Cyrillic, a surrogate pair, unpaired surrogates, U+FFFF.
QString nastyName(std::mt19937 &random)
{
    static const char16_t pieces[] = {u'a', u'Z', u'/', u' ', u'"', u'\\', 0x00, 0x01, u'\b', u'\f',
        u'\n', u'\r', u'\t', 0x1f, 0x7f, 0x80, 0xe9, 0x43f, 0x2028, 0xd83d, 0xde00, 0xfffd, 0xffff};
    QString name;
    for (int length = int(random() % 12); length > 0; --length)
        name += QChar(pieces[random() % std::size(pieces)]);
    return name;
}

// Confidences as the network gives them, and the edges of the rounding to 3 decimals.
float randomConfidence(std::mt19937 &random)
{
    static const float edges[] = {-1.0f, 0.0f, 1.0f, 0.0005f, 0.9995f, 0.1235f, 1e-7f};
    if (random() % 3 == 0)
        return edges[random() % std::size(edges)];
    return std::uniform_real_distribution<float>(0.0f, 1.0f)(random);
}

std::vector<RegionResult> randomResults(std::mt19937 &random, bool learned)
{
    std::vector<RegionResult> results(random() % 6);
    int region = 0;
    for (RegionResult &result : results) {
        // Ascending region numbers, as a pass gives them.
        result.region = region += 1 + int(random() % 200'000);
        result.start = {int(random() % 70'000), int(random() % 70'000)};
        result.count = std::int32_t(random() >> 1);
        result.box = {int(random() % 70'000), int(random() % 70'000), int(random() % 900),
            int(random() % 900)};
        result.traced = random() % 4 != 0;
        if (!result.traced)
            continue;
        result.codes = random();
        if (random() % 3 != 0)
            result.digit = char('0' + random() % 10);
        // Now and then a digit that JSON must escape, and a box left of or above the raster.
        if (random() % 50 == 0)
            result.digit = "\"\\\x07\x7f"[random() % 4];
        if (random() % 20 == 0)
            result.box.x = -result.box.x, result.start.y = -result.start.y;
        if (learned) {
            result.confidence = randomConfidence(random);
        } else if (result.hasDigit()) {
            result.mismatches = int(random() % 101);
            std::string signature;
            for (int i = 0; i < 100; ++i)
                signature += random() % 2 ? 'L' : 'R';
            result.signature = PackedSignature(signature);
        }
    }
    return results;
}

// Glyphs over the results' regions, some of them sharing a region (a cut one).
std::vector<Glyph> randomGlyphs(std::mt19937 &random, const std::vector<RegionResult> &results)
{
    std::vector<Glyph> glyphs(results.empty() ? 0 : random() % 4);
    for (Glyph &glyph : glyphs) {
        glyph.digit = char('0' + random() % 10);
        glyph.confidence = std::max(0.0f, randomConfidence(random));
        glyph.box = {int(random() % 70'000), int(random() % 70'000), int(random() % 900),
            int(random() % 900)};
        glyph.start = {int(random() % 70'000), int(random() % 70'000)};
        glyph.kind = Glyph::Kind(random() % 3);
        for (int n = 1 + int(random() % 3); n > 0; --n)
            glyph.regions.push_back(results[random() % results.size()].region);
        std::sort(glyph.regions.begin(), glyph.regions.end());
        glyph.regions.erase(
            std::unique(glyph.regions.begin(), glyph.regions.end()), glyph.regions.end());
    }
    return glyphs;
}

std::vector<Number> randomNumbers(std::mt19937 &random)
{
    std::vector<Number> numbers(random() % 3);
    for (Number &number : numbers) {
        for (int digits = 1 + int(random() % 4); digits > 0; --digits) {
            number.text += char('0' + random() % 10);
            number.regions.push_back(int(random() % 100'000));
            number.glyphs.push_back(int(random() % 100));
        }
        number.box = {
            int(random() % 5000), int(random() % 5000), int(random() % 500), int(random() % 500)};
    }
    return numbers;
}

// Doubles of every kind: whole numbers in and beyond the 64-bit range, powers of ten where the
// notation changes, subnormals, negative zero, infinities, NaN and random bit patterns.
double nastyDouble(std::mt19937_64 &random)
{
    static const double edges[] = {0.0, -0.0, 1.0, -1.0, 0.1, 0.001, 1e-5, 1e-7, 1e15, 1e16, 1e17,
        1e21, 0x1p53, 0x1p53 + 2, 0x1p63, 0x1p64, 0x1p64 * 2, -0x1p64, 123456789012345678.0, 0.998,
        1.0 / 3, std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::max(),
        std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
        std::numeric_limits<double>::quiet_NaN()};
    switch (random() % 4) {
    case 0:
        return edges[random() % std::size(edges)];
    case 1:
        return double(std::int64_t(random()) >> (random() % 64));
    case 2:
        return std::ldexp(double(random() % 100'000), int(random() % 80) - 40);
    default: {
        const std::uint64_t bits = random();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    }
}

// What reading a picture gives, with either method.
Reading read(PictureStore &store, bool learned)
{
    RecognitionState state;
    NoProgress progress;
    ReadingOptions options;
    options.method = methodOf(learned);
    options.threads = 1;
    return ReadPicture(store.workRaster, store.rowTable, state, progress, options);
}

} // namespace

TEST(JsonReport, streamedBytesEqualTheDocumentsOnRandomResultsAndNastyNames)
{
    std::mt19937 random(12);
    for (int round = 0; round < 3000; ++round) {
        const bool learned = round % 2 == 1;
        const QString picture = nastyName(random);
        const std::vector<RegionResult> results = randomResults(random, learned);
        const std::vector<Glyph> glyphs =
            learned ? randomGlyphs(random, results) : std::vector<Glyph>();
        const std::vector<Number> numbers = randomNumbers(random);
        const int width = int(random() % 100'000), height = int(random() % 100'000);
        ASSERT_EQ(streamedReport(picture, learned, width, height, results, glyphs, numbers),
            documentReport(picture, learned, width, height, results, glyphs, numbers))
            << "round " << round;

        const QString message = nastyName(random);
        ReportOut failure;
        WriteJsonFailure(failure, picture, message);
        ASSERT_EQ(failure.bytes(),
            QJsonDocument(
                QJsonObject {{QStringLiteral("file"), picture}, {QStringLiteral("error"), message}})
                    .toJson(QJsonDocument::Compact) +
                '\n')
            << "round " << round;
    }
}

TEST(JsonReport, doublesArePrintedAsQJsonDocumentPrintsThem)
{
    std::mt19937_64 random(5);
    for (int round = 0; round < 20'000; ++round) {
        const double number = nastyDouble(random);
        ReportOut out;
        JsonWriter json(out);
        json.beginArray();
        json.value(number);
        json.endArray();
        ASSERT_EQ(out.bytes(), QJsonDocument(QJsonArray {number}).toJson(QJsonDocument::Compact))
            << "bits of " << number << ": " << std::hexfloat << number;
    }
}

// Real passes, so that real confidences, signatures and numbers occur; the noise pages give
// reports far longer than the buffer, written through a file as the command writes them.
TEST(JsonReport, passesOnTheSamplesAndRandomPagesGiveTheDocumentsBytesThroughAFile)
{
    std::vector<QString> pictures;
    for (const QString &name : QDir(QStringLiteral(UMNOGLAZ_SAMPLES))
                                   .entryList({QStringLiteral("*.bmp"), QStringLiteral("*.jpg")}))
        pictures.push_back(QStringLiteral(UMNOGLAZ_SAMPLES "/") + name);
    ASSERT_GE(pictures.size(), 3u);
    std::mt19937 random(3);
    for (int page = 0; page < 4; ++page)
        pictures.push_back(QStringLiteral("noise %1").arg(page));

    for (const QString &picture : pictures) {
        for (const bool learned : {false, true}) {
            SCOPED_TRACE(picture.toStdString() + (learned ? " learned" : " turns"));
            PictureStore store;
            CreatePictureStore(store);
            if (picture.startsWith(QStringLiteral("noise")))
                drawAscii(store.workRaster, store.rowTable,
                    randomPicture(random, 300 + int(random() % 200), 200, 20 + int(random() % 30)));
            else
                LoadPicture(picture, store.workRaster, store.rowTable);
            const Reading reading = read(store, learned);
            const std::vector<RegionResult> &results = reading.results;
            const std::vector<Number> &numbers = reading.numbers;
            const int width = store.workRaster.width(), height = store.workRaster.height();

            std::FILE *file = std::tmpfile();
            ASSERT_NE(file, nullptr);
            {
                ReportOut out(file);
                WriteJsonReport(out, picture, methodOf(learned), reading.ink, width, height,
                    results, reading.glyphs, numbers);
                EXPECT_TRUE(out.flush());
            }
            QByteArray written(qsizetype(std::ftell(file)), '\0');
            std::rewind(file);
            EXPECT_EQ(std::fread(written.data(), 1, std::size_t(written.size()), file),
                std::size_t(written.size()));
            std::fclose(file);
            EXPECT_EQ(written,
                documentReport(picture, learned, width, height, results, reading.glyphs, numbers));
        }
    }
}

TEST(JsonReport, keysOutOfOrderAreRefused)
{
    ReportOut out;
    JsonWriter json(out);
    json.beginObject();
    json.key("region");
    json.value(std::int64_t(1));
    EXPECT_THROW(json.key("digit"), std::logic_error);
    EXPECT_THROW(json.key("region"), std::logic_error);
}
