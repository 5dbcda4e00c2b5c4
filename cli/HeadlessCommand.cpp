#include "HeadlessCommand.h"

#include "ErrorText.h"
#include "LoadPicture.h"
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
#include <vector>

namespace {

// Collects what the pass finds; the headless command has no progress bar and no window.
class Collector : public RecognitionProgress
{
public:
    std::vector<RegionResult> results;

    void setMaximum(int) override { }
    void step() override { }
    void resetPosition() override { }
    void repaint() override { }
    void regionDone(const RegionResult &result) override { results.push_back(result); }
};

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
    return where + QChar::fromLatin1(result.digit);
}

QJsonObject toJson(const RegionResult &result)
{
    QJsonObject region {
        {QStringLiteral("region"), result.region},
        {QStringLiteral("x"), result.start.x},
        {QStringLiteral("y"), result.start.y},
        {QStringLiteral("count"), result.count},
    };
    if (!result.traced) {
        region.insert(QStringLiteral("digit"), QJsonValue::Null);
        return region;
    }
    region.insert(QStringLiteral("digit"), QString(QChar::fromLatin1(result.digit)));
    region.insert(QStringLiteral("signature"), QString::fromStdString(result.signature));
    region.insert(QStringLiteral("codes"), qint64(result.codes));
    return region;
}

void printTo(FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
}

struct Options
{
    QString picture;
    bool json = false;
    QString output;
};

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
        return usageError(QStringLiteral("--json and --output need --recognize PICTURE."));
    if (!parser.positionalArguments().isEmpty())
        return usageError(
            QStringLiteral("Unexpected argument: %1").arg(parser.positionalArguments().first()));
    Options options {parser.value(recognize), parser.isSet(json), parser.value(output)};
    if (parser.isSet(output) && options.output.isEmpty())
        return usageError(QStringLiteral("--output needs a file name."));

    PictureStore store;
    RecognitionState state;
    Collector collector;
    try {
        CreatePictureStore(store);
        LoadPicture(options.picture, store.workRaster, store.rowTable);
        RecognizeAll(store, state, collector);
    } catch (const std::exception &error) {
        printTo(stderr, WithFinalFullStop(ErrorMessage(error)) + u'\n');
        return 1;
    }

    if (!options.output.isEmpty()) {
        QImageWriter writer(options.output);
        if (!writer.write(store.workRaster.view())) {
            printTo(stderr,
                WithFinalFullStop(QStringLiteral("Cannot write file %1: %2")
                                      .arg(options.output, writer.errorString())) +
                    u'\n');
            return 1;
        }
    }

    if (options.json) {
        QJsonArray regions;
        for (const RegionResult &result : collector.results)
            regions.append(toJson(result));
        const QJsonObject document {
            {QStringLiteral("file"), options.picture},
            {QStringLiteral("width"), store.workRaster.width()},
            {QStringLiteral("height"), store.workRaster.height()},
            {QStringLiteral("regions"), regions},
        };
        printTo(stdout,
            QString::fromUtf8(QJsonDocument(document).toJson(QJsonDocument::Compact)) + u'\n');
        return 0;
    }

    QString report;
    QTextStream out(&report);
    int recognised = 0;
    for (const RegionResult &result : collector.results) {
        out << describe(result) << '\n';
        recognised += result.traced;
    }
    const int regions = int(collector.results.size());
    out << QStringLiteral("%1: %2 x %3 pixels, %4 region%5, %6 recognised, %7 without an outline\n")
               .arg(options.picture)
               .arg(store.workRaster.width())
               .arg(store.workRaster.height())
               .arg(regions)
               .arg(regions == 1 ? "" : "s")
               .arg(recognised)
               .arg(regions - recognised);
    out.flush();
    printTo(stdout, report);
    return 0;
}
