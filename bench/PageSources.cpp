#include "bench/PageSources.h"

#include <algorithm>
#include <numeric>

namespace {

constexpr std::size_t kSamplesPerPage = 60; // of one digit; a page of 30 numbers uses about 12

} // namespace

std::vector<QRawFont> UsableFaces(const std::vector<QString> &files)
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

HandwritingDeck::HandwritingDeck(const PageSources &sources, unsigned seed, int page)
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
