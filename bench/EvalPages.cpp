#include "bench/EvalPages.h"

#include "bench/PageLooks.h"
#include "bench/TruthFile.h"

#include <QDir>
#include <QImageWriter>

#include <algorithm>
#include <stdexcept>

namespace {

enum class Content { SevenSegment, HandGaps, HandTouching, HandSmooth, TypeGaps, TypeTouching };

struct ContentSource
{
    Content content;
    unsigned seed;
    int page;
};

std::vector<DigitInk> segmentGlyphs(
    const std::string &text, double height, const PageSources &sources, std::mt19937 &random)
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    if (unit(random) < 0.5) {
        const auto face = std::size_t(unit(random) * double(sources.segmentFaces.size()));
        QRawFont font = sources.segmentFaces[std::min(face, sources.segmentFaces.size() - 1)];
        font.setPixelSize(height / DigitHeightRatio(font));
        return FontGlyphs(font, text, true);
    }
    return sources.drawSegments(text, height, random);
}

std::vector<DigitInk> typesetGlyphs(
    const std::string &text, double height, const PageSources &sources, std::mt19937 &random)
{
    std::uniform_int_distribution<std::size_t> pick(0, sources.faces.size() - 1);
    QRawFont font = sources.faces[pick(random)];
    font.setPixelSize(height / DigitHeightRatio(font));
    return FontGlyphs(font, text, false);
}

NumberInk makeNumber(Content content, const std::string &text, double pageHeight,
    HandwritingDeck &deck, const PageSources &sources, std::mt19937 &random)
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    // Digit heights vary by 15 % either way around the page's, within 30 to 90 pixels.
    const double height = std::clamp(pageHeight * (0.85 + 0.3 * unit(random)), 30.0, 90.0);
    std::vector<DigitInk> glyphs;
    Spacing spacing;
    switch (content) {
    case Content::SevenSegment:
        glyphs = segmentGlyphs(text, height, sources, random);
        break;
    case Content::HandGaps:
    case Content::HandTouching:
    case Content::HandSmooth:
        for (const char digit : text)
            glyphs.push_back(HandGlyph(deck.next(digit - '0'), content == Content::HandSmooth));
        spacing = content == Content::HandTouching ? Spacing {Spacing::InkGap, -7, 0}
                                                   : Spacing {Spacing::InkGap, 5, 18};
        break;
    case Content::TypeGaps:
    case Content::TypeTouching:
        glyphs = typesetGlyphs(text, height, sources, random);
        if (content == Content::TypeTouching)
            spacing = {Spacing::Contact, 0, 1 + int(height / 30)};
        break;
    }
    return SetNumber(glyphs, spacing, random);
}

PageInk makeContent(const ContentSource &source, const PageSources &sources)
{
    std::mt19937 random(source.seed * 1000 + unsigned(source.page));
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const int width = 1300 + int(1100 * unit(random));
    const double height = 34 + 46 * unit(random);
    HandwritingDeck deck(sources, source.seed, source.page);
    std::vector<NumberInk> numbers;
    for (int i = 0; i < kNumbersPerPage; ++i)
        numbers.push_back(
            makeNumber(source.content, RandomNumberText(random), height, deck, sources, random));
    return LayOutPage(numbers, width, random);
}

// Random dots, each pixel dark with the given probability, on 2000 x 1500.
QImage noisePage(double density, unsigned seed)
{
    std::mt19937 random(seed);
    std::bernoulli_distribution dark(density);
    QImage image(2000, 1500, QImage::Format_RGB888);
    for (int y = 0; y < image.height(); ++y) {
        uchar *row = image.scanLine(y);
        for (int x = 0; x < image.width() * 3; x += 3)
            row[x] = row[x + 1] = row[x + 2] = dark(random) ? 0 : 255;
    }
    return image;
}

// Which numbers a page of the material shows. The twins (shadow, pencil, clean) show the first
// half of hand-gaps' pages and then the first half of type-gaps'.
ContentSource contentOf(const QString &material, int page, const PageSet &set)
{
    const int half = set.pagesPerMaterial / 2;
    auto from = [&set](Content content, unsigned seed, int page) {
        return ContentSource {content, seed + 100 * set.seed, page};
    };
    if (material == QLatin1String("sevenseg"))
        return from(Content::SevenSegment, 11, page);
    if (material == QLatin1String("lcd"))
        return from(Content::SevenSegment, 12, page);
    if (material == QLatin1String("led"))
        return from(Content::SevenSegment, 13, page);
    if (material == QLatin1String("hand-touching"))
        return from(Content::HandTouching, 21, page);
    if (material == QLatin1String("type-touching"))
        return from(Content::TypeTouching, 22, page);
    if (material == QLatin1String("hand-gaps"))
        return from(Content::HandGaps, 31, page);
    if (material == QLatin1String("type-gaps"))
        return from(Content::TypeGaps, 32, page);
    if (material == QLatin1String("dark-screen"))
        return page < half ? from(Content::TypeGaps, 41, page)
                           : from(Content::HandSmooth, 42, page - half);
    // shadow, pencil, clean, both
    return page < half ? from(Content::HandGaps, 31, page)
                       : from(Content::TypeGaps, 32, page - half);
}

} // namespace

std::vector<QString> MaterialNames()
{
    return {QStringLiteral("sevenseg"), QStringLiteral("lcd"), QStringLiteral("hand-touching"),
        QStringLiteral("type-touching"), QStringLiteral("hand-gaps"), QStringLiteral("type-gaps"),
        QStringLiteral("shadow"), QStringLiteral("pencil"), QStringLiteral("dark-screen"),
        QStringLiteral("led"), QStringLiteral("clean"), QStringLiteral("noise"),
        QStringLiteral("both")};
}

int PageCount(const QString &material, const PageSet &set)
{
    return material == QLatin1String("noise") ? 2 : set.pagesPerMaterial;
}

EvalPage MakeEvalPage(
    const QString &material, int page, const PageSet &set, const PageSources &sources)
{
    EvalPage result;
    if (material == QLatin1String("noise")) {
        const double density = page == 0 ? 0.08 : 0.3;
        result.name = QStringLiteral("dots-%1").arg(int(density * 100), 2, 10, QLatin1Char('0'));
        result.image = noisePage(density, 3 + set.seed);
        return result;
    }
    const PageInk ink = makeContent(contentOf(material, page, set), sources);
    result.name = QStringLiteral("page-%1").arg(page + 1, 2, 10, QLatin1Char('0'));
    result.truth = ink.truth;
    const std::vector<QString> names = MaterialNames();
    const auto materialSeed =
        unsigned(std::find(names.begin(), names.end(), material) - names.begin());
    std::mt19937 random(7000 + 100 * materialSeed + unsigned(page) + 10000 * set.seed);
    const int quality = 75 + int(random() % 16);
    if (material == QLatin1String("lcd")) {
        result.image = LcdLook(ink, random);
    } else if (material == QLatin1String("led")) {
        result.image = LedLook(ink, random);
    } else if (material == QLatin1String("shadow")) {
        result.image = ShadowLook(ink, page, random);
    } else if (material == QLatin1String("pencil")) {
        result.image = PencilLook(ink, random);
    } else if (material == QLatin1String("dark-screen")) {
        result.image = DarkScreenLook(ink, random);
    } else if (material == QLatin1String("both")) {
        result.image = BothLook(ink, random);
    } else {
        result.image = CleanLook(ink);
    }
    const bool photo = material == QLatin1String("lcd") || material == QLatin1String("led") ||
        material == QLatin1String("shadow") || material == QLatin1String("pencil");
    result.jpegQuality = photo ? quality : 0;
    return result;
}

void WriteEvalPage(const QString &folder, const EvalPage &page)
{
    const QDir dir(folder);
    const QString picture = dir.filePath(
        page.name + (page.jpegQuality ? QStringLiteral(".jpg") : QStringLiteral(".bmp")));
    QImageWriter writer(picture, page.jpegQuality ? "jpeg" : "bmp");
    if (page.jpegQuality)
        writer.setQuality(page.jpegQuality);
    if (!writer.write(page.image))
        throw std::runtime_error(
            (picture + QStringLiteral(": ") + writer.errorString()).toStdString());
    WriteTruth(dir.filePath(page.name + QStringLiteral(".truth")), page.truth);
}
