// Where the evaluation pages' digits come from, and only from material held out from training:
// handwriting of the MNIST evaluation split, the typeset faces that training never sees (all
// but DejaVu and Liberation), and the DSEG7 Modern seven-segment faces. Loaded once; the pages
// read it and never change it.
#pragma once

#include "training/DigitSources.h"

#include <QRawFont>
#include <QString>

#include <array>
#include <random>
#include <vector>

struct EvalSources
{
    std::array<std::vector<LabelledInk>, 10> handwriting; // per digit, evaluation split only
    std::vector<QRawFont> faces;                          // held-out typeset faces
    std::vector<QRawFont> segmentFaces;                   // DSEG7 Modern
};

// Reads the mnist package folder and the face lists (training/eval-faces.txt and
// bench/eval-extra-faces.txt under sourceFolder). Throws std::runtime_error naming what is
// missing: the handwriting, or every face of a kind.
EvalSources LoadEvalSources(const QString &mnistFolder, const QString &sourceFolder);

// Draws handwriting samples of one digit in a fixed shuffled order per `seed`, each page
// starting at its own place in that order, so that pages of one kind share no sample.
class HandwritingDeck
{
public:
    HandwritingDeck(const EvalSources &sources, unsigned seed, int page);
    const LabelledInk &next(int digit);

private:
    const EvalSources &m_sources;
    std::array<std::vector<int>, 10> m_order;
    std::array<std::size_t, 10> m_next {};
};
