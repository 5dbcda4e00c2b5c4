// The turn signature: 100 characters, "L" or "R", saying in which sense an outline turns at
// 100 evenly spaced places along its chain code. Position 0 is always "L".
#pragma once

#include "ChainCode.h"

#include <cstdint>
#include <limits>
#include <string>

static_assert(std::numeric_limits<long double>::digits == 64,
    "the signature arithmetic needs 80-bit extended reals");

inline constexpr int kSignatureLength = 100;

// The smoothed direction at one chain-code position: bearing in degrees, then length.
struct WindowVector
{
    long double bearing = 0;
    long double length = 0;
};

// Truncates towards zero, then adds 1 when the first decimal of the fraction is 5 or more.
std::int32_t RoundHalfUp(long double x);

// Bearing of (x, y) seen from (x0, y0), in degrees clockwise from straight up on the screen;
// r is the vector's length as the caller computed it. 0 when r is 0.
long double BearingDeg(long double x, long double y, long double x0, long double y0, long double r);

// The signature of a chain code (at least one code) for a region of pixelCount pixels.
std::string BuildTurnSignature(const ChainCode &chainCode, std::int32_t pixelCount);
