#include "cli/HeadlessCommand.h"

#include "base/FailureText.h"
#include "base/MemoryBudget.h"
#include "base/Messages.h"
#include "cli/CommandLine.h"
#include "cli/JsonReport.h"
#include "cli/PictureList.h"
#include "cli/PictureOutput.h"
#include "cli/PicturePool.h"
#include "cli/PictureReport.h"
#include "cli/ProgressLine.h"
#include "cli/ReportOut.h"
#include "cli/SameFile.h"
#include "picture/PictureStore.h"
#include "recognition/LabelLayer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <variant>

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

// A failure of one step is printed and gives false.
bool succeeded(const QString &problem)
{
    if (!problem.isEmpty())
        printFailure(problem);
    return problem.isEmpty();
}

// Several paths, or a folder, make a run over many pictures; one file keeps the output of one.
bool isBatch(const HeadlessOptions &options)
{
    return options.pictures.size() > 1 || QFileInfo(options.picture()).isDir();
}

// The refusal when an output would replace the picture it is made from.
bool refuseToOverwriteInput(const QString &output, const QString &picture)
{
    if (!IsSameFile(output, picture))
        return false;
    printFailure(RefusingToOverwriteInput(picture));
    return true;
}

// The annotated picture: the work raster with the labels that lie over it composed in. Nothing
// reads the raster's pixels afterwards, so they go into it rather than into a copy.
QString writeAnnotated(const QString &output, PictureStore &store, const Reading &reading)
{
    ComposeLayer(store.workRaster, reading.glyphs);
    return WritePictureFile(output, store.workRaster);
}

// One picture of many, on a worker thread: its report, or its failure as a JSON line or as a
// line on stderr that names the picture.
PictureOutcome readOne(const QString &picture, const QString &output,
    const HeadlessOptions &options, PictureStore &store)
{
    PictureOutcome outcome;
    // The pictures share the threads: each pass runs on one.
    Reading reading;
    QString problem = LoadAndRead(picture, options, 1, store, reading);
    try {
        if (problem.isEmpty() && !output.isEmpty())
            problem = writeAnnotated(output, store, reading);
        if (problem.isEmpty()) {
            MemoryReservation report(HeldReportBytes(picture, options, reading));
            ReportOut out;
            WriteReport(out, picture, options, store.workRaster, reading);
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
    if (options.json) {
        ReportOut out;
        WriteJsonFailure(out, picture, message);
        outcome.out = out.bytes();
    } else {
        outcome.err = (picture + QStringLiteral(": ") + message + u'\n').toUtf8();
    }
    return outcome;
}

// One picture: loads, reads, writes the annotated copy and prints the report; exits 1 when the
// picture or the output fails, 2 when the output would replace the picture. Throws on every
// other failure.
int runSingle(const HeadlessOptions &options)
{
    QString output = options.output;
    if (!options.outputDir.isEmpty()) {
        output = OutputPathFor(options.outputDir, PlaceOf(options.picture()));
        QDir().mkpath(options.outputDir);
    }
    if (!output.isEmpty() && refuseToOverwriteInput(output, options.picture()))
        return 2;

    PictureStore store;
    Reading reading;
    if (!succeeded(LoadAndRead(options.picture(), options, options.threads, store, reading)))
        return 1;
    if (!output.isEmpty() && !succeeded(writeAnnotated(output, store, reading)))
        return 1;
    ReportOut out(stdout);
    WriteReport(out, options.picture(), options, store.workRaster, reading);
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
int runBatch(const HeadlessOptions &options)
{
    const PictureFiles files = ListPictures(options.pictures, options.recursive);
    const std::vector<PictureFile> &pictures = files.pictures;
    if (pictures.empty()) {
        printFailure(NoPicturesFoundIn(files.emptyFolders));
        return 1;
    }
    QStringList outputs;
    if (!options.outputDir.isEmpty()) {
        const OutputPlan plan = PlanOutputs(pictures, options.outputDir);
        if (!plan.refusal.isEmpty()) {
            printFailure(plan.refusal);
            return 2;
        }
        outputs = plan.outputs;
        // The output folder mirrors the folders walked; one that cannot be made fails each
        // write into it.
        QStringList folders;
        for (const QString &output : outputs)
            folders.append(QFileInfo(output).path());
        folders.removeDuplicates();
        for (const QString &folder : folders)
            QDir().mkpath(folder);
    }
    ProgressLine progress(stderr, int(pictures.size()));
    const bool stdoutIsTerminal = ::isatty(STDOUT_FILENO) == 1;
    bool anyFailed = false;
    int lostOutput = 0; // the errno of the first report that could not be written
    RunInOrder(
        int(pictures.size()), options.threads,
        [&](int index, PictureStore &store) {
            return readOne(pictures[std::size_t(index)].path, outputs.value(index), options, store);
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

    const std::variant<HeadlessOptions, CommandAnswer> parsed =
        ParseCommandLine(QCoreApplication::arguments());
    if (const CommandAnswer *answer = std::get_if<CommandAnswer>(&parsed)) {
        printTo(stdout, answer->out);
        printTo(stderr, answer->err);
        return answer->exitCode;
    }
    const HeadlessOptions &options = std::get<HeadlessOptions>(parsed);
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
