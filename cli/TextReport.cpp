#include "cli/TextReport.h"

namespace {

QString describe(const RegionResult &result, Method method)
{
    const QString where = QStringLiteral("region %1 at (%2, %3), %4 pixel%5: ")
                              .arg(result.region)
                              .arg(result.start.x)
                              .arg(result.start.y)
                              .arg(result.count)
                              .arg(result.count == 1 ? "" : "s");
    if (!result.traced)
        return where + QStringLiteral("no outline");
    if (method == Method::Learned) {
        const QString confidence = result.confidence < 0
            ? QStringLiteral("too small")
            : QString::number(double(result.confidence), 'f', 3);
        return where +
            (result.hasDigit() ? QString(QChar::fromLatin1(result.digit))
                               : QStringLiteral("no digit")) +
            QStringLiteral(" (%1)").arg(confidence);
    }
    if (!result.hasDigit())
        return where + QStringLiteral("no digit");
    return where + QChar::fromLatin1(result.digit);
}

QString regionList(const std::vector<int> &regions)
{
    QString list;
    for (const int region : regions) {
        if (!list.isEmpty())
            list += QStringLiteral(", ");
        list += QString::number(region);
    }
    return list;
}

QString describe(const Glyph &glyph, std::size_t number)
{
    const bool several = glyph.regions.size() > 1;
    const QString regions = regionList(glyph.regions);
    QString from;
    switch (glyph.kind) {
    case Glyph::Kind::Single:
        from = QStringLiteral("region ") + regions;
        break;
    case Glyph::Kind::Assembled:
        from = QStringLiteral("regions %1 (assembled)").arg(regions);
        break;
    case Glyph::Kind::Cut:
        from = (several ? QStringLiteral("parts of regions %1 (cut)")
                        : QStringLiteral("part of region %1 (cut)"))
                   .arg(regions);
        break;
    }
    return QStringLiteral("glyph %1 at (%2, %3), %4: %5 (%6)")
        .arg(number)
        .arg(glyph.start.x)
        .arg(glyph.start.y)
        .arg(from, QString(QChar::fromLatin1(glyph.digit)))
        .arg(double(glyph.confidence), 0, 'f', 3);
}

} // namespace

void WriteTextReport(ReportOut &out, const QString &picture, Method method, int width, int height,
    const std::vector<RegionResult> &results, const std::vector<Glyph> &glyphs,
    const std::vector<Number> &numbers)
{
    const bool learned = method == Method::Learned;
    const std::vector<std::pair<int, int>> memberships = GlyphsByRegion(glyphs);
    std::size_t cursor = 0;
    int recognised = 0, traced = 0;
    for (const RegionResult &result : results) {
        out.append(describe(result, method));
        out.append('\n');
        traced += result.traced;
        if (!learned) {
            recognised += result.traced;
            continue;
        }
        while (cursor < memberships.size() && memberships[cursor].first < result.region)
            ++cursor;
        recognised += cursor < memberships.size() && memberships[cursor].first == result.region;
    }
    for (std::size_t g = 0; g < glyphs.size(); ++g) {
        out.append(describe(glyphs[g], g + 1));
        out.append('\n');
    }
    const int regions = int(results.size());
    const QString notDigits =
        learned ? QStringLiteral(", %1 not digits").arg(traced - recognised) : QString();
    const QString glyphCount = learned
        ? QStringLiteral(", %1 glyph%2").arg(glyphs.size()).arg(glyphs.size() == 1 ? "" : "s")
        : QString();
    out.append(QStringLiteral("%1: %2 x %3 pixels, %4 region%5, %6 recognised%7, %8 without an "
                              "outline%9\n")
                   .arg(picture)
                   .arg(width)
                   .arg(height)
                   .arg(regions)
                   .arg(regions == 1 ? "" : "s")
                   .arg(recognised)
                   .arg(notDigits)
                   .arg(regions - traced)
                   .arg(glyphCount));
    // "numbers:" alone when no digit was read.
    const std::string joined = JoinNumbers(numbers, " ");
    out.append(std::string_view("numbers:"));
    if (!joined.empty())
        out.append(' ');
    out.append(joined);
    out.append('\n');
}
