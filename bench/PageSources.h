// What a set of pages draws its digits from: handwriting per digit, typeset faces,
// seven-segment faces, and a seven-segment style drawn from polygons. The evaluation pages'
// sources hold only material that training never sees (EvalSources.h); the validation pages'
// only training material (TrainingSources.h). The page makers (EvalPages.h) take either, so
// the two sets look alike and share nothing. Loaded once; the pages read it and never change it.
#pragma once

#include "bench/Glyphs.h"
#include "training/DigitSources.h"

#include <QRawFont>
#include <QString>

#include <array>
#include <random>
#include <string>
#include <vector>

struct PageSources
{
    std::array<std::vector<LabelledInk>, 10> handwriting; // per digit
    std::vector<QRawFont> faces;                          // typeset faces
    std::vector<QRawFont> segmentFaces;                   // seven-segment faces
    // The digits of one number in the polygon style, at the given digit height, the style drawn
    // at random for the number.
    std::vector<DigitInk> (*drawSegments)(
        const std::string &text, double height, std::mt19937 &random) = nullptr;
};

// The font files that load and have all ten digits, in the order given.
std::vector<QRawFont> UsableFaces(const std::vector<QString> &files);

// Draws handwriting samples of one digit in a fixed shuffled order per `seed`, each page
// starting at its own place in that order, so that pages of one kind share few samples (none
// while a digit has enough of them).
class HandwritingDeck
{
public:
    HandwritingDeck(const PageSources &sources, unsigned seed, int page);
    const LabelledInk &next(int digit);

private:
    const PageSources &m_sources;
    std::array<std::vector<int>, 10> m_order;
    std::array<std::size_t, 10> m_next {};
};
