#include "bench/PageLooks.h"

#include "bench/PhotoEffects.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>

namespace {

double smoothStep(double edge0, double edge1, double x)
{
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

Colour mix(Colour a, Colour b, float t)
{
    return {a.red + (b.red - a.red) * t, a.green + (b.green - a.green) * t,
        a.blue + (b.blue - a.blue) * t};
}

void set(ColourPlanes &planes, int x, int y, Colour c)
{
    planes.red.at(x, y) = c.red;
    planes.green.at(x, y) = c.green;
    planes.blue.at(x, y) = c.blue;
}

void scale(ColourPlanes &planes, int x, int y, float factor)
{
    planes.red.at(x, y) *= factor;
    planes.green.at(x, y) *= factor;
    planes.blue.at(x, y) *= factor;
}

// Light falling across the page: 1 - depth at one side to 1 at the other, in a random direction.
Plane gradient(int width, int height, double depth, std::mt19937 &random)
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double angle = 2 * std::numbers::pi * unit(random);
    const double dx = std::cos(angle), dy = std::sin(angle);
    const double span = std::fabs(dx) * width + std::fabs(dy) * height;
    const double start = std::min(0.0, dx * width) + std::min(0.0, dy * height);
    Plane light = MakePlane(width, height, 1);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            light.at(x, y) = float(1 - depth * ((dx * x + dy * y - start) / span));
    return light;
}

// A line across the page at a random angle with `fraction` of the page on its positive side,
// roughly: the normal (nx, ny) and the offset along it.
struct Line
{
    double nx = 1, ny = 0, offset = 0;
    double distance(double x, double y) const { return nx * x + ny * y - offset; }
};

Line randomLine(int width, int height, double fraction, std::mt19937 &random)
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double angle = 2 * std::numbers::pi * unit(random);
    Line line {std::cos(angle), std::sin(angle), 0};
    const double low = std::min(0.0, line.nx * width) + std::min(0.0, line.ny * height);
    const double high = std::max(0.0, line.nx * width) + std::max(0.0, line.ny * height);
    line.offset = high - fraction * (high - low);
    return line;
}

// How much shadow lies on each pixel, 0 to 1, with soft edges; the shadow covers about a fifth
// to two fifths of the page.
Plane shadowShape(int width, int height, int shape, std::mt19937 &random)
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double soft = 40 + 160 * unit(random); // width of the penumbra
    const Line edge = randomLine(width, height, 0.2 + 0.25 * unit(random), random);
    const Line first = randomLine(width, height, 0.35 + 0.25 * unit(random), random);
    const Line second = randomLine(width, height, 0.35 + 0.25 * unit(random), random);
    const Line middle = randomLine(width, height, 0.3 + 0.4 * unit(random), random);
    const double cx = width * unit(random), cy = height * unit(random);
    const double rx = width * (0.2 + 0.15 * unit(random)),
                 ry = height * (0.25 + 0.15 * unit(random));
    const double band = std::min(width, height) * (0.12 + 0.13 * unit(random));
    auto step = [soft](double d) { return smoothStep(-soft / 2, soft / 2, d); };
    Plane amount = MakePlane(width, height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            double a = 0;
            switch (shape % 4) {
            case 0:
                a = step(edge.distance(x, y));
                break; // a hand or a phone at one side
            case 1: {  // a round shadow
                const double u = (x - cx) / rx, v = (y - cy) / ry;
                a = 1 - step((std::sqrt(u * u + v * v) - 1) * std::min(rx, ry));
                break;
            }
            case 2: // a corner
                a = std::min(step(first.distance(x, y)), step(second.distance(x, y)));
                break;
            default: // a band, as of a pen or an arm
                a = 1 - step(std::fabs(middle.distance(x, y)) - band / 2);
            }
            amount.at(x, y) = float(a);
        }
    return amount;
}

Colour warmPaper(std::mt19937 &random)
{
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    const float white = 240 + 12 * unit(random);
    return {white, white - 2 - 4 * unit(random), white - 6 - 8 * unit(random)};
}

} // namespace

QImage CleanLook(const PageInk &page)
{
    const int width = page.lit.width, height = page.lit.height;
    ColourPlanes planes = MakeColourPlanes(width, height, {255, 255, 255});
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            scale(planes, x, y, 1 - page.lit.at(x, y));
    return ToImage(planes);
}

QImage ShadowLook(const PageInk &page, int shape, std::mt19937 &random)
{
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    const int width = page.lit.width, height = page.lit.height;
    const Colour paper = warmPaper(random);
    const Colour ink = unit(random) < 0.5 ? Colour {28, 28, 34} : Colour {30, 45, 140};
    const float shaded = 0.35f + 0.2f * unit(random); // paper brightness in the shadow
    const Plane shadow = shadowShape(width, height, shape, random);
    const Plane light = gradient(width, height, 0.08, random);
    ColourPlanes planes = MakeColourPlanes(width, height, paper);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const float l = light.at(x, y) * (1 - (1 - shaded) * shadow.at(x, y));
            set(planes, x, y, mix(paper, ink, page.lit.at(x, y)));
            scale(planes, x, y, l);
        }
    GaussianBlur(planes, 0.6 + 0.6 * unit(random));
    AddNoise(planes, 3 + 3 * unit(random), random);
    return ToImage(planes);
}

QImage PencilLook(const PageInk &page, std::mt19937 &random)
{
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    const int width = page.lit.width, height = page.lit.height;
    const std::array<Colour, 4> tints = {Colour {244, 236, 214}, Colour {229, 229, 224},
        Colour {232, 238, 246}, Colour {248, 244, 206}};
    const Colour paper =
        unit(random) < 0.5 ? Colour {251, 251, 249} : tints[std::size_t(unit(random) * 4) % 4];
    // The pencil's grey, 95 to 150, changes slowly over the page as the pressure does.
    const Plane pressure = SmoothField(width, height, 400, random);
    Plane grain = MakePlane(width, height, 0);
    std::uniform_real_distribution<float> speck(0.0f, 1.0f);
    for (float &g : grain.values)
        g = speck(random);
    GaussianBlur(grain, 0.8);
    const Plane light = gradient(width, height, 0.06 + 0.08 * unit(random), random);
    ColourPlanes planes = MakeColourPlanes(width, height, paper);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            // Graphite on the paper's tooth: a fine grain of about 12 levels either way around
            // the stroke's grey (the blurred grain's deviation is about 0.1).
            const float value = 95 + 55 * pressure.at(x, y) + 120 * (grain.at(x, y) - 0.5f);
            const Colour lead {value, value, value + 4};
            set(planes, x, y, mix(paper, lead, page.lit.at(x, y)));
            scale(planes, x, y, light.at(x, y));
        }
    GaussianBlur(planes, 0.5 + 0.3 * unit(random));
    AddNoise(planes, 2 + 2 * unit(random), random);
    return ToImage(planes);
}

QImage DarkScreenLook(const PageInk &page, std::mt19937 &random)
{
    const std::array<Colour, 5> backgrounds = {Colour {30, 30, 30}, Colour {40, 44, 52},
        Colour {18, 18, 18}, Colour {33, 37, 43}, Colour {13, 17, 23}};
    const std::array<Colour, 5> texts = {Colour {230, 230, 230}, Colour {171, 178, 191},
        Colour {201, 209, 217}, Colour {255, 255, 255}, Colour {212, 212, 170}};
    std::uniform_int_distribution<int> pick(0, 4);
    const Colour background = backgrounds[std::size_t(pick(random))];
    const Colour text = texts[std::size_t(pick(random))];
    const int width = page.lit.width, height = page.lit.height;
    ColourPlanes planes = MakeColourPlanes(width, height, background);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            set(planes, x, y, mix(background, text, page.lit.at(x, y)));
    return ToImage(planes);
}

QImage BothLook(const PageInk &page, std::mt19937 &random)
{
    const int height = page.lit.height;
    // The panel's top: half way across the first gap between lines from the middle down, as a
    // panel's padding leaves it.
    auto covered = [&page](int y) {
        return std::any_of(page.truth.begin(), page.truth.end(), [y](const TruthNumber &number) {
            return number.box.top() <= y && y <= number.box.bottom();
        });
    };
    int gapStart = height / 2;
    while (gapStart < height && covered(gapStart))
        ++gapStart;
    int gapEnd = gapStart;
    while (gapEnd < height && !covered(gapEnd))
        ++gapEnd;
    const int top = (gapStart + gapEnd) / 2;
    const QImage dark = DarkScreenLook(page, random);
    QImage both = CleanLook(page).convertToFormat(dark.format());
    for (int y = top; y < height; ++y)
        std::memcpy(both.scanLine(y), dark.constScanLine(y), std::size_t(dark.bytesPerLine()));
    return both;
}

QImage LcdLook(const PageInk &page, std::mt19937 &random)
{
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    const int width = page.lit.width, height = page.lit.height;
    const Colour glass {165 + 25 * unit(random), 178 + 20 * unit(random), 142 + 22 * unit(random)};
    const Colour segment {38 + 20 * unit(random), 44 + 20 * unit(random), 38 + 16 * unit(random)};
    const float faint = 0.05f + 0.07f * unit(random); // how much darker an unlit segment is
    const int shadowX = 2 + int(3 * unit(random)), shadowY = 2 + int(3 * unit(random));
    const Plane light = gradient(width, height, 0.06 + 0.08 * unit(random), random);
    ColourPlanes planes = MakeColourPlanes(width, height, glass);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            float shade = 1 - faint * page.unlit.at(x, y);
            const int sx = x - shadowX, sy = y - shadowY;
            if (sx >= 0 && sy >= 0)
                shade *= 1 - 0.08f * page.lit.at(sx, sy);
            const Colour base {glass.red * shade, glass.green * shade, glass.blue * shade};
            set(planes, x, y, mix(base, segment, 0.92f * page.lit.at(x, y)));
            scale(planes, x, y, light.at(x, y));
        }
    GaussianBlur(planes, 0.6 + 0.7 * unit(random));
    AddNoise(planes, 3 + 4 * unit(random), random);
    return ToImage(planes);
}

QImage LedLook(const PageInk &page, std::mt19937 &random)
{
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    const int width = page.lit.width, height = page.lit.height;
    const Colour colour = unit(random) < 0.5 ? Colour {255, 40 + 30 * unit(random), 25}
                                             : Colour {50, 235 + 20 * unit(random), 90};
    const Colour black {6 + 8 * unit(random), 6 + 6 * unit(random), 6 + 6 * unit(random)};
    const float faint = 0.1f * unit(random); // unlit segments, barely lit
    Plane glow {width, height, page.lit.ink};
    GaussianBlur(glow, 3 + 3 * unit(random));
    const float glowStrength = 0.4f + 0.3f * unit(random);
    // The lit core burns towards white.
    const Colour core = mix(colour, Colour {255, 255, 255}, 0.25f + 0.2f * unit(random));
    ColourPlanes planes = MakeColourPlanes(width, height, black);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const float halo =
                std::min(1.0f, faint * page.unlit.at(x, y) + glowStrength * glow.at(x, y));
            const Colour around = mix(black, colour, halo);
            set(planes, x, y, mix(around, core, page.lit.at(x, y)));
        }
    GaussianBlur(planes, 0.7 + 0.5 * unit(random));
    AddNoise(planes, 2 + 2 * unit(random), random);
    return ToImage(planes);
}
