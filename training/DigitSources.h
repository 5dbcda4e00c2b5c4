// Digit pictures for training and for the accuracy benchmark: handwriting from the MNIST
// files, digits typeset from font files, and the transformations that make them look the way
// the program sees digits (enlarged, rotated, slanted, thresholded, drawn with another pen).
// Everything here is a value: pictures own their pixels. Randomness comes in through an
// explicit generator, so each picture is reproducible from its seed.
#pragma once

#include <QPainterPath>
#include <QPointF>
#include <QString>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

// A grey picture of ink: 0 is paper, 1 is full ink.
struct InkPicture
{
    int width = 0;
    int height = 0;
    std::vector<float> ink; // row by row
    float at(int x, int y) const
    {
        return ink[std::size_t(y) * std::size_t(width) + std::size_t(x)];
    }
};

// The path filled in ink on paper, antialiased, moved by `offset`, in a picture of the given
// size.
InkPicture PaintInk(const QPainterPath &path, int width, int height, QPointF offset);

// A thresholded picture: 1 dark, 0 light.
struct Mask
{
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> dark;
    std::uint8_t &at(int x, int y)
    {
        return dark[std::size_t(y) * std::size_t(width) + std::size_t(x)];
    }
    std::uint8_t at(int x, int y) const
    {
        return dark[std::size_t(y) * std::size_t(width) + std::size_t(x)];
    }
};

struct LabelledInk
{
    int digit = 0;
    int index = 0; // position within its digit's file (handwriting) or face number (typeset)
    InkPicture picture;
};

// Reads src/digits/0.json .. 9.json of the mnist package folder: every 28 x 28 sample with its
// digit and its index in that file. Throws std::runtime_error when a file is missing or bad.
std::vector<LabelledInk> LoadMnist(const QString &packageFolder);

// A handwriting sample of the evaluation split: never trained or tuned on.
inline bool isEvaluationSample(int index)
{
    return index % 5 == 0;
}

// The ten digits of one font file, each as ink at about `pixelSize` pixels tall, antialiased,
// cropped to the glyph with a margin. Needs a QGuiApplication. Throws std::runtime_error when
// the file cannot be used.
std::vector<LabelledInk> RenderFontDigits(const QString &fontFile, int pixelSize);
// The family and style name of a font file, for reports.
QString FontFaceName(const QString &fontFile);

// How one picture is turned into what the program sees.
struct Look
{
    double scale = 3;         // output pixels per input pixel
    double rotation = 0;      // degrees, counter-clockwise
    double slant = 0;         // horizontal shear: x += slant * (centre y - y)
    bool repeatPixels = true; // nearest input pixel (enlarging by repetition) or bilinear
    int pen = 0;      // 0 keeps the strokes; otherwise they are redrawn this many pixels wide
    double widen = 1; // horizontal stretch before rotating, on top of the scale
    // Elastic distortion: every output pixel looks this share of the output's size away, in a
    // direction that varies smoothly across the picture (a field drawn from warpSeed).
    double warp = 0;
    std::uint32_t warpSeed = 0;
};

// Threshold the transformed ink (scaled, widened, rotated, slanted, then warped) at 128 of 255 (ink
// above half is dark, like a red byte below 128), with a white margin of `margin` pixels around;
// then, when look.pen is set, thin the strokes to their skeleton and redraw them with a round pen
// of that width.
Mask Render(const InkPicture &picture, const Look &look, int margin = 4);

// Thins the dark pixels to lines one pixel wide (Zhang and Suen's two-step thinning).
void Thin(Mask &mask);
// Every pixel whose centre lies within width / 2 of a dark pixel's centre becomes dark.
Mask Thicken(const Mask &mask, int width);

// A random look for training: enlarged 1 to 6 times, rotated up to 15 degrees, slanted a
// little, and in some pictures redrawn with a pen 1 to 12 pixels wide or the window's 5-pixel
// pen.
// The scale lies between minScale and maxScale (evenly in its logarithm); inkHeight is the
// height of the ink in the input, to keep the pen well below the digit's height.
Look RandomLook(std::mt19937 &random, double minScale, double maxScale, double inkHeight);

// Something that is not a digit, for the "none" class: a random smooth blob, a long line
// leaning well away from the vertical, a large filled rectangle or ellipse, or a patch of
// dense random dots.
Mask RandomJunk(std::mt19937 &random);

// A digit as a person draws it with a pen: one of a few stroke plans for the digit (a "1" with
// or without a flag and a foot, an open or closed "4", a "7" with or without a bar, ...), its
// points moved a little at random, drawn with a round pen at a random size and width, and now
// and then with a ball at the ends of its strokes, as type has. The window's 5-pixel pen is
// drawn most often.
InkPicture PenDigit(int digit, std::mt19937 &random);
