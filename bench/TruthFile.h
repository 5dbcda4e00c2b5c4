// The truth file beside each evaluation page (PAGE.truth): one line per number on the page,
// its text and its box in the picture file's coordinates (not the work raster's, which are one
// more for the white frame):
//
//     # text x y width height
//     4071 62 75 161 58
//
// Lines starting with "#" are comments. A page without numbers (noise) has an empty list.
#pragma once

#include "bench/PageLayout.h"

#include <QString>

#include <vector>

// Throws std::runtime_error when the file cannot be written.
void WriteTruth(const QString &path, const std::vector<TruthNumber> &truth);

// Throws std::runtime_error when the file cannot be read or a line is not "TEXT X Y W H".
std::vector<TruthNumber> ReadTruth(const QString &path);
