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

} // namespace

void WriteTextReport(ReportOut &out, const QString &picture, Method method, int width, int height,
    const std::vector<RegionResult> &results, const std::vector<Number> &numbers)
{
    const bool learned = method == Method::Learned;
    int recognised = 0, traced = 0;
    for (const RegionResult &result : results) {
        out.append(describe(result, method));
        out.append('\n');
        traced += result.traced;
        recognised += learned ? result.hasDigit() : result.traced;
    }
    const int regions = int(results.size());
    const QString notDigits =
        learned ? QStringLiteral(", %1 not digits").arg(traced - recognised) : QString();
    out.append(QStringLiteral("%1: %2 x %3 pixels, %4 region%5, %6 recognised%7, %8 without an "
                              "outline\n")
                   .arg(picture)
                   .arg(width)
                   .arg(height)
                   .arg(regions)
                   .arg(regions == 1 ? "" : "s")
                   .arg(recognised)
                   .arg(notDigits)
                   .arg(regions - traced));
    // "numbers:" alone when no digit was read.
    const std::string joined = JoinNumbers(numbers, " ");
    out.append(std::string_view("numbers:"));
    if (!joined.empty())
        out.append(' ');
    out.append(joined);
    out.append('\n');
}
