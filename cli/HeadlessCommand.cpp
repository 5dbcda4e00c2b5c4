#include "HeadlessCommand.h"

#include "FailureText.h"
#include "LearnedRecogniser.h"
#include "LoadPicture.h"
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

#include <cmath>
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
    bool learned = false;               // --method learned
    std::optional<float> minConfidence; // --min-confidence P
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
    parser.addOption(method);
    parser.addOption(minConfidence);
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
    Options options;
    options.picture = parser.value(recognize);
    options.json = parser.isSet(json);
    options.output = parser.value(output);
    if (parser.isSet(output) && options.output.isEmpty())
        return usageError(QString::fromLatin1(kOutputNeedsName));
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
    return options;
}

// Loads the picture and runs the pass; a failure is printed and gives false.
bool recognise(const Options &options, PictureStore &store, std::vector<RegionResult> &results)
{
    try {
        RecognitionState state;
        NoProgress progress;
        CreatePictureStore(store);
        LoadPicture(options.picture, store.workRaster, store.rowTable);
        if (options.learned) {
            LearnedRecogniser learned(nullptr, options.minConfidence);
            results = RecognizeAll(store, state, progress, learned);
        } else {
            results = RecognizeAll(store, state, progress);
        }
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

// A probability to 3 decimals, or null when the network did not look at the region.
QJsonValue confidenceJson(const RegionResult &result)
{
    if (result.confidence < 0)
        return QJsonValue::Null;
    return std::round(double(result.confidence) * 1000.0) / 1000.0;
}

QJsonObject toJson(const RegionResult &result, bool learned)
{
    QJsonObject region {
        {QStringLiteral("region"), result.region},
        {QStringLiteral("x"), result.start.x},
        {QStringLiteral("y"), result.start.y},
        {QStringLiteral("count"), result.count},
    };
    if (learned && result.traced) {
        // The network reads the region's pixels: no signature; a region it declines keeps
        // its confidence beside a null digit.
        region.insert(QStringLiteral("digit"),
            result.hasDigit() ? QJsonValue(QString(QChar::fromLatin1(result.digit)))
                              : QJsonValue(QJsonValue::Null));
        region.insert(QStringLiteral("codes"), qint64(result.codes));
        region.insert(QStringLiteral("confidence"), confidenceJson(result));
        return region;
    }
    if (!result.hasDigit()) {
        region.insert(QStringLiteral("digit"), QJsonValue::Null);
        return region;
    }
    region.insert(QStringLiteral("digit"), QString(QChar::fromLatin1(result.digit)));
    region.insert(QStringLiteral("signature"), QString::fromStdString(result.signature));
    region.insert(QStringLiteral("codes"), qint64(result.codes));
    region.insert(QStringLiteral("mismatches"), result.mismatches);
    return region;
}

// One JSON object on one line; QJsonObject writes its keys in alphabetical order.
QString jsonReport(
    const Options &options, const TBitmap &raster, const std::vector<RegionResult> &results)
{
    QJsonArray regions;
    for (const RegionResult &result : results)
        regions.append(toJson(result, options.learned));
    const QJsonObject document {
        {QStringLiteral("file"), options.picture},
        {QStringLiteral("method"), options.learned ? "learned" : "turns"},
        {QStringLiteral("width"), raster.width()},
        {QStringLiteral("height"), raster.height()},
        {QStringLiteral("regions"), regions},
    };
    return QString::fromUtf8(QJsonDocument(document).toJson(QJsonDocument::Compact)) + u'\n';
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
QString textReport(
    const Options &options, const TBitmap &raster, const std::vector<RegionResult> &results)
{
    QString report;
    QTextStream out(&report);
    int recognised = 0, traced = 0;
    for (const RegionResult &result : results) {
        out << describe(result, options.learned) << '\n';
        traced += result.traced;
        recognised += options.learned ? result.hasDigit() : result.traced;
    }
    const int regions = int(results.size());
    const QString notDigits =
        options.learned ? QStringLiteral(", %1 not digits").arg(traced - recognised) : QString();
    out << QStringLiteral("%1: %2 x %3 pixels, %4 region%5, %6 recognised%7, %8 without an "
                          "outline\n")
               .arg(options.picture)
               .arg(raster.width())
               .arg(raster.height())
               .arg(regions)
               .arg(regions == 1 ? "" : "s")
               .arg(recognised)
               .arg(notDigits)
               .arg(regions - traced);
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
    if (!recognise(options, store, results))
        return 1;
    if (!options.output.isEmpty() && !writePicture(options.output, store.workRaster))
        return 1;
    printTo(stdout,
        options.json ? jsonReport(options, store.workRaster, results)
                     : textReport(options, store.workRaster, results));
    return 0;
}
