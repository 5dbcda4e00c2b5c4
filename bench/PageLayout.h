// Setting numbers on an evaluation page: the digits of a number are put side by side by one of
// three spacing rules, and the numbers are laid out in lines, left to right and top to bottom,
// with word gaps well above the gap within a number. What comes out is the page's ink (one
// layer for what is drawn, one for unlit segments) and the truth: each number's text and box.
//
//     line 1:   [1207]  <- word gap ->  [58]  <- word gap ->  [90331]
//               ^ margin                                       (wraps at the page's width)
//     line 2:   [4426]  ...
//
// A number's box is the union of its digits' ink boxes (ink of at least one half), in page
// coordinates; the digits of one line share a baseline.
#pragma once

#include "bench/Glyphs.h"

#include <QRect>

#include <random>
#include <string>
#include <vector>

// How the digits of one number are spaced.
struct Spacing
{
    enum Rule {
        Advance, // the glyphs' own advances, as a font or a display sets them
        InkGap,  // this many pixels between neighbouring ink boxes (negative: they overlap)
        Contact, // pushed together until their ink touches, then this many pixels further
    };
    Rule rule = Advance;
    int low = 0, high = 0; // pixels, drawn evenly for each pair of neighbours (InkGap, Contact)
};

struct TruthNumber
{
    std::string text;
    QRect box; // in the page's (the file's) coordinates
};

// A number set alone: its ink and its box within its own picture.
struct NumberInk
{
    std::string text;
    InkPicture lit;
    InkPicture unlit; // 0 x 0 when no glyph has unlit segments
    int baseline = 0;
    QRect box;
};

NumberInk SetNumber(
    const std::vector<DigitInk> &glyphs, const Spacing &spacing, std::mt19937 &random);

struct PageInk
{
    InkPicture lit;
    InkPicture unlit; // the page's size, all paper when nothing is seven-segment
    std::vector<TruthNumber> truth;
};

// Lays the numbers out on a page `width` pixels wide; the page is as tall as its lines need.
PageInk LayOutPage(const std::vector<NumberInk> &numbers, int width, std::mt19937 &random);

// A number of 2 to 6 digits, any digit in any place.
std::string RandomNumberText(std::mt19937 &random);
