// The turn signature: 100 characters, "L" or "R", saying in which sense an outline turns at
// 100 evenly spaced places along its chain code. Position 0 is always "L". Stateless: it reads
// the chain code and keeps nothing.
//
// All real arithmetic is in 80-bit extended reals (long double); angles are in degrees,
// clockwise from straight up on the screen (y grows downwards):
//
//                 0
//                 |
//        270 -----+----- 90
//                 |
//                180
#pragma once

#include "recognition/ChainCode.h"
#include "recognition/SignatureLength.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

static_assert(std::numeric_limits<long double>::digits == 64,
    "the signature arithmetic needs 80-bit extended reals");

// Truncates towards zero, then adds 1 when the first decimal of the fraction is 5 or more:
// 2.5 gives 3, 2.45 gives 2, -2.7 gives -2. Values beyond the 32-bit range saturate, NaN gives 0.
std::int32_t RoundHalfUp(long double x);

// Bearing of (x, y) seen from (x0, y0), in degrees clockwise from straight up on the screen;
// r is the vector's length as the caller computed it (not recomputed). 0 when r is 0.
long double BearingDeg(long double x, long double y, long double x0, long double y0, long double r);

// The window length w for a region of pixelCount pixels and a chain code of codeCount codes
// (at least 1): RoundHalfUp(4 x pixelCount / codeCount). The window at position k sums the
// w + 1 codes k to k + w, read cyclically.
std::int32_t WindowLength(std::int32_t pixelCount, std::size_t codeCount);

// The chain-code position read by sample i (1 to 99) of a chain code of codeCount codes (at
// least 1): RoundHalfUp(i x (codeCount - 1) / 100). Never beyond codeCount - 1.
std::size_t SampleIndex(int i, std::size_t codeCount);

// Character i of the signature, from the difference of two consecutive sample bearings
// (taken plainly, without wrapping at 0 and 360) and character i - 1:
//   |diff| below 3.0              the previous character
//   above 0, at most 180.0        R   (clockwise the shorter way)
//   above 180.0                   L
//   below 0, |diff| at most 180.0 L
//   below -180.0                  R
char DecideTurn(long double diff, char previous);

// The turn between two windows that sum to (sx0, sy0) and (sx1, sy1): DecideTurn of the
// difference of their bearings, each BearingDeg(sx, sy, 0, 0, sqrt(sx^2 + sy^2)) in extended
// precision, with the same result for every input, but computed in double precision wherever
// that cannot change the decision (the bound is proved in TurnSignature.cpp).
char DecideTurnOfSums(
    std::int64_t sx0, std::int64_t sy0, std::int64_t sx1, std::int64_t sy1, char previous);

// The signature of a chain code for a region of pixelCount pixels. Windows longer than the
// chain code read it cyclically, round and round. Only the sampled windows are computed. An
// empty chain code, which no traced contour gives, yields 100 "L".
std::string BuildTurnSignature(const ChainCode &chainCode, std::int32_t pixelCount);
