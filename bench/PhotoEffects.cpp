#include "bench/PhotoEffects.h"

#include <algorithm>
#include <cmath>

namespace {

std::vector<float> gaussianKernel(double sigma)
{
    const int radius = std::max(1, int(std::ceil(3 * sigma)));
    std::vector<float> kernel(std::size_t(2 * radius + 1));
    double sum = 0;
    for (int i = -radius; i <= radius; ++i)
        sum += kernel[std::size_t(i + radius)] = float(std::exp(-i * i / (2 * sigma * sigma)));
    for (float &k : kernel)
        k = float(k / sum);
    return kernel;
}

// Blurs along rows (step 1) or columns (step width), clamping at the edges.
void blurLines(Plane &plane, const std::vector<float> &kernel, bool columns)
{
    const int radius = int(kernel.size() / 2);
    const int lines = columns ? plane.width : plane.height;
    const int length = columns ? plane.height : plane.width;
    std::vector<float> line(static_cast<std::size_t>(length));
    for (int l = 0; l < lines; ++l) {
        for (int i = 0; i < length; ++i)
            line[std::size_t(i)] = columns ? plane.at(l, i) : plane.at(i, l);
        for (int i = 0; i < length; ++i) {
            float sum = 0;
            for (int k = -radius; k <= radius; ++k)
                sum += kernel[std::size_t(k + radius)] *
                    line[std::size_t(std::clamp(i + k, 0, length - 1))];
            (columns ? plane.at(l, i) : plane.at(i, l)) = sum;
        }
    }
}

} // namespace

Plane MakePlane(int width, int height, float value)
{
    return {width, height, std::vector<float>(std::size_t(width) * std::size_t(height), value)};
}

ColourPlanes MakeColourPlanes(int width, int height, Colour colour)
{
    return {MakePlane(width, height, colour.red), MakePlane(width, height, colour.green),
        MakePlane(width, height, colour.blue)};
}

void GaussianBlur(Plane &plane, double sigma)
{
    if (sigma <= 0)
        return;
    const std::vector<float> kernel = gaussianKernel(sigma);
    blurLines(plane, kernel, false);
    blurLines(plane, kernel, true);
}

void GaussianBlur(ColourPlanes &planes, double sigma)
{
    for (Plane *plane : {&planes.red, &planes.green, &planes.blue})
        GaussianBlur(*plane, sigma);
}

void AddNoise(ColourPlanes &planes, double sigma, std::mt19937 &random)
{
    std::normal_distribution<float> noise(0.0f, float(sigma));
    for (Plane *plane : {&planes.red, &planes.green, &planes.blue})
        for (float &v : plane->values)
            v += noise(random);
}

Plane SmoothField(int width, int height, int cell, std::mt19937 &random)
{
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    const int gw = width / cell + 2, gh = height / cell + 2;
    std::vector<float> grid(std::size_t(gw) * std::size_t(gh));
    for (float &v : grid)
        v = unit(random);
    Plane field = MakePlane(width, height, 0);
    for (int y = 0; y < height; ++y) {
        const double v = double(y) / cell;
        const int y0 = int(v);
        const float ay = float(v - y0);
        for (int x = 0; x < width; ++x) {
            const double u = double(x) / cell;
            const int x0 = int(u);
            const float ax = float(u - x0);
            auto g = [&](int gx, int gy) {
                return grid[std::size_t(gy) * std::size_t(gw) + std::size_t(gx)];
            };
            field.at(x, y) = (1 - ay) * ((1 - ax) * g(x0, y0) + ax * g(x0 + 1, y0)) +
                ay * ((1 - ax) * g(x0, y0 + 1) + ax * g(x0 + 1, y0 + 1));
        }
    }
    return field;
}

QImage ToImage(const ColourPlanes &planes)
{
    const int width = planes.red.width, height = planes.red.height;
    QImage image(width, height, QImage::Format_RGB888);
    auto byte = [](float v) { return uchar(std::clamp(std::lround(v), 0L, 255L)); };
    for (int y = 0; y < height; ++y) {
        uchar *row = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            row[3 * x] = byte(planes.red.at(x, y));
            row[3 * x + 1] = byte(planes.green.at(x, y));
            row[3 * x + 2] = byte(planes.blue.at(x, y));
        }
    }
    return image;
}
