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
#include "training/TrainingSet.h"

#include <QFile>
#include <QGuiApplication>
#include <QStringList>
#include <QTextStream>

#include <atomic>
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
    std::function<std::optional<Sample>(std::mt19937 &)> make;
};

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
            jobs.push_back({"eval-handwriting.bin", [mnist, i, digit](std::mt19937 &) {
                                return SampleOf(Render((*mnist)[i].picture, Look {}), digit);
                            }});
            if (!options.quick)
                jobs.push_back({"eval-pen.bin", [mnist, i, digit](std::mt19937 &) {
                                    Look look;
                                    look.pen = 5 + (*mnist)[i].index / 5 % 4;
                                    return SampleOf(Render((*mnist)[i].picture, look), digit);
                                }});
            continue;
        }
        const bool heldOut = sample.index % kHeldOutEvery == 1;
        const int looks = heldOut ? 2 : mnistLooks;
        for (int look = 0; look < looks; ++look)
            jobs.push_back({heldOut ? "heldout.bin" : "train.bin",
                [mnist, i, digit, height](std::mt19937 &random) {
                    return SampleOf(
                        Render((*mnist)[i].picture, RandomLook(random, 1.0, 6.0, height)), digit);
                }});
    }

    const int fontLooks = options.quick ? 12 : 60;
    for (const QString &file : options.trainFonts) {
        const auto digits =
            std::make_shared<std::vector<LabelledInk>>(RenderFontDigits(file, kFontPixels));
        for (int d = 0; d < 10; ++d) {
            const double height = inkHeight((*digits)[std::size_t(d)].picture);
            for (int look = 0; look < fontLooks; ++look)
                jobs.push_back({"train.bin", [digits, d, height](std::mt19937 &random) {
                                    // From about 12 to about 140 pixels tall.
                                    return SampleOf(
                                        Render((*digits)[std::size_t(d)].picture,
                                            RandomLook(random, 12 / height, 140 / height, height)),
                                        d);
                                }});
        }
    }

    // Digits drawn with a pen, in several ways each, rotated and slanted but not enlarged.
    const int penDigits = options.quick ? 10 : 400;
    for (int d = 0; d < 10; ++d)
        for (int i = 0; i < penDigits; ++i)
            jobs.push_back({"train.bin", [d](std::mt19937 &random) {
                                Look look = RandomLook(random, 1.0, 1.0, 100);
                                look.scale = 1;
                                look.pen = 0;
                                look.repeatPixels = false;
                                return SampleOf(Render(PenDigit(d, random), look), d);
                            }});

    for (const QString &file : options.evalFonts) {
        // About as tall as the handwriting's digits, then enlarged 3 times like them.
        const auto digits = std::make_shared<std::vector<LabelledInk>>(RenderFontDigits(file, 28));
        faceNames << FontFaceName(file);
        for (int d = 0; d < 10; ++d)
            jobs.push_back({"eval-typeset.bin", [digits, d](std::mt19937 &) {
                                return SampleOf(
                                    Render((*digits)[std::size_t(d)].picture, Look {}), d);
                            }});
    }

    std::size_t trained = 0;
    for (const Job &job : jobs)
        trained += job.file == QLatin1String("train.bin");
    const std::size_t junk = trained / 9; // a tenth of the training set
    for (std::size_t i = 0; i < junk; ++i)
        jobs.push_back({"train.bin",
            [](std::mt19937 &random) { return SampleOf(RandomJunk(random), kNotADigit); }});
    for (int i = 0; i < (options.quick ? 20 : 600); ++i)
        jobs.push_back({"heldout.bin",
            [](std::mt19937 &random) { return SampleOf(RandomJunk(random), kNotADigit); }});
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
        std::vector<std::optional<Sample>> results(jobs.size());
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
            if (results[j])
                files[jobs[j].file].push_back(*results[j]);
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
