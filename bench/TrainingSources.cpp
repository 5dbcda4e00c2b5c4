#include "bench/TrainingSources.h"

#include "training/SegmentDigits.h"

#include <QDir>

#include <algorithm>
#include <stdexcept>

namespace {

// The files matching the name patterns in one folder, in name order.
std::vector<QString> filesIn(const QString &folder, const QStringList &patterns)
{
    const QDir dir(folder);
    std::vector<QString> files;
    for (const QString &name : dir.entryList(patterns, QDir::Files, QDir::Name))
        files.push_back(dir.filePath(name));
    return files;
}

// A training segment style, one style per number, set as the evaluation style's glyphs are:
// the unlit ink is all the cell's segments, lit or not.
std::vector<DigitInk> trainingSegments(const std::string &text, double height, std::mt19937 &random)
{
    const TrainingSegmentStyle style = RandomTrainingSegmentStyle(random, height);
    std::vector<DigitInk> glyphs;
    for (const char digit : text) {
        SegmentInk ink = DrawnSegmentDigit(digit - '0', style, true);
        DigitInk glyph;
        glyph.digit = digit;
        glyph.unlit = std::move(ink.unlit);
        for (std::size_t i = 0; i < glyph.unlit.ink.size(); ++i)
            glyph.unlit.ink[i] = std::max(glyph.unlit.ink[i], ink.lit.ink[i]);
        glyph.lit = std::move(ink.lit);
        glyph.origin = ink.origin;
        glyph.baseline = ink.baseline;
        glyph.advance = ink.advance;
        glyphs.push_back(std::move(glyph));
    }
    return glyphs;
}

} // namespace

PageSources LoadTrainingSources(const QString &mnistFolder)
{
    PageSources sources;
    for (LabelledInk &sample : LoadMnist(mnistFolder))
        if (isValidationSample(sample.index) && !isEvaluationSample(sample.index))
            sources.handwriting[std::size_t(sample.digit)].push_back(std::move(sample));
    std::vector<QString> typeset = filesIn(QStringLiteral("/usr/share/fonts/truetype/dejavu"),
        {QStringLiteral("DejaVuSans*.ttf"), QStringLiteral("DejaVuSerif*.ttf")});
    for (const QString &file : filesIn(QStringLiteral("/usr/share/fonts/truetype/liberation"),
             {QStringLiteral("Liberation*.ttf")}))
        typeset.push_back(file);
    sources.faces = UsableFaces(typeset);
    sources.segmentFaces = UsableFaces(ClassicSegmentFontFiles());
    sources.drawSegments = trainingSegments;
    for (const auto &samples : sources.handwriting)
        if (samples.empty())
            throw std::runtime_error("the handwriting has a digit without a validation sample");
    if (sources.faces.empty())
        throw std::runtime_error("no DejaVu or Liberation face is installed (fonts-dejavu-core, "
                                 "fonts-dejavu-extra, fonts-liberation)");
    if (sources.segmentFaces.empty())
        throw std::runtime_error("no DSEG7 Classic face is installed (fonts-dseg)");
    return sources;
}
