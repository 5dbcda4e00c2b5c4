// A fixed set of digit pictures that any recogniser should read right: the samples drawn with
// the window's pen and typeset in DejaVu Sans, the pen drawing enlarged and reduced, and
// digits typeset in DejaVu Serif, 6 and 9 among them. Each picture is one row of digits.
#pragma once

#include <QImage>

#include <string>
#include <vector>

class DigitNetwork;

struct DigitPicture
{
    std::string name;
    QImage image;
    std::string expected; // the digits from left to right
};

std::vector<DigitPicture> FixedDigitPictures();

// Labels the picture and reads each region that the network's size rule keeps: one character
// per region, ordered by the left edge of its box; '?' when the network is not confident.
std::vector<char> ReadWithNetwork(const DigitPicture &picture, DigitNetwork &network);
