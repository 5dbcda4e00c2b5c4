#include "cli/CommandLine.h"

#include "base/MemorySize.h"
#include "base/Messages.h"
#include "cli/ThreadsOption.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace {

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

// Qt's help begins "Usage: " and the program's path as called; ours names the program without
// its folder and the pictures that may follow.
QString helpText(const QCommandLineParser &parser, const QString &program)
{
    QString help = parser.helpText();
    const qsizetype firstLineEnd = help.indexOf(u'\n');
    return help.replace(0, firstLineEnd,
        QStringLiteral("Usage: %1 [options] [PICTURE...]").arg(QFileInfo(program).fileName()));
}

} // namespace

std::variant<HeadlessOptions, CommandAnswer> ParseCommandLine(const QStringList &arguments)
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
    const QCommandLineOption ink(QStringLiteral("ink"),
        QStringLiteral("Which pixels are ink: \"fixed\" takes every pixel whose red is below "
                       "128, as on a clean page; \"auto\" follows the local background, so "
                       "that shadows, pencil, coloured ink and light digits on a dark screen "
                       "read too. By default auto with --method learned, fixed with turns."),
        QStringLiteral("fixed|auto"));
    parser.addOption(recognize);
    parser.addOption(json);
    parser.addOption(output);
    parser.addOption(recursive);
    parser.addOption(outputDir);
    parser.addOption(threads);
    parser.addOption(method);
    parser.addOption(minConfidence);
    parser.addOption(ink);
    parser.addOption(maxMemory);
    parser.addPositionalArgument(QStringLiteral("PICTURE"),
        QStringLiteral("A picture to open in the window, or with --recognize more pictures "
                       "and folders to recognise."),
        QStringLiteral("[PICTURE...]"));
    // Not Qt's help option: its --help-all would list Qt's own options, which never reach the
    // window, since any option makes the program this command.
    const QCommandLineOption help(
        {QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Print this help and exit."));
    parser.addOption(help);
    const QCommandLineOption version = parser.addVersionOption();

    // One line that names the problem and one that says where the help is, as Unix tools do.
    auto usageError = [&](const QString &problem) {
        return CommandAnswer {2, {}, problem + u'\n' + QString::fromLatin1(kTryHelp) + u'\n'};
    };
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(help))
        return CommandAnswer {0, helpText(parser, arguments.value(0)), {}};
    if (parser.isSet(version))
        return CommandAnswer {
            0, QStringLiteral("umnoglaz %1\n").arg(QStringLiteral(UMNOGLAZ_VERSION)), {}};
    if (!parser.isSet(recognize))
        return usageError(QString::fromLatin1(kOptionsNeedRecognize));
    HeadlessOptions options;
    options.pictures =
        picturesInInputOrder(arguments, parser.values(recognize), parser.positionalArguments());
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
    const std::optional<Method> methodNamed = ParseMethod(parser.value(method).toStdString());
    if (!methodNamed)
        return usageError(QString::fromLatin1(kUnknownMethod));
    options.method = *methodNamed;
    if (parser.isSet(ink)) {
        options.ink = ParseInkRule(parser.value(ink).toStdString());
        if (!options.ink)
            return usageError(QString::fromLatin1(kUnknownInkRule));
    }
    if (parser.isSet(minConfidence)) {
        if (options.method != Method::Learned)
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
