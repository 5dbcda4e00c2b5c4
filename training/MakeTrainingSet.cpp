// make_training_set: renders the digit pictures that training and its report use, each one
// through the program's own labelling and normalisation, and writes them as sample files
// (TrainingSet.h) into the output folder:
//
//   train.bin            handwriting (training split, less the held-out part), the DejaVu
//                        and Liberation faces, and things that are not digits, in random looks
//   heldout.bin          the held-out part of the handwriting training split and more
//                        non-digits, for choosing the confidence threshold
//   eval-handwriting.bin the handwriting evaluation split, thresholded and enlarged 3 times
//   eval-pen.bin         the same redrawn with a round pen 5 to 8 pixels wide
//   eval-typeset.bin     the evaluation faces, thresholded and enlarged 3 times
//   faces.txt            the evaluation faces, one a line, in the order of eval-typeset.bin
//
// Every picture is drawn from a generator seeded by its own job number, so the files are the
// same whatever the number of threads.
#include "recognition/DigitNetwork.h"
#include "training/DigitSources.h"
#include "training/GlyphScenes.h"
#include "training/SegmentDigits.h"
#include "training/TrainingSet.h"

#include <QFile>
#include <QGuiApplication>
#include <QRawFont>
#include <QStringList>
#include <QTextStream>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <exception>
#include <functional>
#include <map>
#include <thread>

namespace {

constexpr std::uint32_t kSeed = 20261208;
constexpr int kHeldOutEvery = 20; // handwriting index % 20 == 1 is held out (never % 5 == 0)
constexpr int kFontPixels = 64;   // training faces are rendered this size, then scaled

struct Job
{
    QString file; // output file name
    std::function<std::vector<Sample>(std::mt19937 &)> make;
};

// A job that makes one picture's sample, when it has one.
template<typename Make> std::function<std::vector<Sample>(std::mt19937 &)> one(Make make)
{
    return [make](std::mt19937 &random) {
        const std::optional<Sample> sample = make(random);
        return sample ? std::vector<Sample> {*sample} : std::vector<Sample> {};
    };
}

struct Options
{
    QString mnist;
    QString out;
    QStringList trainFonts;
    QStringList evalFonts;
    bool quick = false;
    int threads = 2;
};

int usage()
{
    std::fprintf(stderr,
        "usage: make_training_set --out DIR [--mnist PACKAGE_DIR] [--train-font FILE]... "
        "[--eval-font FILE]... [--quick] [--threads N]\n");
    return 2;
}

double inkHeight(const InkPicture &picture)
{
    int top = picture.height, bottom = -1;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            if (picture.at(x, y) > 0.5f) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    return bottom >= top ? bottom - top + 1 : picture.height;
}

double uniform(std::mt19937 &random)
{
    return std::uniform_real_distribution<double>(0.0, 1.0)(random);
}

// With the given chance, the look's pictures are warped elastically by between `least` and
// `most` of their size (a new field each time).
void warpSometimes(Look &look, std::mt19937 &random, double chance, double least, double most)
{
    if (uniform(random) >= chance)
        return;
    look.warp = least + (most - least) * uniform(random);
    look.warpSeed = std::uint32_t(random());
}

// With the given chance, the look narrows or widens its pictures, evenly in the logarithm.
void widenSometimes(
    Look &look, std::mt19937 &random, double chance, double narrowest, double widest)
{
    if (uniform(random) < chance)
        look.widen = narrowest * std::pow(widest / narrowest, uniform(random));
}

// --- Lines of digits: what the glyph reading shows the network -------------------------------

// Gaps between neighbouring digits' ink: half the lines touch or overlap, as handwriting and
// tight type do, the others stand apart by up to a fifth of their height.
std::vector<int> lineGaps(std::size_t count, double height, std::mt19937 &random)
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const bool touching = unit(random) < 0.5;
    std::vector<int> gaps(count);
    for (int &gap : gaps)
        gap = touching
            ? int(std::lround(-3 + unit(random) * 4 - (unit(random) < 0.3 ? unit(random) * 5 : 0)))
            : int(std::lround(1 + unit(random) * 0.2 * height));
    return gaps;
}

// Two to four digits of one kind, each drawn by `digitMask`, set side by side; now and then
// one of them broken in pieces.
template<typename DigitMask>
std::vector<Sample> lineOf(
    std::mt19937 &random, int fewest, int most, double height, const DigitMask &digitMask)
{
    std::uniform_int_distribution<int> count(fewest, most), digit(0, 9);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<Mask> masks;
    std::vector<int> digits;
    for (int n = count(random); n > 0; --n) {
        digits.push_back(digit(random));
        masks.push_back(digitMask(digits.back(), random));
        if (unit(random) < 0.15)
            masks.back() = Broken(masks.back(), random);
    }
    return GlyphSamples(
        SideBySide(masks, digits, lineGaps(masks.size(), height, random), 2, random), 4, random);
}

// Seven-segment digits set by their cells: the pen moves on by the cell's advance, so a "1"
// keeps to the right of its cell and the gaps are the display's own.
std::vector<Sample> segmentLine(
    std::mt19937 &random, const std::vector<SegmentInk> &cells, double scale = 1)
{
    std::uniform_int_distribution<int> count(1, 4);
    std::vector<SceneDigit> placed;
    Look look;
    look.scale = scale;
    look.repeatPixels = false;
    double pen = 0;
    for (int n = count(random); n > 0; --n) {
        const int d = int(random() % cells.size());
        const SegmentInk &cell = cells[std::size_t(d)];
        placed.push_back({Render(cell.lit, look), int(std::lround(pen - cell.origin * scale)),
            int(std::lround(-cell.baseline * scale)), d % 10});
        pen += cell.advance * scale;
    }
    return GlyphSamples(placed, 4, random, true);
}

void planLines(
    const Options &options, const std::vector<LabelledInk> &mnistSamples, std::vector<Job> &jobs)
{
    const int scale = options.quick ? 1 : 100; // lines of each kind, in hundreds
    // Handwriting of the training split: those held out go to the held-out lines.
    auto training = std::make_shared<std::vector<const LabelledInk *>>();
    auto heldOut = std::make_shared<std::vector<const LabelledInk *>>();
    for (const LabelledInk &sample : mnistSamples) {
        if (isEvaluationSample(sample.index))
            continue;
        (sample.index % kHeldOutEvery == 1 ? heldOut : training)->push_back(&sample);
    }
    auto handwriting = [](const std::shared_ptr<std::vector<const LabelledInk *>> &pool) {
        return [pool](std::mt19937 &random) {
            // One look for the line, and a digit of the right kind from the pool for each place.
            Look look = RandomLook(random, 2.0, 4.0, 20);
            const bool warped = uniform(random) < 0.5;
            return lineOf(random, 2, 3, 20 * look.scale, [&](int &digit, std::mt19937 &r) {
                const LabelledInk *sample = nullptr;
                for (int tries = 0; tries < 64 && !sample; ++tries) {
                    const LabelledInk *candidate = (*pool)[r() % pool->size()];
                    if (candidate->digit == digit)
                        sample = candidate;
                }
                if (!sample)
                    sample = (*pool)[r() % pool->size()];
                digit = sample->digit;
                if (warped)
                    warpSometimes(look, r, 1.0, 0.03, 0.07);
                return Render(sample->picture, look);
            });
        };
    };
    if (!training->empty()) {
        for (int i = 0; i < 300 * scale; ++i)
            jobs.push_back({"train.bin", handwriting(training)});
        for (int i = 0; i < 15 * scale; ++i)
            jobs.push_back({"heldout.bin", handwriting(heldOut)});
    }

    // Typeset in the training faces, from 20 to 90 pixels tall.
    for (const QString &file : options.trainFonts) {
        const auto digits =
            std::make_shared<std::vector<LabelledInk>>(RenderFontDigits(file, kFontPixels));
        const int lines = std::max(1, 150 * scale / int(options.trainFonts.size()));
        for (int i = 0; i < lines + lines / 20; ++i)
            jobs.push_back(
                {i < lines ? "train.bin" : "heldout.bin", [digits](std::mt19937 &random) {
                     const double height = inkHeight((*digits)[8].picture);
                     Look look = RandomLook(random, 20 / height, 90 / height, height);
                     look.pen = 0;
                     look.repeatPixels = false;
                     widenSometimes(look, random, 0.5, 0.75, 1.3);
                     return lineOf(
                         random, 2, 4, height * look.scale, [&](int &digit, std::mt19937 &) {
                             return Render((*digits)[std::size_t(digit)].picture, look);
                         });
                 }});
    }

    // Seven segments: the training styles, and the Classic faces at 64 pixels, scaled.
    const int segmentLines = 120 * scale;
    for (int i = 0; i < segmentLines + segmentLines / 20; ++i)
        jobs.push_back({i < segmentLines ? "train.bin" : "heldout.bin", [](std::mt19937 &random) {
                            std::uniform_real_distribution<double> height(20, 90);
                            const TrainingSegmentStyle style =
                                RandomTrainingSegmentStyle(random, height(random));
                            std::vector<SegmentInk> cells;
                            for (int d = 0; d < 10; ++d)
                                cells.push_back(DrawnSegmentDigit(d, style));
                            return segmentLine(random, cells);
                        }});
    for (const QString &file : ClassicSegmentFontFiles()) {
        QRawFont font(file, 64);
        if (!font.isValid())
            continue;
        auto cells = std::make_shared<std::vector<SegmentInk>>();
        for (int d = 0; d < 10; ++d)
            cells->push_back(FontSegmentDigit(font, d));
        const int lines = std::max(1, 40 * scale / int(ClassicSegmentFontFiles().size()));
        for (int i = 0; i < lines; ++i)
            jobs.push_back({"train.bin", [cells](std::mt19937 &random) {
                                // From about 20 to 90 pixels tall.
                                std::uniform_real_distribution<double> scale(0.3, 1.4);
                                return segmentLine(random, *cells, scale(random));
                            }});
    }

    // Clumps of dots and other things that are no digit, set among each other.
    for (int i = 0; i < 30 * scale; ++i)
        jobs.push_back(
            {"train.bin", [](std::mt19937 &random) {
                 std::vector<Mask> masks {RandomJunk(random), RandomJunk(random)};
                 std::vector<int> digits {kNotADigit, kNotADigit};
                 return GlyphSamples(
                     SideBySide(masks, digits, lineGaps(2, 40, random), 4, random), 4, random);
             }});
}

std::vector<Job> planJobs(const Options &options, QStringList &faceNames)
{
    std::vector<Job> jobs;
    // No handwriting folder (the quick mode): typeset and pen-drawn digits only.
    const auto mnist = std::make_shared<std::vector<LabelledInk>>(
        options.mnist.isEmpty() ? std::vector<LabelledInk> {} : LoadMnist(options.mnist));
    const int mnistLooks = options.quick ? 1 : 8;
    const int quickPerDigit = 40;
    std::map<int, int> seen; // per digit, for the quick mode's cut

    for (std::size_t i = 0; i < mnist->size(); ++i) {
        const LabelledInk &sample = (*mnist)[i];
        if (options.quick && ++seen[sample.digit] > quickPerDigit)
            continue;
        const int digit = sample.digit;
        const double height = inkHeight(sample.picture);
        if (isEvaluationSample(sample.index)) {
            jobs.push_back({"eval-handwriting.bin", one([mnist, i, digit](std::mt19937 &) {
                                return SampleOf(Render((*mnist)[i].picture, Look {}), digit);
                            })});
            if (!options.quick)
                jobs.push_back({"eval-pen.bin", one([mnist, i, digit](std::mt19937 &) {
                                    Look look;
                                    look.pen = 5 + (*mnist)[i].index / 5 % 4;
                                    return SampleOf(Render((*mnist)[i].picture, look), digit);
                                })});
            continue;
        }
        const bool heldOut = sample.index % kHeldOutEvery == 1;
        const int looks = heldOut ? 2 : mnistLooks;
        for (int look = 0; look < looks; ++look)
            jobs.push_back({heldOut ? "heldout.bin" : "train.bin",
                one([mnist, i, digit, height](std::mt19937 &random) {
                    Look look = RandomLook(random, 1.0, 6.0, height);
                    warpSometimes(look, random, 0.6, 0.03, 0.08);
                    widenSometimes(look, random, 0.5, 0.8, 1.25);
                    return SampleOf(Render((*mnist)[i].picture, look), digit);
                })});
    }

    const int fontLooks = options.quick ? 12 : 60;
    for (const QString &file : options.trainFonts) {
        const auto digits =
            std::make_shared<std::vector<LabelledInk>>(RenderFontDigits(file, kFontPixels));
        for (int d = 0; d < 10; ++d) {
            const double height = inkHeight((*digits)[std::size_t(d)].picture);
            for (int look = 0; look < fontLooks; ++look)
                jobs.push_back(
                    {"train.bin", one([digits, d, height](std::mt19937 &random) {
                         // From about 12 to about 140 pixels tall, narrowed or widened, and
                         // now and then a pixel bolder.
                         Look look = RandomLook(random, 12 / height, 140 / height, height);
                         widenSometimes(look, random, 0.7, 0.7, 1.35);
                         Mask mask = Render((*digits)[std::size_t(d)].picture, look);
                         if (look.pen == 0 && height * look.scale >= 30 && uniform(random) < 0.25)
                             mask = Thicken(mask, 2);
                         return SampleOf(mask, d);
                     })});
        }
    }

    // Digits drawn with a pen, in several ways each, rotated and slanted but not enlarged.
    const int penDigits = options.quick ? 10 : 400;
    for (int d = 0; d < 10; ++d)
        for (int i = 0; i < penDigits; ++i)
            jobs.push_back({"train.bin", one([d](std::mt19937 &random) {
                                Look look = RandomLook(random, 1.0, 1.0, 100);
                                look.scale = 1;
                                look.pen = 0;
                                look.repeatPixels = false;
                                return SampleOf(Render(PenDigit(d, random), look), d);
                            })});

    for (const QString &file : options.evalFonts) {
        // About as tall as the handwriting's digits, then enlarged 3 times like them.
        const auto digits = std::make_shared<std::vector<LabelledInk>>(RenderFontDigits(file, 28));
        faceNames << FontFaceName(file);
        for (int d = 0; d < 10; ++d)
            jobs.push_back({"eval-typeset.bin", one([digits, d](std::mt19937 &) {
                                return SampleOf(
                                    Render((*digits)[std::size_t(d)].picture, Look {}), d);
                            })});
    }

    planLines(options, *mnist, jobs);

    std::size_t trained = 0;
    for (const Job &job : jobs)
        trained += job.file == QLatin1String("train.bin");
    const std::size_t junk = trained / 9; // a tenth of the training set
    for (std::size_t i = 0; i < junk; ++i)
        jobs.push_back({"train.bin",
            one([](std::mt19937 &random) { return SampleOf(RandomJunk(random), kNotADigit); })});
    for (int i = 0; i < (options.quick ? 20 : 600); ++i)
        jobs.push_back({"heldout.bin",
            one([](std::mt19937 &random) { return SampleOf(RandomJunk(random), kNotADigit); })});
    return jobs;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    Options options;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString &arg = args[i];
        auto value = [&]() -> QString { return i + 1 < args.size() ? args[++i] : QString(); };
        if (arg == "--mnist")
            options.mnist = value();
        else if (arg == "--out")
            options.out = value();
        else if (arg == "--train-font")
            options.trainFonts << value();
        else if (arg == "--eval-font")
            options.evalFonts << value();
        else if (arg == "--quick")
            options.quick = true;
        else if (arg == "--threads")
            options.threads = std::max(1, value().toInt());
        else
            return usage();
    }
    if (options.out.isEmpty())
        return usage();

    try {
        QStringList faceNames;
        std::vector<Job> jobs = planJobs(options, faceNames);
        std::vector<std::vector<Sample>> results(jobs.size());
        std::atomic<std::size_t> next = 0;
        auto work = [&] {
            for (std::size_t j; (j = next++) < jobs.size();) {
                std::mt19937 random(kSeed + std::uint32_t(j) * 2654435761u);
                results[j] = jobs[j].make(random);
            }
        };
        std::vector<std::thread> threads;
        for (int t = 1; t < options.threads; ++t)
            threads.emplace_back(work);
        work();
        for (std::thread &thread : threads)
            thread.join();

        std::map<QString, std::vector<Sample>> files;
        for (const QString name : {"train.bin", "heldout.bin", "eval-handwriting.bin",
                 "eval-pen.bin", "eval-typeset.bin"}) {
            QFile::remove(options.out + "/" + name);
            files[name];
        }
        for (std::size_t j = 0; j < jobs.size(); ++j)
            files[jobs[j].file].insert(
                files[jobs[j].file].end(), results[j].begin(), results[j].end());
        for (const auto &[name, samples] : files) {
            WriteSamples(options.out + "/" + name, samples);
            std::printf("%-22s %zu samples\n", qPrintable(name), samples.size());
        }
        QFile faces(options.out + "/faces.txt");
        if (!faces.open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw std::runtime_error("cannot write faces.txt");
        QTextStream(&faces) << faceNames.join('\n') << '\n';
    } catch (const std::exception &error) {
        std::fprintf(stderr, "make_training_set: %s\n", error.what());
        return 1;
    }
    return 0;
}
