#include "bench/EvalSources.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <stdexcept>

namespace {

// Every file matched by the list's globs, relative to /usr/share/fonts, in order.
std::vector<QString> listedFiles(const QString &listFile)
{
    QFile list(listFile);
    if (!list.open(QIODevice::ReadOnly))
        throw std::runtime_error(
            (listFile + QStringLiteral(": ") + list.errorString()).toStdString());
    std::vector<QString> files;
    for (const QByteArray &line : list.readAll().split('\n')) {
        const QString pattern = QString::fromUtf8(line).trimmed();
        if (pattern.isEmpty() || pattern.startsWith('#'))
            continue;
        const QFileInfo info(QStringLiteral("/usr/share/fonts/") + pattern);
        const QDir dir = info.dir();
        for (const QString &name : dir.entryList({info.fileName()}, QDir::Files, QDir::Name))
            files.push_back(dir.filePath(name));
    }
    return files;
}

// The evaluation-only segment style, one style per number.
std::vector<DigitInk> evaluationSegments(
    const std::string &text, double height, std::mt19937 &random)
{
    const SegmentStyle style = RandomSegmentStyle(random, height);
    std::vector<DigitInk> glyphs;
    for (const char digit : text)
        glyphs.push_back(SegmentGlyph(digit - '0', style));
    return glyphs;
}

} // namespace

PageSources LoadEvalSources(const QString &mnistFolder, const QString &sourceFolder)
{
    PageSources sources;
    for (LabelledInk &sample : LoadMnist(mnistFolder))
        if (isEvaluationSample(sample.index))
            sources.handwriting[std::size_t(sample.digit)].push_back(std::move(sample));
    std::vector<QString> typeset =
        listedFiles(sourceFolder + QStringLiteral("/training/eval-faces.txt"));
    for (const QString &file :
        listedFiles(sourceFolder + QStringLiteral("/bench/eval-extra-faces.txt")))
        typeset.push_back(file);
    sources.faces = UsableFaces(typeset);
    const QDir dseg(QStringLiteral("/usr/share/fonts/truetype/dseg"));
    std::vector<QString> segment;
    for (const QString &name :
        dseg.entryList({QStringLiteral("DSEG7Modern-*.ttf")}, QDir::Files, QDir::Name))
        segment.push_back(dseg.filePath(name));
    sources.segmentFaces = UsableFaces(segment);
    sources.drawSegments = evaluationSegments;
    if (sources.faces.empty())
        throw std::runtime_error("no held-out typeset face is installed (fonts-freefont-ttf, "
                                 "fonts-urw-base35, fonts-noto-core, ...)");
    if (sources.segmentFaces.empty())
        throw std::runtime_error("no DSEG7 Modern face is installed (fonts-dseg)");
    return sources;
}
