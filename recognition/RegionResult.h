// What the recognition pass found for one live region, for callers that report it. The pass
// fills one in for every live region, in ascending region number, and hands them back; they own
// everything in them and stay valid when the region table is labelled again.
#pragma once

#include "recognition/Box.h"
#include "recognition/PackedSignature.h"
#include "recognition/PointList.h"

#include <cstddef>
#include <cstdint>

// A pass keeps one for every region (hundreds of thousands on a page of noise), so the signature
// lives inside it.
struct RegionResult
{
    static constexpr char kNoDigit = 0;

    int region = 0; // region number in the table
    Point start;    // its first listed pixel (x0, y0)
    std::int32_t count = 0;
    Box box;                   // the smallest box holding all of the region's pixels
    bool traced = false;       // false: no outline, and so no digit
    char digit = kNoDigit;     // kNoDigit: no label is drawn and progress does not step
    PackedSignature signature; // the turn signature, when the recogniser builds one
    std::size_t codes = 0;     // chain code length, when traced
    int mismatches = -1;       // turn matching: the winning reference's mismatch count (0 to 100)
    float confidence = -1;     // the trained network: its probability for its digit (0 to 1), also
                               // when it declines; -1 when it did not look (a speck, or a
                               // piece shorter than a digit of its line)

    bool hasDigit() const { return digit != kNoDigit; }
};
