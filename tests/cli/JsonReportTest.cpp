#include "JsonReport.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <random>
#include <stdexcept>

namespace {

// The report as a QJsonDocument builds it: the bytes the streamed report must equal.
std::string documentReport(
    const QString &picture, int width, int height, const std::vector<RegionResult> &results)
{
    QJsonArray regions;
    for (const RegionResult &result : results) {
        QJsonObject region {
            {QStringLiteral("region"), result.region},
            {QStringLiteral("x"), result.start.x},
            {QStringLiteral("y"), result.start.y},
            {QStringLiteral("count"), result.count},
        };
        if (!result.hasDigit()) {
            region.insert(QStringLiteral("digit"), QJsonValue::Null);
        } else {
            region.insert(QStringLiteral("digit"), QString(QChar::fromLatin1(result.digit)));
            region.insert(QStringLiteral("signature"), QString::fromStdString(result.signature));
            region.insert(QStringLiteral("codes"), qint64(result.codes));
        }
        regions.append(region);
    }
    const QJsonObject document {
        {QStringLiteral("file"), picture},
        {QStringLiteral("width"), width},
        {QStringLiteral("height"), height},
        {QStringLiteral("regions"), regions},
    };
    return QJsonDocument(document).toJson(QJsonDocument::Compact).toStdString() + '\n';
}

std::string streamedReport(
    const QString &picture, int width, int height, const std::vector<RegionResult> &results)
{
    JsonWriter writer(nullptr);
    WriteJsonReport(writer, picture, width, height, results);
    return writer.text();
}

// A name mixing plain ASCII with what JSON escapes or Qt encodes: quotes, backslashes,
// control characters, DEL, Latin-1, Cyrillic, a surrogate pair and unpaired surrogates.
QString oddName(std::mt19937 &random)
{
    static const char16_t pieces[] = {u'a', u'Z', u'/', u' ', u'"', u'\\', 0x01, u'\b', u'\f',
        u'\n', u'\r', u'\t', 0x1f, 0x7f, 0xe9, 0x43f, 0xd83d, 0xde00, 0xfffd, 0xffff};
    QString name;
    const int length = int(random() % 12);
    for (int i = 0; i < length; ++i)
        name += QChar(pieces[random() % std::size(pieces)]);
    return name;
}

std::vector<RegionResult> randomResults(std::mt19937 &random)
{
    std::vector<RegionResult> results(random() % 6);
    for (RegionResult &result : results) {
        result.region = int(random() % 1'000'000);
        result.start = {int(random() % 70'000) - 5, int(random() % 70'000)};
        result.count = std::int32_t(random());
        result.traced = random() % 4 != 0;
        if (result.traced && random() % 3 != 0) {
            result.digit = char('0' + random() % 10);
            result.codes = random();
            for (int i = 0; i < 100; ++i)
                result.signature += random() % 2 ? 'L' : 'R';
        }
    }
    return results;
}

} // namespace

TEST(JsonReport, streamedBytesEqualTheDocumentsOnRandomResultsAndOddNames)
{
    std::mt19937 random(12);
    for (int round = 0; round < 2000; ++round) {
        const QString picture = oddName(random);
        const std::vector<RegionResult> results = randomResults(random);
        const int width = int(random() % 100'000), height = int(random() % 100'000);
        ASSERT_EQ(streamedReport(picture, width, height, results),
            documentReport(picture, width, height, results))
            << "round " << round;
    }
}

TEST(JsonReport, aLongReportIsWrittenThroughTheStreamInTheSameBytes)
{
    std::mt19937 random(7);
    std::vector<RegionResult> results;
    for (int i = 0; i < 400; ++i) {
        const std::vector<RegionResult> more = randomResults(random);
        results.insert(results.end(), more.begin(), more.end());
    }
    const QString picture = QStringLiteral("pages/\"big\" \\ страница.bmp");
    std::FILE *file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    {
        JsonWriter writer(file);
        WriteJsonReport(writer, picture, 4000, 3000, results);
        EXPECT_TRUE(writer.flush());
    }
    std::string written(std::size_t(std::ftell(file)), '\0');
    std::rewind(file);
    ASSERT_EQ(std::fread(written.data(), 1, written.size(), file), written.size());
    std::fclose(file);
    EXPECT_GT(written.size(), std::size_t(1) << 16);
    EXPECT_EQ(written, documentReport(picture, 4000, 3000, results));
}

TEST(JsonReport, keysOutOfOrderAreRefused)
{
    JsonWriter writer(nullptr);
    writer.beginObject();
    writer.key("region");
    writer.value(std::int64_t(1));
    EXPECT_THROW(writer.key("digit"), std::logic_error);
    EXPECT_THROW(writer.key("region"), std::logic_error);
}
