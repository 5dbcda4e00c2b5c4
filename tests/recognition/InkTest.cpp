// The ink step: a clean page keeps the fixed rule's regions, a shadowed, a pencil and a dark
// twin of a page read as the page does (and a page above its dark twin reads both), pictures with
// nothing on them stay (nearly) empty, and the picture comes back whole, with the walk's marks and
// any label drawn over it.
#include "recognition/Ink.h"

#include "base/AppError.h"
#include "picture/PictureFromImage.h"
#include "picture/PictureStore.h"
#include "recognition/LabelRegions.h"
#include "recognition/ReadPicture.h"
#include "tests/support/DigitPictures.h"
#include "tests/support/Fixtures.h"
#include "tests/support/ScopedMemoryLimit.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

void load(PictureStore &store, const QImage &image)
{
    LoadPictureFromImage(image, store.workRaster, store.rowTable);
}

// The live regions' points, in region order.
std::vector<std::vector<Point>> regionsOf(const RowTable &rows)
{
    RegionTable regions;
    LabelRegions(rows, regions);
    std::vector<std::vector<Point>> live;
    for (const item &region : regions) {
        if (region.count != 0)
            live.emplace_back(region.points.begin(), region.points.end());
    }
    return live;
}

std::vector<std::vector<Point>> autoRegionsOf(RowTable &rows)
{
    const InkGrid grid = FindInk(rows);
    const InkInRaster ink(rows, grid);
    return regionsOf(rows);
}

std::string numbersRead(const QImage &image, InkRule rule)
{
    PictureStore store;
    load(store, image);
    RecognitionState state;
    NoProgress progress;
    ReadingOptions options;
    options.method = Method::Learned;
    options.ink = rule;
    const Reading reading = ReadPicture(store.workRaster, store.rowTable, state, progress, options);
    std::string text;
    for (const Number &number : reading.numbers)
        text += (text.empty() ? "" : " ") + number.text;
    return text;
}

float smoothStep(float from, float to, float at)
{
    const float t = std::clamp((at - from) / (to - from), 0.0f, 1.0f);
    return t * t * (3 - 2 * t);
}

// The page redrawn: each pixel's ink (1 - its grey) mixes paper and ink, then the light falls.
QImage redrawn(
    const QImage &clean, QColor paper, QColor ink,
    const std::function<float(int, int)> &light = [](int, int) { return 1.0f; })
{
    QImage out(clean.size(), QImage::Format_RGB32);
    for (int y = 0; y < clean.height(); ++y)
        for (int x = 0; x < clean.width(); ++x) {
            const float amount = 1 - float(qGray(clean.pixel(x, y))) / 255;
            const float l = light(x, y);
            auto mix = [&](int p, int i) { return int(std::lround((p + (i - p) * amount) * l)); };
            out.setPixel(x, y,
                qRgb(mix(paper.red(), ink.red()), mix(paper.green(), ink.green()),
                    mix(paper.blue(), ink.blue())));
        }
    return out;
}

// Twins of a clean page as a camera or a screen gives them.
struct Twin
{
    const char *name;
    std::function<QImage(const QImage &)> make;
};

std::vector<Twin> twins()
{
    return {
        {"shadow",
            [](const QImage &clean) {
                // A soft shadow over the right half, the paper there at 40 %; blue ballpoint.
                const float middle = float(clean.width()) / 2;
                return redrawn(clean, QColor(245, 243, 236), QColor(30, 45, 140), [=](int x, int) {
                    return 1 - 0.6f * smoothStep(middle - 40, middle + 40, float(x));
                });
            }},
        {"pencil",
            [](const QImage &clean) {
                return redrawn(clean, QColor(244, 236, 214), QColor(135, 135, 140));
            }},
        {"dark screen",
            [](const QImage &clean) {
                return redrawn(clean, QColor(40, 44, 52), QColor(171, 178, 191));
            }},
        {"green display",
            [](const QImage &clean) {
                return redrawn(clean, QColor(8, 10, 8), QColor(60, 230, 90));
            }},
    };
}

// The page above its dark-screen twin, read in both polarities: its numbers twice over.
QImage pageAboveItsDarkTwin(const QImage &clean)
{
    QImage both(clean.width(), 2 * clean.height(), QImage::Format_RGB32);
    QPainter painter(&both);
    painter.drawImage(0, 0, clean);
    painter.drawImage(0, clean.height(), redrawn(clean, QColor(30, 30, 30), QColor(230, 230, 230)));
    return both;
}

} // namespace

TEST(Ink, namesAndTheMethodsOwnRules)
{
    EXPECT_EQ(ParseInkRule("auto"), InkRule::Auto);
    EXPECT_EQ(ParseInkRule("fixed"), InkRule::Fixed);
    EXPECT_EQ(ParseInkRule("Auto"), std::nullopt);
    EXPECT_EQ(InkRuleName(InkRule::Auto), "auto");
    ReadingOptions options;
    EXPECT_EQ(InkRuleOf(options), InkRule::Fixed);
    options.method = Method::Learned;
    EXPECT_EQ(InkRuleOf(options), InkRule::Auto);
    options.ink = InkRule::Fixed;
    EXPECT_EQ(InkRuleOf(options), InkRule::Fixed);
}

TEST(Ink, cleanPagesKeepTheFixedRulesRegionsPixelForPixel)
{
    std::vector<std::pair<std::string, QImage>> pages;
    for (const DigitPicture &picture : FixedDigitPictures())
        pages.emplace_back(picture.name, picture.image);
    for (const auto &[name, image] : pages) {
        SCOPED_TRACE(name);
        PictureStore store;
        load(store, image);
        const std::vector<std::vector<Point>> fixed = regionsOf(store.rowTable);
        ASSERT_FALSE(fixed.empty());
        EXPECT_EQ(autoRegionsOf(store.rowTable), fixed);
    }
}

TEST(Ink, shadowedPencilAndDarkTwinsReadAsTheirCleanPage)
{
    for (const DigitPicture &picture : FixedDigitPictures()) {
        if (picture.name == "penReduced" || picture.name == "dejaVuSansBoldSmall")
            continue; // too small for a shadow with a soft edge
        SCOPED_TRACE(picture.name);
        const std::string clean = numbersRead(picture.image, InkRule::Fixed);
        ASSERT_FALSE(clean.empty());
        for (const Twin &twin : twins()) {
            SCOPED_TRACE(twin.name);
            const QImage photo = twin.make(picture.image);
            EXPECT_EQ(numbersRead(photo, InkRule::Auto), clean);
            // What the fixed rule makes of it, so that the twin is a real test.
            EXPECT_NE(numbersRead(photo, InkRule::Fixed), clean);
        }
        EXPECT_EQ(
            numbersRead(pageAboveItsDarkTwin(picture.image), InkRule::Auto), clean + " " + clean);
    }
}

TEST(Ink, picturesWithNothingOnThemGiveFewRegionsOrNone)
{
    std::mt19937 random(3);
    auto plain = [](int width, int height, const std::function<QRgb(int, int)> &colour) {
        QImage image(width, height, QImage::Format_RGB32);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                image.setPixel(x, y, colour(x, y));
        return image;
    };
    std::normal_distribution<float> grain(0, 5);
    const struct
    {
        const char *name;
        QImage image;
        std::size_t most;
    } cases[] = {
        {"white", plain(300, 200, [](int, int) { return qRgb(255, 255, 255); }), 0},
        {"black", plain(300, 200, [](int, int) { return qRgb(0, 0, 0); }), 0},
        {"blue", plain(300, 200, [](int, int) { return qRgb(20, 40, 200); }), 0},
        {"gradient",
            plain(400, 300, [](int x, int y) { return qRgb(x * 255 / 399, y * 255 / 299, 128); }),
            0},
        {"steep gradient",
            plain(
                600, 50, [](int x, int) { return qGray(std::min(255, x * 4), 0, 0) * 0x010101u; }),
            0},
        {"photo grain",
            plain(300, 200,
                [&](int, int) {
                    const int v = std::clamp(int(std::lround(150 + grain(random))), 0, 255);
                    return qRgb(v, v, v);
                }),
            0},
        {"one pixel wide",
            plain(1, 500,
                [&](int, int y) { return QRgb(0xFF000000u | (y * 255 / 499) * 0x010101u); }),
            0},
        {"one pixel tall", plain(500, 1, [&](int, int) { return QRgb(random()) | 0xFF000000u; }),
            0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        PictureStore store;
        load(store, c.image);
        EXPECT_LE(autoRegionsOf(store.rowTable).size(), c.most);
    }
}

TEST(Ink, thePictureComesBackWithTheWalksMarksAndWhatWasDrawnOverIt)
{
    // Coloured ink on a light background, so that both rules' bytes differ from the picture's.
    PictureStore store;
    load(store, redrawn(FixedDigitPictures()[0].image, QColor(250, 230, 200), QColor(200, 20, 90)));
    TBitmap picture;
    picture.copyFrom(store.workRaster);
    Point marked {-1, -1};
    {
        const InkGrid grid = FindInk(store.rowTable);
        InkInRaster ink(store.rowTable, grid);
        for (int y = 0; y < picture.height() && marked.x < 0; ++y)
            for (int x = 0; x < picture.width() && marked.x < 0; ++x)
                if (store.rowTable[y][kBytesPerPixel * x + kRedByte] < 128)
                    marked = {x, y};
        ASSERT_GE(marked.x, 0) << "no ink found";
        store.rowTable[marked.y][kBytesPerPixel * marked.x + kGreenByte] = 255;
        // A label over the picture: red on a white box, as the turns method writes it.
        setPixel(store.workRaster, 3, 3, kPureRed);
        setPixel(store.workRaster, 4, 3, kWhite);
    }
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            Bgr expected = pixelAt(picture, x, y);
            if (x == marked.x && y == marked.y)
                expected.green = 255;
            if (y == 3 && (x == 3 || x == 4))
                expected = x == 3 ? kPureRed : kWhite;
            ASSERT_EQ(pixelAt(store.workRaster, x, y), expected) << "at " << x << ", " << y;
        }
}

TEST(Ink, overTheBudgetItChangesNothing)
{
    PictureStore store;
    load(store, FixedDigitPictures()[0].image);
    TBitmap picture;
    picture.copyFrom(store.workRaster);
    const InkGrid grid = FindInk(store.rowTable);
    const ScopedMemoryLimit limit(ScopedMemoryLimit::above(
        InkBytes(store.workRaster.width(), store.workRaster.height()) / 2));
    EXPECT_THROW({ const InkInRaster ink(store.rowTable, grid); }, AppError);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            ASSERT_EQ(pixelAt(store.workRaster, x, y), pixelAt(picture, x, y));
}

TEST(Ink, theTurnsMethodReadsADarkScreenByTheAutoRuleAsItReadsThePageAndKeepsItsLabels)
{
    auto read = [](const QImage &image, InkRule rule, PictureStore &store) {
        load(store, image);
        RecognitionState state;
        NoProgress progress;
        ReadingOptions options;
        options.ink = rule;
        return ReadPicture(store.workRaster, store.rowTable, state, progress, options);
    };
    const QImage page = FixedDigitPictures()[0].image;
    PictureStore clean, dark;
    const Reading fixed = read(page, InkRule::Fixed, clean);
    const Reading reading =
        read(redrawn(page, QColor(30, 30, 30), QColor(230, 230, 230)), InkRule::Auto, dark);
    EXPECT_EQ(reading.ink, InkRule::Auto);
    ASSERT_EQ(reading.results.size(), fixed.results.size());
    for (std::size_t r = 0; r < fixed.results.size(); ++r) {
        EXPECT_EQ(reading.results[r].digit, fixed.results[r].digit);
        EXPECT_EQ(reading.results[r].signature.text(), fixed.results[r].signature.text());
    }
    // The labels are in the picture as on the clean page: red on white boxes.
    EXPECT_EQ(countPixels(dark.workRaster, kPureRed), countPixels(clean.workRaster, kPureRed));
    EXPECT_GT(countPixels(dark.workRaster, kPureRed), 0);
}
