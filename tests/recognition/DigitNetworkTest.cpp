#include "recognition/DigitNetwork.h"
#include "base/AppError.h"
#include "base/Messages.h"
#include "recognition/DigitImage.h"
#include "recognition/LabelRegions.h"
#include "recognition/ReadGlyphs.h"
#include "recognition/RecognizeAll.h"
#include "tests/support/AsciiRaster.h"
#include "tests/support/DigitPictures.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>

namespace {

std::vector<Point> rectangle(int left, int top, int width, int height)
{
    std::vector<Point> points;
    for (int y = top; y < top + height; ++y)
        for (int x = left; x < left + width; ++x)
            points.push_back({x, y});
    return points;
}

// --- Normalisation -------------------------------------------------------------------------

TEST(NormaliseDigit, keepsTheAspectRatioAndCentresTheMass)
{
    // 40 x 10 pixels become a 20 x 5 block of full cells; its centre lands on (14, 14).
    DigitImage image;
    NormaliseDigit(rectangle(100, 300, 40, 10), image);
    int covered = 0;
    for (int y = 0; y < kDigitSide; ++y)
        for (int x = 0; x < kDigitSide; ++x) {
            const float v = image[std::size_t(y * kDigitSide + x)];
            const bool inside = x >= 4 && x < 24 && y >= 12 && y < 17;
            EXPECT_FLOAT_EQ(v, inside ? 1.0f : 0.0f) << x << "," << y;
            covered += v > 0;
        }
    EXPECT_EQ(covered, 100);
}

TEST(NormaliseDigit, thinStrokesTurnGreyInsteadOfVanishing)
{
    // A line 1 pixel wide and 100 long: 20 cells, each a fifth covered.
    DigitImage image;
    NormaliseDigit(rectangle(0, 0, 1, 100), image);
    float sum = 0;
    for (float v : image) {
        EXPECT_TRUE(v == 0.0f || std::fabs(v - 51 / 255.0f) < 1e-6f) << v;
        sum += v;
    }
    EXPECT_NEAR(sum, 20 * 0.2, 1e-3);
}

TEST(NormaliseDigit, dependsOnlyOnTheShapeAndTheOrderDoesNotMatter)
{
    std::vector<Point> shape = rectangle(0, 0, 7, 30);
    const std::vector<Point> bar = rectangle(7, 0, 20, 6);
    shape.insert(shape.end(), bar.begin(), bar.end()); // a "7"-like corner
    DigitImage original, moved, reversed;
    NormaliseDigit(shape, original);
    std::vector<Point> shifted = shape;
    for (Point &p : shifted)
        p = {p.x + 1234, p.y + 567};
    NormaliseDigit(shifted, moved);
    std::reverse(shape.begin(), shape.end());
    NormaliseDigit(shape, reversed);
    EXPECT_EQ(original, moved);
    EXPECT_EQ(original, reversed);
    for (float v : original) // whole 255ths, as a training set in bytes holds them
        EXPECT_FLOAT_EQ(v * 255.0f, std::round(v * 255.0f));
}

// The picture as its definition makes it, pixel by pixel: each pixel's scaled square spread
// over the cells it overlaps, then centred by its mass. NormaliseDigit works its overlaps out
// per column and per row instead and must give the same bytes: the network was trained on them.
DigitImage normalisedByDefinition(const std::vector<Point> &points)
{
    DigitImage image {};
    const Box box = BoundingBox(points);
    const double scale = kDigitBox / double(std::max(box.width, box.height));
    const int cellsX = std::clamp(int(std::ceil(box.width * scale - 1e-9)), 1, kDigitBox);
    const int cellsY = std::clamp(int(std::ceil(box.height * scale - 1e-9)), 1, kDigitBox);
    auto spread = [](double from, double to, int cells, auto add) {
        for (int c = std::clamp(int(std::floor(from)), 0, cells - 1);
             c <= std::clamp(int(std::ceil(to)) - 1, 0, cells - 1); ++c) {
            const double overlap = std::min(to, double(c + 1)) - std::max(from, double(c));
            if (overlap > 0)
                add(c, overlap);
        }
    };
    std::array<double, kDigitBox * kDigitBox> fitted {};
    for (const Point &p : points) {
        const double x0 = (p.x - box.x) * scale, y0 = (p.y - box.y) * scale;
        spread(y0, std::min(y0 + scale, double(cellsY)), cellsY, [&](int row, double dy) {
            spread(x0, std::min(x0 + scale, double(cellsX)), cellsX, [&](int column, double dx) {
                fitted[std::size_t(row * kDigitBox + column)] += dx * dy;
            });
        });
    }
    double mass = 0, sumX = 0, sumY = 0;
    for (int row = 0; row < cellsY; ++row)
        for (int column = 0; column < cellsX; ++column) {
            const double value = std::min(1.0, fitted[std::size_t(row * kDigitBox + column)]);
            mass += value;
            sumX += value * (column + 0.5);
            sumY += value * (row + 0.5);
        }
    const int left =
        std::clamp(int(std::lround(kDigitSide / 2.0 - (mass > 0 ? sumX / mass : cellsX / 2.0))), 0,
            kDigitSide - cellsX);
    const int top =
        std::clamp(int(std::lround(kDigitSide / 2.0 - (mass > 0 ? sumY / mass : cellsY / 2.0))), 0,
            kDigitSide - cellsY);
    for (int row = 0; row < cellsY; ++row)
        for (int column = 0; column < cellsX; ++column)
            image[std::size_t((top + row) * kDigitSide + left + column)] =
                float(std::lround(
                    std::min(1.0, fitted[std::size_t(row * kDigitBox + column)]) * 255.0)) /
                255.0f;
    return image;
}

TEST(NormaliseDigit, givesTheDefinitionsBytesOnRandomShapes)
{
    std::mt19937 random(11);
    for (int shape = 0; shape < 400; ++shape) {
        // Sides from 1 to 90 pixels, below and above the 20 cells, filled 10 to 90 %.
        const int width = 1 + int(random() % 90), height = 1 + int(random() % 90);
        const unsigned percent = 10 + random() % 81;
        std::vector<Point> points;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (random() % 100 < percent)
                    points.push_back({x + 40, y - 7});
        if (points.empty())
            continue;
        std::shuffle(points.begin(), points.end(), random);
        DigitImage image;
        NormaliseDigit(points, image);
        ASSERT_EQ(image, normalisedByDefinition(points)) << width << " x " << height;
    }
}

TEST(NormaliseDigit, emptyAndSinglePixelRegions)
{
    DigitImage image;
    image.fill(0.5f);
    NormaliseDigit({}, image);
    EXPECT_EQ(image, DigitImage {});
    NormaliseDigit(std::vector<Point> {{5, 5}}, image); // one pixel fills the whole 20 x 20 box
    float sum = 0;
    for (float v : image)
        sum += v;
    EXPECT_FLOAT_EQ(sum, 400.0f);
}

// --- The model file ------------------------------------------------------------------------

QByteArray builtInBytes()
{
    QFile file(DigitNetwork::builtInPath());
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

std::string loadError(const QByteArray &bytes)
{
    try {
        DigitNetwork network(bytes);
    } catch (const AppError &error) {
        return error.what();
    }
    return "";
}

TEST(DigitNetwork, builtInModelLoadsWithItsRule)
{
    DigitNetwork &network = DigitNetwork::builtIn();
    EXPECT_EQ(&network, &DigitNetwork::builtIn()); // loaded once
    // Training may choose no threshold at all (0) when the "not a digit" answer alone rejects
    // enough; it never chooses one that refuses every digit.
    EXPECT_GE(network.minConfidence(), 0.0f);
    EXPECT_LT(network.minConfidence(), 1.0f);
    EXPECT_GT(network.minSide(), 0);
    EXPECT_LT(builtInBytes().size(), 2 * 1024 * 1024);
}

TEST(DigitNetwork, damagedOrMissingModelsAreRefusedWithAClearMessage)
{
    const QByteArray good = builtInBytes();
    auto withWord = [&](int at, std::uint32_t value) {
        QByteArray bytes = good;
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = char(value >> (8 * i));
        return bytes;
    };
    QByteArray flipped = good;
    flipped[good.size() / 2] = char(flipped[good.size() / 2] ^ 0x40);
    // A payload that hashes right but is no network.
    QByteArray garbage = good.left(72) + QByteArray(300, 'x');
    const QByteArray garbageHash =
        QCryptographicHash::hash(QByteArray(300, 'x'), QCryptographicHash::Sha256);
    garbage.replace(40, 32, garbageHash);
    garbage.replace(36, 4, QByteArray("\x2c\x01\x00\x00", 4));

    const struct
    {
        const char *name;
        QByteArray bytes;
        const char *reason;
    } cases[] = {
        {"empty", QByteArray(), "not a model file"},
        {"notAModel", QByteArray("GIF89a").repeated(20), "not a model file"},
        {"otherVersion", withWord(16, 2), "format version 2"},
        {"otherShape", withWord(24, 10), "expected 28 x 28 into 11"},
        {"cutShort", good.left(good.size() - 1), "cut short"},
        {"flippedBit", flipped, "damaged"},
        {"payloadNotANetwork", garbage, "cannot be built"},
    };
    for (const auto &c : cases) {
        const std::string error = loadError(c.bytes);
        EXPECT_EQ(error.rfind(kModelLoadFailure, 0), 0u) << c.name << ": " << error;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.name << ": " << error;
    }

    try {
        DigitNetwork::fromFile(QStringLiteral("/nonexistent/digits.model"));
        ADD_FAILURE() << "a missing file loaded";
    } catch (const AppError &error) {
        EXPECT_STREQ(error.what(),
            "The recognition model cannot be loaded: /nonexistent/digits.model: No such file or "
            "directory");
    }
}

// --- Reading fixed pictures ----------------------------------------------------------------

TEST(DigitNetwork, readsDrawnAndTypesetDigitsIncludingSixAndNine)
{
    for (const DigitPicture &picture : FixedDigitPictures()) {
        SCOPED_TRACE(picture.name);
        const std::vector<char> read = ReadWithNetwork(picture, DigitNetwork::builtIn());
        EXPECT_EQ(std::string(read.begin(), read.end()), picture.expected);
    }
}

TEST(ReadGlyphs, specksAreNotDigitsAndTheThresholdCanBeOverridden)
{
    PictureStore store;
    const DigitPicture pen = FixedDigitPictures().front();
    store.workRaster.setSize(pen.image.width(), pen.image.height());
    store.workRaster.canvas().draw(0, 0, pen.image);
    for (int y = 2; y < 5; ++y) // a 3 x 3 speck in the top left corner
        for (int x = 2; x < 5; ++x)
            setPixel(store.workRaster, x, y, {0, 0, 0});
    RebuildRowTable(store.rowTable, store.workRaster);
    RecognitionState state;
    NoProgress progress;
    TurnSignatureRecogniser outlines;
    std::vector<RegionResult> results =
        RecognizeAll(store.workRaster, store.rowTable, state, progress, outlines, 1);
    for (RegionResult &result : results)
        result.digit = RegionResult::kNoDigit;

    DigitNetwork &network = DigitNetwork::builtIn();
    std::vector<RegionResult> strict = results;
    const std::vector<Glyph> glyphs =
        ReadGlyphs(state.regions, results, network, network.minConfidence());
    // No probability reaches 1.01.
    EXPECT_TRUE(ReadGlyphs(state.regions, strict, network, 1.01f).empty());
    EXPECT_EQ(glyphs.size(), 10u);
    for (std::size_t i = 0; i < results.size(); ++i) {
        const bool speck = results[i].start == Point {2, 2};
        EXPECT_EQ(results[i].confidence < 0, speck) << i;
        EXPECT_EQ(results[i].hasDigit(), !speck) << i;
        EXPECT_FALSE(strict[i].hasDigit()) << i;
        EXPECT_EQ(strict[i].confidence, results[i].confidence) << i;
    }
}

} // namespace
