// Lines of digits for training the glyph reading: a few thresholded digits set side by side
// (touching, overlapping or apart, in pieces or whole), painted on a raster and read by the
// program's own pass and glyph pieces, so that training sees the very candidates the learned
// method will show the network. Each candidate run is labelled by the digit whose pixels it
// holds, or "not a digit" when it is a piece or a merge as tall as a digit; smaller pieces,
// which the glyph reading never takes for digits alone, are left out.
#pragma once

#include "training/DigitSources.h"
#include "training/TrainingSet.h"

#include <cstdint>
#include <random>
#include <vector>

// A digit's mask placed on the line: its top-left corner at (x, y).
struct SceneDigit
{
    Mask mask;
    int x = 0;
    int y = 0;
    int digit = 0;
};

// The masks laid side by side, left to right: each one's ink starts `gaps[i]` pixels after the
// ink of the one before ends (negative: they overlap), their ink's bottoms on one line, moved
// up or down by up to `jitter` pixels each.
std::vector<SceneDigit> SideBySide(const std::vector<Mask> &masks, const std::vector<int> &digits,
    const std::vector<int> &gaps, int jitter, std::mt19937 &random);

// The samples of one line: every candidate run of its glyph pieces that holds one digit's
// pixels (at least nine tenths of the digit's, and they nine tenths of its own) as that digit,
// and at most `mostNotDigits` of the runs as tall as a digit that hold no one digit, as not a
// digit. Where a digit's parts may themselves be digits (the segments of an 8 less one are a 0,
// a 6 or a 9), `partsMayBeDigits` leaves out the runs that lie within one digit.
std::vector<Sample> GlyphSamples(const std::vector<SceneDigit> &digits, int mostNotDigits,
    std::mt19937 &random, bool partsMayBeDigits = false);

// A digit's mask with one to three thin bands of it erased, as a quick stroke or a thin face
// breaks: across the digit at a random angle, 1 to 3 pixels wide.
Mask Broken(const Mask &mask, std::mt19937 &random);
