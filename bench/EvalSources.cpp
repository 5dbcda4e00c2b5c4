#include "bench/EvalSources.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <numeric>
#include <stdexcept>

namespace {

constexpr std::size_t kSamplesPerPage = 60; // of one digit; a page of 30 numbers uses about 12

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

// The faces that load and have all ten digits.
std::vector<QRawFont> usableFaces(const std::vector<QString> &files)
{
    std::vector<QRawFont> faces;
    for (const QString &file : files) {
        QRawFont font(file, 100);
        bool digits = font.isValid();
        for (char d = '0'; digits && d <= '9'; ++d) {
            const QList<quint32> glyphs = font.glyphIndexesForString(QString(QChar(d)));
            digits = glyphs.size() == 1 && glyphs[0] != 0;
        }
        if (digits)
            faces.push_back(font);
    }
    return faces;
}

} // namespace

EvalSources LoadEvalSources(const QString &mnistFolder, const QString &sourceFolder)
{
    EvalSources sources;
    for (LabelledInk &sample : LoadMnist(mnistFolder))
        if (isEvaluationSample(sample.index))
            sources.handwriting[std::size_t(sample.digit)].push_back(std::move(sample));
    std::vector<QString> typeset =
        listedFiles(sourceFolder + QStringLiteral("/training/eval-faces.txt"));
    for (const QString &file :
        listedFiles(sourceFolder + QStringLiteral("/bench/eval-extra-faces.txt")))
        typeset.push_back(file);
    sources.faces = usableFaces(typeset);
    const QDir dseg(QStringLiteral("/usr/share/fonts/truetype/dseg"));
    std::vector<QString> segment;
    for (const QString &name :
        dseg.entryList({QStringLiteral("DSEG7Modern-*.ttf")}, QDir::Files, QDir::Name))
        segment.push_back(dseg.filePath(name));
    sources.segmentFaces = usableFaces(segment);
    if (sources.faces.empty())
        throw std::runtime_error("no held-out typeset face is installed (fonts-freefont-ttf, "
                                 "fonts-urw-base35, fonts-noto-core, ...)");
    if (sources.segmentFaces.empty())
        throw std::runtime_error("no DSEG7 Modern face is installed (fonts-dseg)");
    return sources;
}

HandwritingDeck::HandwritingDeck(const EvalSources &sources, unsigned seed, int page)
    : m_sources(sources)
{
    std::mt19937 random(seed);
    for (std::size_t d = 0; d < 10; ++d) {
        std::vector<int> &order = m_order[d];
        order.resize(sources.handwriting[d].size());
        std::iota(order.begin(), order.end(), 0);
        std::shuffle(order.begin(), order.end(), random);
        m_next[d] = std::size_t(page) * kSamplesPerPage;
    }
}

const LabelledInk &HandwritingDeck::next(int digit)
{
    const std::size_t d = std::size_t(digit);
    const std::vector<int> &order = m_order[d];
    const int index = order[m_next[d]++ % order.size()];
    return m_sources.handwriting[d][std::size_t(index)];
}
