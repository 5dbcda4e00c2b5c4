// Samples as the network sees them, and the file that carries them from the C++ tool to the
// trainer. A sample is made by painting a mask onto a work raster, labelling the raster with
// the program's own LabelRegions and normalising the largest region with NormaliseDigit, so
// that training sees exactly what the recognition pass will hand to the network.
//
// Sample file: records of 793 bytes, no header, little-endian:
//   uint8 label (0-9 digits, 10 not a digit)  uint16 width  uint16 height  uint32 pixel count
//   784 bytes of grey, row by row, 0 empty to 255 covered (the normalised picture x 255)
#pragma once

#include "recognition/DigitImage.h"
#include "training/DigitSources.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

struct Sample
{
    std::uint8_t label = 0;
    std::uint16_t width = 0; // the region's bounding box
    std::uint16_t height = 0;
    std::uint32_t count = 0; // the region's pixels
    std::array<std::uint8_t, kDigitPixels> grey {};
};

// The largest region of the mask once painted on a raster, normalised; nothing when the mask
// has no dark pixel.
std::optional<Sample> SampleOf(const Mask &mask, int label);

// Appends the samples to the file; throws std::runtime_error when it cannot be written.
void WriteSamples(const QString &path, const std::vector<Sample> &samples);
