// What a camera or a screen does to a page, on colour planes of floats (0 to 255 per channel):
// blur, sensor noise, smooth random fields for light and grain, and the conversion to a 24-bit
// QImage. Planes own their values; everything random comes in through the generator.
#pragma once

#include <QImage>

#include <random>
#include <vector>

struct Plane
{
    int width = 0;
    int height = 0;
    std::vector<float> values; // row by row
    float &at(int x, int y) { return values[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
    float at(int x, int y) const
    {
        return values[std::size_t(y) * std::size_t(width) + std::size_t(x)];
    }
};

struct ColourPlanes
{
    Plane red, green, blue;
};

struct Colour
{
    float red = 0, green = 0, blue = 0;
};

Plane MakePlane(int width, int height, float value);
ColourPlanes MakeColourPlanes(int width, int height, Colour colour);

// A separable Gaussian blur with the given standard deviation in pixels; edges are clamped.
void GaussianBlur(Plane &plane, double sigma);
void GaussianBlur(ColourPlanes &planes, double sigma);

// Adds independent Gaussian noise of the given deviation to every channel of every pixel.
void AddNoise(ColourPlanes &planes, double sigma, std::mt19937 &random);

// A smooth field between 0 and 1: random levels on a coarse grid of `cell` pixels, interpolated
// bilinearly.
Plane SmoothField(int width, int height, int cell, std::mt19937 &random);

// Rounds and clamps to 0..255.
QImage ToImage(const ColourPlanes &planes);
