#include "training/DigitSources.h"

#include "recognition/Regions.h"

#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>
#include <QRawFont>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace {

constexpr int kMnistSide = 28;

std::runtime_error failure(const QString &text)
{
    return std::runtime_error(text.toStdString());
}

} // namespace

std::vector<LabelledInk> LoadMnist(const QString &packageFolder)
{
    std::vector<LabelledInk> samples;
    for (int digit = 0; digit < 10; ++digit) {
        const QString path = QStringLiteral("%1/src/digits/%2.json").arg(packageFolder).arg(digit);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw failure(path + QStringLiteral(": ") + file.errorString());
        const QJsonArray data =
            QJsonDocument::fromJson(file.readAll()).object().value("data").toArray();
        if (data.isEmpty() || data.size() % (kMnistSide * kMnistSide) != 0)
            throw failure(path + QStringLiteral(": not a list of 28 x 28 pictures"));
        const int count = int(data.size()) / (kMnistSide * kMnistSide);
        for (int index = 0; index < count; ++index) {
            LabelledInk sample {digit, index, {kMnistSide, kMnistSide, {}}};
            sample.picture.ink.resize(kMnistSide * kMnistSide);
            for (int i = 0; i < kMnistSide * kMnistSide; ++i)
                sample.picture.ink[std::size_t(i)] = float(
                    std::clamp(data[index * kMnistSide * kMnistSide + i].toDouble(), 0.0, 1.0));
            samples.push_back(std::move(sample));
        }
    }
    return samples;
}

InkPicture PaintInk(const QPainterPath &path, int width, int height, QPointF offset)
{
    QImage image(width, height, QImage::Format_Grayscale8);
    image.fill(255);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.translate(offset);
        painter.fillPath(path, Qt::black);
    }
    InkPicture picture {
        width, height, std::vector<float>(std::size_t(width) * std::size_t(height))};
    for (int y = 0; y < height; ++y) {
        const uchar *row = image.constScanLine(y);
        for (int x = 0; x < width; ++x)
            picture.ink[std::size_t(y) * std::size_t(width) + std::size_t(x)] =
                1.0f - row[x] / 255.0f;
    }
    return picture;
}

QString FontFaceName(const QString &fontFile)
{
    const QRawFont font(fontFile, 20);
    if (!font.isValid())
        return fontFile;
    return font.familyName() + QLatin1Char(' ') + font.styleName();
}

std::vector<LabelledInk> RenderFontDigits(const QString &fontFile, int pixelSize)
{
    const QRawFont font(fontFile, pixelSize);
    if (!font.isValid())
        throw failure(fontFile + QStringLiteral(": not a font file Qt can read"));
    std::vector<LabelledInk> digits;
    for (int digit = 0; digit < 10; ++digit) {
        const QList<quint32> glyphs = font.glyphIndexesForString(QString::number(digit));
        if (glyphs.size() != 1 || glyphs[0] == 0)
            throw failure(fontFile + QStringLiteral(": has no digit %1").arg(digit));
        const QPainterPath path = font.pathForGlyph(glyphs[0]);
        const QRectF bounds = path.boundingRect();
        if (bounds.isEmpty())
            throw failure(fontFile + QStringLiteral(": digit %1 is empty").arg(digit));
        constexpr int margin = 2;
        QImage image(int(std::ceil(bounds.width())) + 2 * margin,
            int(std::ceil(bounds.height())) + 2 * margin, QImage::Format_Grayscale8);
        image.fill(255);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.translate(margin - bounds.left(), margin - bounds.top());
            painter.fillPath(path, Qt::black);
        }
        LabelledInk sample {digit, 0, {image.width(), image.height(), {}}};
        sample.picture.ink.resize(std::size_t(image.width()) * std::size_t(image.height()));
        for (int y = 0; y < image.height(); ++y) {
            const uchar *row = image.constScanLine(y);
            for (int x = 0; x < image.width(); ++x)
                sample.picture.ink[std::size_t(y) * std::size_t(image.width()) + std::size_t(x)] =
                    1.0f - row[x] / 255.0f;
        }
        digits.push_back(std::move(sample));
    }
    return digits;
}

namespace {

float bilinear(const InkPicture &picture, double u, double v)
{
    // Pixel centres at i + 0.5; outside the picture is paper.
    const double fx = u - 0.5, fy = v - 0.5;
    const int x0 = int(std::floor(fx)), y0 = int(std::floor(fy));
    const double ax = fx - x0, ay = fy - y0;
    auto ink = [&](int x, int y) -> double {
        if (x < 0 || y < 0 || x >= picture.width || y >= picture.height)
            return 0.0;
        return picture.at(x, y);
    };
    return float((1 - ay) * ((1 - ax) * ink(x0, y0) + ax * ink(x0 + 1, y0)) +
        ay * ((1 - ax) * ink(x0, y0 + 1) + ax * ink(x0 + 1, y0 + 1)));
}

float nearest(const InkPicture &picture, double u, double v)
{
    const int x = int(std::floor(u)), y = int(std::floor(v));
    if (x < 0 || y < 0 || x >= picture.width || y >= picture.height)
        return 0.0f;
    return picture.at(x, y);
}

// A smooth field of displacements over the output box: random vectors on a coarse grid,
// interpolated bilinearly between its points.
class Warp
{
public:
    Warp(const Look &look, double width, double height)
        : m_width(std::max(width, 1.0))
        , m_height(std::max(height, 1.0))
        , m_amplitude(look.warp * std::max(width, height))
    {
        if (m_amplitude <= 0)
            return;
        std::mt19937 random(look.warpSeed);
        std::uniform_real_distribution<double> unit(-1.0, 1.0);
        for (auto &point : m_grid)
            point = {unit(random) * m_amplitude, unit(random) * m_amplitude};
    }

    int reach() const { return int(std::ceil(m_amplitude * std::numbers::sqrt2)); }

    // Moves (x, y), given at (u, v) from the box's corner.
    void move(double u, double v, double &x, double &y) const
    {
        if (m_amplitude <= 0)
            return;
        const double gx = std::clamp(u / m_width, 0.0, 1.0) * (kSide - 1);
        const double gy = std::clamp(v / m_height, 0.0, 1.0) * (kSide - 1);
        const int i = std::min(int(gx), kSide - 2), j = std::min(int(gy), kSide - 2);
        const double ax = gx - i, ay = gy - j;
        for (int k = 0; k < 2; ++k) {
            const auto at = [&](int a, int b) { return m_grid[std::size_t(b * kSide + a)][k]; };
            const double d = (1 - ay) * ((1 - ax) * at(i, j) + ax * at(i + 1, j)) +
                ay * ((1 - ax) * at(i, j + 1) + ax * at(i + 1, j + 1));
            (k == 0 ? x : y) += d;
        }
    }

private:
    static constexpr int kSide = 4;
    double m_width, m_height, m_amplitude;
    std::array<std::array<double, 2>, kSide * kSide> m_grid {};
};

} // namespace

Mask Render(const InkPicture &picture, const Look &look, int margin)
{
    if (look.pen > 0)
        margin += look.pen / 2 + 1;
    // Forward map about the picture's centre: scale, then rotate, then slant.
    const double angle = look.rotation * std::numbers::pi / 180.0;
    const double c = std::cos(angle), s = std::sin(angle);
    // A = Shear * Rotation * Scale, with y growing downwards (counter-clockwise on screen).
    const double sx = look.scale * look.widen, sy = look.scale;
    const double a11 = sx * (c + look.slant * s), a12 = sy * (s - look.slant * c);
    const double a21 = sx * -s, a22 = sy * c;
    // Note: the shear row uses -slant * y' so that a positive slant leans the top to the right.
    const double cx = picture.width / 2.0, cy = picture.height / 2.0;
    double minX = 1e300, maxX = -1e300, minY = 1e300, maxY = -1e300;
    for (double px : {0.0, double(picture.width)})
        for (double py : {0.0, double(picture.height)}) {
            const double x = a11 * (px - cx) + a12 * (py - cy);
            const double y = a21 * (px - cx) + a22 * (py - cy);
            minX = std::min(minX, x);
            maxX = std::max(maxX, x);
            minY = std::min(minY, y);
            maxY = std::max(maxY, y);
        }
    const Warp warp(look, maxX - minX, maxY - minY);
    margin += warp.reach();
    Mask mask;
    mask.width = int(std::ceil(maxX - minX)) + 2 * margin;
    mask.height = int(std::ceil(maxY - minY)) + 2 * margin;
    mask.dark.assign(std::size_t(mask.width) * std::size_t(mask.height), 0);
    const double det = a11 * a22 - a12 * a21;
    const double i11 = a22 / det, i12 = -a12 / det, i21 = -a21 / det, i22 = a11 / det;
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x) {
            double ox = x + 0.5 - margin + minX, oy = y + 0.5 - margin + minY;
            warp.move(ox - minX, oy - minY, ox, oy);
            const double u = i11 * ox + i12 * oy + cx, v = i21 * ox + i22 * oy + cy;
            const float ink = look.repeatPixels ? nearest(picture, u, v) : bilinear(picture, u, v);
            // The red byte this ink would give on white paper, judged by the program's rule.
            const auto red = std::uint8_t(std::lround(255.0 - 255.0 * double(ink)));
            mask.at(x, y) = isDarkRed(red);
        }
    if (look.pen > 0) {
        Thin(mask);
        mask = Thicken(mask, look.pen);
    }
    return mask;
}

void Thin(Mask &mask)
{
    auto dark = [&](int x, int y) -> int {
        return x >= 0 && y >= 0 && x < mask.width && y < mask.height && mask.at(x, y);
    };
    std::vector<std::size_t> removal;
    bool changed = true;
    while (changed) {
        changed = false;
        for (int step = 0; step < 2; ++step) {
            removal.clear();
            for (int y = 0; y < mask.height; ++y)
                for (int x = 0; x < mask.width; ++x) {
                    if (!mask.at(x, y))
                        continue;
                    // Neighbours p2..p9 clockwise from the one above.
                    const int p[8] = {dark(x, y - 1), dark(x + 1, y - 1), dark(x + 1, y),
                        dark(x + 1, y + 1), dark(x, y + 1), dark(x - 1, y + 1), dark(x - 1, y),
                        dark(x - 1, y - 1)};
                    int neighbours = 0, transitions = 0;
                    for (int i = 0; i < 8; ++i) {
                        neighbours += p[i];
                        transitions += !p[i] && p[(i + 1) % 8];
                    }
                    if (neighbours < 2 || neighbours > 6 || transitions != 1)
                        continue;
                    const bool keep = step == 0 ? (p[0] && p[2] && p[4]) || (p[2] && p[4] && p[6])
                                                : (p[0] && p[2] && p[6]) || (p[0] && p[4] && p[6]);
                    if (!keep)
                        removal.push_back(
                            std::size_t(y) * std::size_t(mask.width) + std::size_t(x));
                }
            for (std::size_t i : removal)
                mask.dark[i] = 0;
            changed = changed || !removal.empty();
        }
    }
}

Mask Thicken(const Mask &mask, int width)
{
    const double radius = std::max(width, 1) / 2.0;
    const int reach = int(std::floor(radius));
    std::vector<std::pair<int, int>> disc;
    for (int dy = -reach; dy <= reach; ++dy)
        for (int dx = -reach; dx <= reach; ++dx)
            if (dx * dx + dy * dy <= radius * radius)
                disc.emplace_back(dx, dy);
    Mask out {mask.width, mask.height, std::vector<std::uint8_t>(mask.dark.size(), 0)};
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x) {
            if (!mask.at(x, y))
                continue;
            for (auto [dx, dy] : disc) {
                const int tx = x + dx, ty = y + dy;
                if (tx >= 0 && ty >= 0 && tx < out.width && ty < out.height)
                    out.at(tx, ty) = 1;
            }
        }
    return out;
}

Look RandomLook(std::mt19937 &random, double minScale, double maxScale, double inkHeight)
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    Look look;
    look.scale = minScale * std::pow(maxScale / minScale, unit(random));
    look.rotation = -15.0 + 30.0 * unit(random);
    look.slant = -0.25 + 0.5 * unit(random);
    look.repeatPixels = unit(random) < 0.4;
    const double height = inkHeight * look.scale;
    const double choice = unit(random);
    if (choice < 0.15 && height >= 20) {
        look.pen = 5; // the window's pen
    } else if (choice < 0.55) {
        // No stroke wider than a fifth of the digit's height, which would fill it in.
        const int widest = std::clamp(int(height / 5), 1, 12);
        look.pen = 1 + int(unit(random) * widest);
    }
    return look;
}

namespace {

Mask smoothBlob(std::mt19937 &random, std::uniform_real_distribution<double> &unit)
{
    // A coarse grid of random levels, enlarged bilinearly and cut at a random level.
    const int grid = 3 + int(unit(random) * 5);
    InkPicture coarse {grid, grid, std::vector<float>(std::size_t(grid * grid))};
    for (float &v : coarse.ink)
        v = float(unit(random));
    const double size = 20 + unit(random) * 140;
    Look look;
    look.scale = size / grid;
    look.repeatPixels = false;
    Mask mask = Render(coarse, look, 2);
    // Render cuts at one half; a different cut gives fatter or thinner blobs.
    return mask;
}

Mask line(std::mt19937 &random, std::uniform_real_distribution<double> &unit)
{
    const double length = 30 + unit(random) * 270;
    const int width = 1 + int(unit(random) * 10);
    // At least 35 degrees away from the vertical, so that no "1" is among them.
    double angle = (35 + unit(random) * 110) * std::numbers::pi / 180.0;
    const int w = int(std::fabs(std::sin(angle)) * length) + 2 * width + 4;
    const int h = int(std::fabs(std::cos(angle)) * length) + 2 * width + 4;
    Mask mask {w, h, std::vector<std::uint8_t>(std::size_t(w) * std::size_t(h), 0)};
    const int steps = int(length) * 2;
    const double x0 = w / 2.0 - std::sin(angle) * length / 2,
                 y0 = h / 2.0 - std::cos(angle) * length / 2;
    for (int i = 0; i <= steps; ++i) {
        const int x = int(x0 + std::sin(angle) * length * i / steps);
        const int y = int(y0 + std::cos(angle) * length * i / steps);
        if (x >= 0 && y >= 0 && x < w && y < h)
            mask.at(x, y) = 1;
    }
    return Thicken(mask, width);
}

Mask filledShape(std::mt19937 &random, std::uniform_real_distribution<double> &unit)
{
    const int w = 15 + int(unit(random) * 185);
    const double aspect = 0.65 + unit(random) * 0.9; // squarer than any bold "1"
    const int h = std::max(8, int(w * aspect));
    const bool ellipse = unit(random) < 0.5;
    Mask mask {w + 4, h + 4, std::vector<std::uint8_t>(std::size_t(w + 4) * std::size_t(h + 4), 0)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double u = (x + 0.5) / w * 2 - 1, v = (y + 0.5) / h * 2 - 1;
            if (!ellipse || u * u + v * v <= 1)
                mask.at(x + 2, y + 2) = 1;
        }
    return mask;
}

Mask dots(std::mt19937 &random, std::uniform_real_distribution<double> &unit)
{
    const int side = 20 + int(unit(random) * 100);
    const double density = 0.3 + unit(random) * 0.3;
    Mask mask {side, side, std::vector<std::uint8_t>(std::size_t(side) * std::size_t(side), 0)};
    for (auto &d : mask.dark)
        d = unit(random) < density;
    return mask;
}

} // namespace

Mask RandomJunk(std::mt19937 &random)
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double kind = unit(random);
    if (kind < 0.4)
        return smoothBlob(random, unit);
    if (kind < 0.65)
        return line(random, unit);
    if (kind < 0.85)
        return filledShape(random, unit);
    return dots(random, unit);
}

namespace {

using Stroke = std::vector<QPointF>;

// Points along an elliptic arc in the digit's box (x 0 to 1, y 0 to 1.5, y downwards), from
// angle a0 to a1 in degrees.
Stroke arcOf(double cx, double cy, double rx, double ry, double a0, double a1)
{
    Stroke stroke;
    const int steps = std::max(8, int(std::fabs(a1 - a0) / 10));
    for (int i = 0; i <= steps; ++i) {
        const double a = (a0 + (a1 - a0) * i / steps) * std::numbers::pi / 180;
        stroke.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
    }
    return stroke;
}

Stroke operator+(Stroke a, const Stroke &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<std::vector<Stroke>> strokePlans(int digit)
{
    switch (digit) {
    case 0:
        return {{arcOf(0.5, 0.75, 0.45, 0.7, -90, 275)}};
    case 1:
        // Upright, flagged (a short flag, a long one, a flat one) without a foot, and with one.
        return {{{{0.5, 0}, {0.5, 1.5}}}, {{{0.15, 0.35}, {0.55, 0}, {0.55, 1.5}}},
            {{{0.05, 0.55}, {0.55, 0}, {0.55, 1.5}}}, {{{0.2, 0.15}, {0.6, 0}, {0.6, 1.5}}},
            {{{0.2, 0.3}, {0.55, 0}, {0.55, 1.5}}, {{0.2, 1.5}, {0.9, 1.5}}}};
    case 2:
        return {{arcOf(0.5, 0.42, 0.42, 0.4, 190, 380) + Stroke {{0.05, 1.5}, {0.95, 1.5}}},
            {arcOf(0.5, 0.42, 0.42, 0.4, 200, 400) + Stroke {{0.05, 1.45}} +
                arcOf(0.5, 1.6, 0.45, 0.25, 260, 320)}};
    case 3:
        return {{arcOf(0.5, 0.38, 0.4, 0.36, 200, 450) + arcOf(0.5, 1.1, 0.44, 0.4, 270, 520)},
            {Stroke {{0.1, 0}, {0.9, 0}, {0.4, 0.6}} + arcOf(0.5, 1.05, 0.44, 0.45, 280, 520)}};
    case 4:
        return {{{{0.7, 1.5}, {0.7, 0}, {0.05, 1.05}, {0.95, 1.05}}},
            {{{0.15, 0}, {0.1, 0.9}, {0.95, 0.9}}, {{0.7, 0.3}, {0.7, 1.5}}}};
    case 5:
        return {{Stroke {{0.9, 0}, {0.2, 0}, {0.15, 0.65}} + arcOf(0.5, 1.0, 0.42, 0.48, 235, 495)},
            {Stroke {{0.2, 0}, {0.15, 0.65}} + arcOf(0.5, 1.0, 0.42, 0.48, 235, 495),
                Stroke {{0.2, 0}, {0.9, 0}}}};
    case 6:
        return {{Stroke {{0.85, 0.05}} + arcOf(0.8, 0.85, 0.7, 0.8, 250, 180) +
            arcOf(0.5, 1.1, 0.4, 0.4, 180, 540)}};
    case 7:
        return {{{{0.05, 0}, {0.95, 0}, {0.35, 1.5}}},
            {{{0.05, 0}, {0.95, 0}, {0.35, 1.5}}, {{0.3, 0.75}, {0.85, 0.75}}}};
    case 8:
        return {{arcOf(0.5, 0.38, 0.35, 0.36, 90, 450) + arcOf(0.5, 1.1, 0.42, 0.4, -90, 270)}};
    default:
        return {{arcOf(0.5, 0.45, 0.42, 0.43, 0, 360) + Stroke {{0.9, 0.5}, {0.8, 1.5}}},
            {arcOf(0.5, 0.45, 0.42, 0.43, 10, 370) + arcOf(0.2, 0.5, 0.72, 1.0, 0, 90)}};
    }
}

} // namespace

InkPicture PenDigit(int digit, std::mt19937 &random)
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const auto plans = strokePlans(digit);
    const auto &plan = plans[std::size_t(unit(random) * double(plans.size())) % plans.size()];
    const double height = 24 + unit(random) * 130;
    const double width = height / 1.5 * (0.6 + unit(random) * 0.6);
    int pen = 5;
    if (unit(random) < 0.5)
        pen = 2 + int(unit(random) * std::clamp(height / 6 - 1, 1.0, 11.0)); // 1 px would break up
    const int margin = 2 * pen + 4;
    QImage image(int(width) + 2 * margin, int(height) + 2 * margin, QImage::Format_Grayscale8);
    image.fill(255);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Qt::black, pen, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        const double jitter = 0.06;
        // Now and then the strokes end in balls, as in many faces' 2, 3, 5, 6, 7 and 9.
        const bool balls = unit(random) < 0.3 && digit != 0 && digit != 4 && digit != 8;
        const double ball = pen * (0.6 + 0.5 * unit(random));
        for (const Stroke &stroke : plan) {
            QPolygonF line;
            for (const QPointF &p : stroke)
                line << QPointF(margin + (p.x() + jitter * (unit(random) - 0.5)) * width,
                    margin + (p.y() + jitter * (unit(random) - 0.5)) / 1.5 * height);
            painter.drawPolyline(line);
            if (balls && line.size() > 1) {
                painter.setBrush(Qt::black);
                painter.drawEllipse(line.front(), ball, ball);
                painter.drawEllipse(line.back(), ball, ball);
                painter.setBrush(Qt::NoBrush);
            }
        }
    }
    InkPicture picture {image.width(), image.height(), {}};
    picture.ink.resize(std::size_t(image.width()) * std::size_t(image.height()));
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            picture.ink[std::size_t(y) * std::size_t(image.width()) + std::size_t(x)] =
                1.0f - image.constScanLine(y)[x] / 255.0f;
    return picture;
}
