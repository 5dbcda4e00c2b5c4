// Where the validation pages' digits come from, and only from training material, so that
// tuning and choosing on them never touches what the evaluation pages hold out:
//   handwriting   the MNIST training split's samples with index % 20 == 1, which the training
//                 set tool keeps out of the training set to choose the "not a digit" rule
//   typeset       the faces training/train.sh trains on: DejaVu Sans, Sans Condensed, Sans
//                 Mono, Serif, Serif Condensed and Liberation, every weight installed
//   seven-segment the DSEG7 Classic and Classic Mini faces, and the training segment styles
//                 (training/SegmentDigits.h)
#pragma once

#include "bench/PageSources.h"

#include <QString>

// A handwriting sample the validation pages may show: held out from the training set, and
// never of the evaluation split.
inline bool isValidationSample(int index)
{
    return index % 20 == 1;
}

// Reads the mnist package folder and the installed faces. Throws std::runtime_error naming
// what is missing: the handwriting, or every face of a kind.
PageSources LoadTrainingSources(const QString &mnistFolder);
