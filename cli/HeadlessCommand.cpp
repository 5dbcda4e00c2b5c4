#include "HeadlessCommand.h"

#include "FailureText.h"
#include "LoadPicture.h"
#include "MemoryBudget.h"
#include "Messages.h"
#include "PictureStore.h"
#include "RecognizeAll.h"

#include <QCommandLineParser>
#include <QGuiApplication>
#include <QImageWriter>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
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
    QString picture;
    bool json = false;
    QString output;
    std::int64_t maxMemory = 0; // 0: the default budget
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
    const QCommandLineOption maxMemory(QStringLiteral("max-memory"),
        QStringLiteral("Fail with \"Out of system resources\" rather than use more than SIZE "
                       "bytes (512M, 2G, ...; default: UMNOGLAZ_MAX_MEMORY, or half of the "
                       "physical memory, at most 8G)."),
        QStringLiteral("SIZE"));
    parser.addOption(recognize);
    parser.addOption(json);
    parser.addOption(output);
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
    if (!parser.positionalArguments().isEmpty())
        return usageError(UnexpectedArgument(parser.positionalArguments().first()));
    Options options {parser.value(recognize), parser.isSet(json), parser.value(output)};
    if (parser.isSet(output) && options.output.isEmpty())
        return usageError(QString::fromLatin1(kOutputNeedsName));
    if (parser.isSet(maxMemory)) {
        const std::optional<std::int64_t> bytes =
            ParseMemorySize(parser.value(maxMemory).toStdString());
        if (!bytes)
            return usageError(QString::fromLatin1(kBadMemorySize));
        options.maxMemory = *bytes;
    }
    return options;
}

// Writes the annotated picture in the format its name's extension says; a failure is printed
// and gives false.
bool writePicture(const QString &output, const TBitmap &raster)
{
    // The writer may convert the picture to a format of its own first: one more raster.
    const MemoryReservation copy(
        TBitmap::storeBytes(raster.width(), raster.height()) + std::int64_t(raster.height()) * 8);
    QImageWriter writer(output);
    if (writer.write(raster.view()))
        return true;
    printFailure(CannotWriteFile(output, writer.errorString()));
    return false;
}

QJsonObject toJson(const RegionResult &result)
{
    QJsonObject region {
        {QStringLiteral("region"), result.region},
        {QStringLiteral("x"), result.start.x},
        {QStringLiteral("y"), result.start.y},
        {QStringLiteral("count"), result.count},
    };
    if (!result.hasDigit()) {
        region.insert(QStringLiteral("digit"), QJsonValue::Null);
        return region;
    }
    region.insert(QStringLiteral("digit"), QString(QChar::fromLatin1(result.digit)));
    region.insert(QStringLiteral("signature"), QString::fromStdString(result.signature));
    region.insert(QStringLiteral("codes"), qint64(result.codes));
    return region;
}

// What building a report may hold at its peak, per region: the JSON tree of a region (an
// object of six to eight values), its text and the UTF-8 copy printed; or a line of text twice
// (UTF-16) and once more in UTF-8. Measured peaks are about two thirds of these.
constexpr std::int64_t kJsonBytesPerRegion = 1536;
constexpr std::int64_t kTextBytesPerRegion = 320;

// One JSON object on one line; QJsonObject writes its keys in alphabetical order.
QString jsonReport(
    const QString &picture, const TBitmap &raster, const std::vector<RegionResult> &results)
{
    QJsonArray regions;
    for (const RegionResult &result : results)
        regions.append(toJson(result));
    const QJsonObject document {
        {QStringLiteral("file"), picture},
        {QStringLiteral("width"), raster.width()},
        {QStringLiteral("height"), raster.height()},
        {QStringLiteral("regions"), regions},
    };
    return QString::fromUtf8(QJsonDocument(document).toJson(QJsonDocument::Compact)) + u'\n';
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

// Loads, recognises and reports; exits 1 when the output cannot be written. Throws on every
// other failure.
int recognise(const Options &options)
{
    PictureStore store;
    std::vector<RegionResult> results;
    {
        RecognitionState state;
        NoProgress progress;
        CreatePictureStore(store);
        LoadPicture(options.picture, store.workRaster, store.rowTable);
        results = RecognizeAll(store, state, progress);
    }
    const MemoryReservation kept(std::int64_t(results.capacity() * sizeof(RegionResult)) +
        std::int64_t(results.size()) * 128);
    if (!options.output.isEmpty() && !writePicture(options.output, store.workRaster))
        return 1;
    const MemoryReservation report(std::int64_t(results.size() + 1) *
        (options.json ? kJsonBytesPerRegion : kTextBytesPerRegion));
    printTo(stdout,
        options.json ? jsonReport(options.picture, store.workRaster, results)
                     : textReport(options.picture, store.workRaster, results));
    return 0;
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
        return recognise(options);
    } catch (const std::exception &error) {
        printFailure(ErrorMessage(error));
    } catch (...) {
        printFailure(QString::fromLatin1(kUnknownFailure));
    }
    return 1;
}
