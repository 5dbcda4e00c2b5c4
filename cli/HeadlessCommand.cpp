#include "HeadlessCommand.h"

#include "FailureText.h"
#include "JsonReport.h"
#include "LearnedRecogniser.h"
#include "LoadPicture.h"
#include "MemoryBudget.h"
#include "MemorySize.h"
#include "Messages.h"
#include "Numbers.h"
#include "PictureList.h"
#include "PicturePool.h"
#include "PictureStore.h"
#include "ProgressLine.h"
#include "RecognizeAll.h"
#include "ReportOut.h"
#include "SameFile.h"
#include "ThreadsOption.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QImageWriter>
#include <QSaveFile>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <variant>
#include <vector>

namespace {

void printTo(FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
}

void printFailure(const QString &message)
{
    printTo(stderr, WithFinalFullStop(message) + u'\n');
}

struct Options
{
    QString picture; // the first of the pictures
    bool json = false;
    QString output;
    QStringList pictures; // every file or folder given, in order
    bool recursive = false;
    QString outputDir;
    int threads = 1;
    bool learned = false;               // --method learned
    std::optional<float> minConfidence; // --min-confidence P
    std::int64_t maxMemory = 0;         // 0: the default budget
};

// The pictures named after --recognize options and as further arguments, in the order the
// command line gives them: the parser keeps each kind in order but not how they interleave.
// Any that the walk cannot place (an option's value spelled like the next picture) follow at
// the end, so none is lost or repeated.
QStringList picturesInInputOrder(
    const QStringList &arguments, const QStringList &recognized, const QStringList &positional)
{
    QStringList ordered;
    qsizetype nextRecognized = 0;
    qsizetype nextPositional = 0;
    bool onlyPositional = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        const bool namesRecognize = !onlyPositional &&
            (argument == QLatin1String("--recognize") || argument == QLatin1String("-r") ||
                argument.startsWith(QLatin1String("--recognize=")) ||
                (argument.startsWith(QLatin1String("-r")) && argument.size() > 2));
        if (namesRecognize && nextRecognized < recognized.size()) {
            ordered.append(recognized[nextRecognized++]);
            i += argument == QLatin1String("--recognize") || argument == QLatin1String("-r");
        } else if (!onlyPositional && argument == QLatin1String("--")) {
            onlyPositional = true;
        } else if (nextPositional < positional.size() && argument == positional[nextPositional]) {
            ordered.append(positional[nextPositional++]);
        }
    }
    return ordered + recognized.mid(nextRecognized) + positional.mid(nextPositional);
}

// The options, or the exit code when the command line is answered already: --help, --version
// or a usage error (printed with the help text).
std::variant<Options, int> parseOptions()
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Recognises digit shapes in a picture. Without --recognize it opens the window, and a "
        "PICTURE given alone is opened there."));
    const QCommandLineOption recognize({QStringLiteral("r"), QStringLiteral("recognize")},
        QStringLiteral("Load PICTURE (BMP or JPEG) and recognise it without a window. "
                       "More pictures and folders may follow, as arguments or repeated "
                       "options; folders give their .bmp, .jpg and .jpeg files."),
        QStringLiteral("PICTURE"));
    const QCommandLineOption json(QStringLiteral("json"),
        QStringLiteral("Print the result as one JSON object (a line of it per picture)."));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("Also write the annotated picture to FILE "
                       "(PNG, BMP, ... by its extension)."),
        QStringLiteral("FILE"));
    const QCommandLineOption recursive(
        QStringLiteral("recursive"), QStringLiteral("Walk the subfolders of folders too."));
    const QCommandLineOption outputDir(QStringLiteral("output-dir"),
        QStringLiteral("Write each annotated picture as DIR/<name>.png."), QStringLiteral("DIR"));
    const QCommandLineOption threads = ThreadsOption();
    const QCommandLineOption maxMemory(QStringLiteral("max-memory"),
        QStringLiteral("Fail with \"Out of system resources\" rather than use more than SIZE "
                       "bytes (512M, 2G, ...; default: UMNOGLAZ_MAX_MEMORY, or half of the "
                       "physical memory, at most 8G)."),
        QStringLiteral("SIZE"));
    const QCommandLineOption method(QStringLiteral("method"),
        QStringLiteral("How each region is read: \"turns\" (the default) matches the turn "
                       "signature of its outline against 15 references; \"learned\" asks a "
                       "trained network, which sees the region's own pixels, gives its "
                       "confidence and leaves regions that are not digits without a label."),
        QStringLiteral("turns|learned"), QStringLiteral("turns"));
    const QCommandLineOption minConfidence(QStringLiteral("min-confidence"),
        QStringLiteral("With --method learned: the least probability (0 to 1) at which the "
                       "network's digit is taken; by default the one chosen in training."),
        QStringLiteral("P"));
    parser.addOption(recognize);
    parser.addOption(json);
    parser.addOption(output);
    parser.addOption(recursive);
    parser.addOption(outputDir);
    parser.addOption(threads);
    parser.addOption(method);
    parser.addOption(minConfidence);
    parser.addOption(maxMemory);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();

    auto usageError = [&](const QString &problem) {
        printTo(stderr, problem + u'\n' + parser.helpText());
        return 2;
    };
    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(help)) {
        printTo(stdout, parser.helpText());
        return 0;
    }
    if (parser.isSet(version)) {
        printTo(stdout, QStringLiteral("umnoglaz %1\n").arg(QStringLiteral(UMNOGLAZ_VERSION)));
        return 0;
    }
    if (!parser.isSet(recognize))
        return usageError(QString::fromLatin1(kOptionsNeedRecognize));
    Options options;
    options.pictures = picturesInInputOrder(
        QCoreApplication::arguments(), parser.values(recognize), parser.positionalArguments());
    options.picture = options.pictures.first();
    options.json = parser.isSet(json);
    options.output = parser.value(output);
    options.recursive = parser.isSet(recursive);
    options.outputDir = parser.value(outputDir);
    if (parser.isSet(output) && options.output.isEmpty())
        return usageError(QString::fromLatin1(kOutputNeedsName));
    if (parser.isSet(output) && parser.isSet(outputDir))
        return usageError(QString::fromLatin1(kOutputOrOutputDir));
    if (parser.isSet(output) && options.pictures.size() > 1)
        return usageError(QString::fromLatin1(kOutputTakesOnePicture));
    const std::optional<int> threadCount = ThreadCount(parser, threads);
    if (!threadCount)
        return usageError(BadThreadCount(parser.value(threads), kMostThreads));
    options.threads = *threadCount;
    const QString methodName = parser.value(method);
    if (methodName != QLatin1String("turns") && methodName != QLatin1String("learned"))
        return usageError(QString::fromLatin1(kUnknownMethod));
    options.learned = methodName == QLatin1String("learned");
    if (parser.isSet(minConfidence)) {
        if (!options.learned)
            return usageError(QString::fromLatin1(kMinConfidenceNeedsLearned));
        bool number = false;
        const double value = parser.value(minConfidence).toDouble(&number);
        if (!number || !(value >= 0.0 && value <= 1.0))
            return usageError(QString::fromLatin1(kBadMinConfidence));
        options.minConfidence = float(value);
    }
    if (parser.isSet(maxMemory)) {
        const std::optional<std::int64_t> bytes =
            ParseMemorySize(parser.value(maxMemory).toStdString());
        if (!bytes)
            return usageError(QString::fromLatin1(kBadMemorySize));
        options.maxMemory = *bytes;
    }
    return options;
}

// Loads the picture and runs the pass; gives the failure's message, empty on success.
// A pass runs on `threads` threads.
QString tryRecognise(const QString &picture, const Options &options, int threads,
    PictureStore &store, std::vector<RegionResult> &results)
{
    try {
        RecognitionState state;
        NoProgress progress;
        CreatePictureStore(store);
        LoadPicture(picture, store.workRaster, store.rowTable);
        if (options.learned) {
            LearnedRecogniser learned(nullptr, options.minConfidence);
            results = RecognizeAll(store, state, progress, learned, threads);
        } else {
            TurnSignatureRecogniser turns;
            results = RecognizeAll(store, state, progress, turns, threads);
        }
    } catch (const std::exception &error) {
        return ErrorMessage(error);
    } catch (...) {
        return QString::fromLatin1(kUnknownFailure);
    }
    return {};
}

// Loads the picture and runs the pass; a failure is printed and gives false.
bool recognise(const QString &picture, const Options &options, PictureStore &store,
    std::vector<RegionResult> &results)
{
    const QString problem = tryRecognise(picture, options, options.threads, store, results);
    if (!problem.isEmpty())
        printFailure(problem);
    return problem.isEmpty();
}

// Writes the annotated picture in the format its name's extension says, through a temporary
// file in the same folder that is renamed into place only when complete: a failed write leaves
// no file behind, and an existing file stays whole. Gives the failure's message, empty on
// success.
QString tryWritePicture(const QString &output, const TBitmap &raster)
{
    // The writer may convert the picture to a format of its own first: one more raster.
    const MemoryReservation copy(
        TBitmap::storeBytes(raster.width(), raster.height()) + std::int64_t(raster.height()) * 8);
    QSaveFile file(output);
    if (!file.open(QIODevice::WriteOnly))
        return CannotWriteFile(output, file.errorString());
    QImageWriter writer(&file, QFileInfo(output).suffix().toLower().toLatin1());
    if (!writer.write(raster.view())) {
        file.cancelWriting();
        return CannotWriteFile(output, writer.errorString());
    }
    if (!file.commit())
        return CannotWriteFile(output, file.errorString());
    return {};
}

// Writes the annotated picture; a failure is printed and gives false.
bool writePicture(const QString &output, const TBitmap &raster)
{
    const QString problem = tryWritePicture(output, raster);
    if (!problem.isEmpty())
        printFailure(problem);
    return problem.isEmpty();
}

// What writing a report holds besides its output: the numbers read, grouped from the digits
// (kNumbersBytesPerResult). A report held in memory, as each picture of many is until the ones
// before it are written, adds its own bytes: a line of JSON is up to about 250 bytes a region
// and one of text about 70; a growing buffer may be twice that, and the report handed over is
// a copy of it.
constexpr std::int64_t kHeldJsonBytesPerRegion = 768;
constexpr std::int64_t kHeldTextBytesPerRegion = 224;

// The results kept after the pass.
std::int64_t resultsBytes(const std::vector<RegionResult> &results)
{
    return std::int64_t(results.capacity() * sizeof(RegionResult));
}

std::int64_t reportBytes(
    const Options &options, const std::vector<RegionResult> &results, bool held)
{
    const std::int64_t heldPerRegion = !held ? 0
        : options.json                       ? kHeldJsonBytesPerRegion
                                             : kHeldTextBytesPerRegion;
    return std::int64_t(results.size() + 1) * (kNumbersBytesPerResult + heldPerRegion);
}

QString describe(const RegionResult &result, bool learned)
{
    const QString where = QStringLiteral("region %1 at (%2, %3), %4 pixel%5: ")
                              .arg(result.region)
                              .arg(result.start.x)
                              .arg(result.start.y)
                              .arg(result.count)
                              .arg(result.count == 1 ? "" : "s");
    if (!result.traced)
        return where + QStringLiteral("no outline");
    if (learned) {
        const QString confidence = result.confidence < 0
            ? QStringLiteral("too small")
            : QString::number(double(result.confidence), 'f', 3);
        return where +
            (result.hasDigit() ? QString(QChar::fromLatin1(result.digit))
                               : QStringLiteral("no digit")) +
            QStringLiteral(" (%1)").arg(confidence);
    }
    if (!result.hasDigit())
        return where + QStringLiteral("no digit");
    return where + QChar::fromLatin1(result.digit);
}

// A line for each region, then a summary line; the learned method's lines carry the network's
// confidence, and its summary counts the regions it did not take for digits.
void writeTextReport(ReportOut &out, const QString &picture, const Options &options,
    const TBitmap &raster, const std::vector<RegionResult> &results)
{
    int recognised = 0, traced = 0;
    for (const RegionResult &result : results) {
        out.append(describe(result, options.learned));
        out.append('\n');
        traced += result.traced;
        recognised += options.learned ? result.hasDigit() : result.traced;
    }
    const int regions = int(results.size());
    const QString notDigits =
        options.learned ? QStringLiteral(", %1 not digits").arg(traced - recognised) : QString();
    out.append(QStringLiteral("%1: %2 x %3 pixels, %4 region%5, %6 recognised%7, %8 without an "
                              "outline\n")
                   .arg(picture)
                   .arg(raster.width())
                   .arg(raster.height())
                   .arg(regions)
                   .arg(regions == 1 ? "" : "s")
                   .arg(recognised)
                   .arg(notDigits)
                   .arg(regions - traced));
    // "numbers:" alone when no digit was read.
    const std::string numbers = JoinNumbers(GroupNumbers(results), " ");
    out.append(std::string_view("numbers:"));
    if (!numbers.empty())
        out.append(' ');
    out.append(numbers);
    out.append('\n');
}

// The report of a recognised picture, as text or JSON, into out as it is made.
void writeReport(ReportOut &out, const QString &picture, const Options &options,
    const TBitmap &raster, const std::vector<RegionResult> &results)
{
    if (options.json)
        WriteJsonReport(out, picture, options.learned, raster.width(), raster.height(), results,
            GroupNumbers(results));
    else
        writeTextReport(out, picture, options, raster, results);
}

// --- Many pictures in one run ----------------------------------------------------------------

// Several paths, or a folder, make a run over many pictures; one file keeps the output of one.
bool isBatch(const Options &options)
{
    return options.pictures.size() > 1 || QFileInfo(options.picture).isDir();
}

// The refusal when an output would replace the picture it is made from.
bool refuseToOverwriteInput(const QString &output, const QString &picture)
{
    if (!IsSameFile(output, picture))
        return false;
    printFailure(RefusingToOverwriteInput(picture));
    return true;
}

// The annotated copies' paths in the output folder, one for each picture; a refusal (an input
// in the way, or two pictures giving one name) is printed and gives nothing.
std::optional<QStringList> planOutputs(const QStringList &pictures, const QString &folder)
{
    QHash<QString, QString> inputByIdentity;
    for (const QString &picture : pictures) {
        if (const QString identity = FileIdentity(picture); !identity.isEmpty())
            inputByIdentity.insert(identity, picture);
    }
    QHash<QString, QString> pictureByOutput;
    QStringList outputs;
    for (const QString &picture : pictures) {
        const QString output = OutputPathFor(folder, picture);
        if (const auto taken = pictureByOutput.constFind(output); taken != pictureByOutput.cend()) {
            printFailure(RefusingToWriteTwice(output, *taken, picture));
            return std::nullopt;
        }
        pictureByOutput.insert(output, picture);
        if (const QString identity = FileIdentity(output); inputByIdentity.contains(identity)) {
            printFailure(RefusingToOverwriteInput(inputByIdentity.value(identity)));
            return std::nullopt;
        }
        outputs.append(output);
    }
    return outputs;
}

// One picture of many, on a worker thread: its report, or its failure as a JSON line or as a
// line on stderr that names the picture.
PictureOutcome recogniseOne(
    const QString &picture, const QString &output, const Options &options, PictureStore &store)
{
    const bool json = options.json;
    PictureOutcome outcome;
    // The pictures share the threads: each pass runs on one.
    std::vector<RegionResult> results;
    QString problem = tryRecognise(picture, options, 1, store, results);
    try {
        const MemoryReservation kept(resultsBytes(results));
        if (problem.isEmpty() && !output.isEmpty())
            problem = tryWritePicture(output, store.workRaster);
        if (problem.isEmpty()) {
            MemoryReservation report(reportBytes(options, results, true));
            ReportOut out;
            writeReport(out, picture, options, store.workRaster, results);
            outcome.out = out.bytes();
            outcome.held = std::move(report);
            outcome.held.resize(outcome.out.capacity());
            return outcome;
        }
    } catch (const std::exception &error) {
        problem = ErrorMessage(error);
    } catch (...) {
        problem = QString::fromLatin1(kUnknownFailure);
    }
    outcome.out.clear();
    outcome.failed = true;
    const QString message = WithFinalFullStop(problem);
    if (json) {
        ReportOut out;
        WriteJsonFailure(out, picture, message);
        outcome.out = out.bytes();
    } else {
        outcome.err = (picture + QStringLiteral(": ") + message + u'\n').toUtf8();
    }
    return outcome;
}

// One picture: loads, recognises, writes the annotated copy and prints the report; exits 1 when
// the picture or the output fails, 2 when the output would replace the picture. Throws on every
// other failure.
int runSingle(const Options &options)
{
    QString output = options.output;
    if (!options.outputDir.isEmpty()) {
        output = OutputPathFor(options.outputDir, options.picture);
        QDir().mkpath(options.outputDir);
    }
    if (!output.isEmpty() && refuseToOverwriteInput(output, options.picture))
        return 2;

    PictureStore store;
    std::vector<RegionResult> results;
    if (!recognise(options.picture, options, store, results))
        return 1;
    const MemoryReservation kept(resultsBytes(results));
    if (!output.isEmpty() && !writePicture(output, store.workRaster))
        return 1;
    const MemoryReservation report(reportBytes(options, results, false));
    ReportOut out(stdout);
    writeReport(out, options.picture, options, store.workRaster, results);
    if (out.flush())
        return 0;
    printFailure(CannotWriteReport(QString::fromLocal8Bit(std::strerror(out.error()))));
    return 1;
}

// Writes and flushes bytes; gives the errno of a failure, 0 on success.
int write(FILE *stream, const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return 0;
    errno = 0;
    if (std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream) !=
            std::size_t(bytes.size()) ||
        std::fflush(stream) != 0)
        return errno != 0 ? errno : EIO;
    return 0;
}

// Every picture that the paths name, on the worker pool, reported in input order: exit 1 when
// any failed, 2 when an output is refused before anything is done.
int runBatch(const Options &options)
{
    const QStringList pictures = ListPictures(options.pictures, options.recursive);
    if (pictures.isEmpty()) {
        printFailure(QString::fromLatin1(kNoPicturesFound));
        return 1;
    }
    QStringList outputs;
    if (!options.outputDir.isEmpty()) {
        const std::optional<QStringList> planned = planOutputs(pictures, options.outputDir);
        if (!planned)
            return 2;
        outputs = *planned;
        QDir().mkpath(options.outputDir); // a folder that cannot be made fails each write
    }
    ProgressLine progress(stderr, int(pictures.size()));
    const bool stdoutIsTerminal = ::isatty(STDOUT_FILENO) == 1;
    bool anyFailed = false;
    int lostOutput = 0; // the errno of the first report that could not be written
    RunInOrder(
        int(pictures.size()), options.threads,
        [&](int index, PictureStore &store) {
            return recogniseOne(pictures[index], outputs.value(index), options, store);
        },
        [&](const PictureOutcome &outcome) {
            if (stdoutIsTerminal || !outcome.err.isEmpty())
                progress.clear();
            if (const int error = write(stdout, outcome.out); error != 0 && lostOutput == 0)
                lostOutput = error;
            write(stderr, outcome.err);
            anyFailed |= outcome.failed;
        },
        progress);
    if (lostOutput != 0) {
        printFailure(CannotWriteReport(QString::fromLocal8Bit(std::strerror(lostOutput))));
        return 1;
    }
    return anyFailed ? 1 : 0;
}

} // namespace

bool IsHeadlessInvocation(int argc, char **argv)
{
    // The window takes at most a picture path; every option belongs to this command, which
    // also reports the unknown ones.
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] == '-')
            return true;
    }
    return false;
}

int RunHeadless(int argc, char **argv)
{
    // This mode never opens a window, whatever display the environment offers.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt falls back to this private runtime folder anyway, but warns on stderr when it has to.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QByteArray runtime = "/tmp/runtime-" + QByteArray::number(::getuid());
        ::mkdir(runtime.constData(), 0700);
        qputenv("XDG_RUNTIME_DIR", runtime);
    }
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("umnoglaz"));
    QGuiApplication::setApplicationVersion(QStringLiteral(UMNOGLAZ_VERSION));

    const std::variant<Options, int> parsed = parseOptions();
    if (const int *exitCode = std::get_if<int>(&parsed))
        return *exitCode;
    const Options &options = std::get<Options>(parsed);
    if (options.maxMemory != 0)
        MemoryBudget::setLimit(options.maxMemory);
    // Every step, output included, runs inside the error handling: whatever fails is printed
    // and exits 1, running out of memory included.
    try {
        return isBatch(options) ? runBatch(options) : runSingle(options);
    } catch (const std::exception &error) {
        printFailure(ErrorMessage(error));
    } catch (...) {
        printFailure(QString::fromLatin1(kUnknownFailure));
    }
    return 1;
}
