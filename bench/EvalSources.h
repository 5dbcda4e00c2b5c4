// Where the evaluation pages' digits come from, and only from material held out from training:
// handwriting of the MNIST evaluation split, the typeset faces that training never sees (all
// but DejaVu and Liberation), the DSEG7 Modern seven-segment faces and the evaluation-only
// segment style (SegmentStyle.h).
#pragma once

#include "bench/PageSources.h"

#include <QString>

// Reads the mnist package folder and the face lists (training/eval-faces.txt and
// bench/eval-extra-faces.txt under sourceFolder). Throws std::runtime_error naming what is
// missing: the handwriting, or every face of a kind.
PageSources LoadEvalSources(const QString &mnistFolder, const QString &sourceFolder);
