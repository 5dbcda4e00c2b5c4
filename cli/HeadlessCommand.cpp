#include "HeadlessCommand.h"

#include "FailureText.h"
#include "JsonReport.h"
#include "LoadPicture.h"
#include "Messages.h"
#include "PictureStore.h"
#include "RecognizeAll.h"
#include "ThreadsOption.h"

#include <QCommandLineParser>
#include <QGuiApplication>
#include <QImageWriter>
#include <QTextStream>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
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
    QString picture;
    bool json = false;
    QString output;
    int threads = DefaultThreadCount();
};

// The options, or the exit code when the command line is answered already: --help, --version
// or a usage error (printed with the help text).
std::variant<Options, int> parseOptions()
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Recognises digit shapes in a picture. Without --recognize it opens the window, and a "
        "PICTURE given alone is opened there."));
    const QCommandLineOption recognize({QStringLiteral("r"), QStringLiteral("recognize")},
        QStringLiteral("Load PICTURE (BMP or JPEG) and recognise it "
                       "without a window."),
        QStringLiteral("PICTURE"));
    const QCommandLineOption json(
        QStringLiteral("json"), QStringLiteral("Print the result as one JSON object."));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("Also write the annotated picture to FILE "
                       "(PNG, BMP, ... by its extension)."),
        QStringLiteral("FILE"));
    parser.addOption(recognize);
    parser.addOption(json);
    parser.addOption(output);
    const QCommandLineOption threads = ThreadsOption();
    parser.addOption(threads);
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
    if (!parser.positionalArguments().isEmpty())
        return usageError(UnexpectedArgument(parser.positionalArguments().first()));
    Options options {parser.value(recognize), parser.isSet(json), parser.value(output)};
    if (parser.isSet(output) && options.output.isEmpty())
        return usageError(QString::fromLatin1(kOutputNeedsName));
    if (parser.isSet(threads)) {
        const std::optional<int> count = ParseThreadCount(parser.value(threads));
        if (!count)
            return usageError(BadThreadCount(parser.value(threads), kMostThreads));
        options.threads = *count;
    }
    return options;
}

// Loads the picture and runs the pass; a failure is printed and gives false.
bool recognise(
    const QString &picture, int threads, PictureStore &store, std::vector<RegionResult> &results)
{
    try {
        RecognitionState state;
        NoProgress progress;
        CreatePictureStore(store);
        LoadPicture(picture, store.workRaster, store.rowTable);
        TurnSignatureRecogniser turns;
        results = RecognizeAll(store, state, progress, turns, threads);
    } catch (const std::exception &error) {
        printFailure(ErrorMessage(error));
        return false;
    }
    return true;
}

// Writes the annotated picture in the format its name's extension says; a failure is printed
// and gives false.
bool writePicture(const QString &output, const TBitmap &raster)
{
    QImageWriter writer(output);
    if (writer.write(raster.view()))
        return true;
    printFailure(CannotWriteFile(output, writer.errorString()));
    return false;
}

QString describe(const RegionResult &result)
{
    const QString where = QStringLiteral("region %1 at (%2, %3), %4 pixel%5: ")
                              .arg(result.region)
                              .arg(result.start.x)
                              .arg(result.start.y)
                              .arg(result.count)
                              .arg(result.count == 1 ? "" : "s");
    if (!result.traced)
        return where + QStringLiteral("no outline");
    if (!result.hasDigit())
        return where + QStringLiteral("no digit");
    return where + QChar::fromLatin1(result.digit);
}

// A line for each region, then a summary line.
QString textReport(
    const QString &picture, const TBitmap &raster, const std::vector<RegionResult> &results)
{
    QString report;
    QTextStream out(&report);
    int recognised = 0;
    for (const RegionResult &result : results) {
        out << describe(result) << '\n';
        recognised += result.traced;
    }
    const int regions = int(results.size());
    out << QStringLiteral("%1: %2 x %3 pixels, %4 region%5, %6 recognised, %7 without an outline\n")
               .arg(picture)
               .arg(raster.width())
               .arg(raster.height())
               .arg(regions)
               .arg(regions == 1 ? "" : "s")
               .arg(recognised)
               .arg(regions - recognised);
    out.flush();
    return report;
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

    PictureStore store;
    std::vector<RegionResult> results;
    if (!recognise(options.picture, options.threads, store, results))
        return 1;
    if (!options.output.isEmpty() && !writePicture(options.output, store.workRaster))
        return 1;
    if (options.json) {
        // Written as it goes: the report never exists whole in memory.
        JsonWriter writer(stdout);
        WriteJsonReport(
            writer, options.picture, store.workRaster.width(), store.workRaster.height(), results);
        writer.flush();
        return 0;
    }
    printTo(stdout, textReport(options.picture, store.workRaster, results));
    return 0;
}
