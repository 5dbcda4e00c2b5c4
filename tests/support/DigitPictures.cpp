#include "tests/support/DigitPictures.h"

#include "picture/PictureStore.h"
#include "recognition/DigitImage.h"
#include "recognition/DigitNetwork.h"
#include "recognition/LabelRegions.h"

#include <QFont>
#include <QPainter>

#include <algorithm>

namespace {

QImage sample(const char *name)
{
    return QImage(QStringLiteral(UMNOGLAZ_SAMPLES "/%1").arg(QLatin1String(name)))
        .convertToFormat(QImage::Format_RGB32);
}

QImage typeset(const QString &family, int pixelSize, const QString &text)
{
    QImage image(pixelSize * int(text.size()) + 40, pixelSize * 2, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setStyleStrategy(QFont::NoAntialias);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(20, pixelSize * 3 / 2, text);
    return image;
}

} // namespace

std::vector<DigitPicture> FixedDigitPictures()
{
    const QImage pen = sample("pen-digits.bmp");
    return {
        {"pen", pen, "0123456789"},
        {"penEnlarged", pen.scaled(pen.size() * 1.6), "0123456789"},
        {"penReduced", pen.scaled(pen.size() * 0.7), "0123456789"},
        {"dejaVuSans", sample("font-digits.bmp"), "0123456789"},
        {"dejaVuSerif", typeset(QStringLiteral("DejaVu Serif"), 48, QStringLiteral("0123456789")),
            "0123456789"},
        {"dejaVuSansBoldSmall",
            typeset(QStringLiteral("DejaVu Sans Mono"), 24, QStringLiteral("6969 6 9")), "696969"},
    };
}

std::vector<char> ReadWithNetwork(const DigitPicture &picture, DigitNetwork &network)
{
    PictureStore store;
    store.workRaster.setSize(picture.image.width(), picture.image.height());
    store.workRaster.canvas().draw(0, 0, picture.image);
    RebuildRowTable(store.rowTable, store.workRaster);
    RegionTable regions;
    LabelRegions(store.rowTable, regions);

    std::vector<std::pair<int, char>> read;
    for (std::size_t r = 1; r < regions.size(); ++r) {
        if (regions[r].count == 0)
            continue;
        const Box box = BoundingBox(regions[r].points);
        if (std::max(box.width, box.height) < network.minSide())
            continue;
        DigitImage image;
        NormaliseDigit(regions[r].points, image);
        DigitGuess guess;
        network.classify({&image, 1}, {&guess, 1});
        read.emplace_back(box.x, guess.confidence >= network.minConfidence() ? guess.digit : '?');
    }
    std::sort(read.begin(), read.end());
    std::vector<char> digits;
    for (const auto &[left, digit] : read)
        digits.push_back(digit);
    return digits;
}
