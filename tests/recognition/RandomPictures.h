// Random fixture pictures for the outline tests, drawn from the AsciiRaster pixel kinds.
#pragma once

#include <random>
#include <string>
#include <vector>

// Each pixel is drawn from `kinds` ('.', '#', '8', 'g', 'r'), every kind equally likely, with
// '.' repeated in the string to make white more common.
inline std::vector<std::string> randomPicture(
    std::mt19937 &random, int width, int height, const std::string &kinds)
{
    std::uniform_int_distribution<std::size_t> pick(0, kinds.size() - 1);
    std::vector<std::string> picture(std::size_t(height), std::string(std::size_t(width), '.'));
    for (auto &row : picture) {
        for (char &c : row)
            c = kinds[pick(random)];
    }
    return picture;
}
