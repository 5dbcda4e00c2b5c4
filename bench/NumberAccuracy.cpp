// umnoglaz_numbers: how many numbers the program reads exactly on the evaluation pages that
// write_eval_pages makes (or the validation pages, which it makes alike), through the real
// recognition pass, for either method or both side by side. Not a timed test: run it by hand
// (bench/EVALUATION.md says how).
//
//   umnoglaz_numbers FOLDER [--method turns|learned|both] [--ink fixed|auto] [--show MATERIAL]
//
// Each method reads ink by its own rule (auto for learned, fixed for turns) unless --ink names
// one for both.
// A truth number is read when the program gives a number with exactly its text whose box
// overlaps the truth box (moved by the white frame's one pixel); each number given is matched
// once. Numbers given that match no truth number are counted as extra. On the noise pages,
// where there is nothing to read, the digits labelled and the numbers they form are counted.
// --show lists each miss of one material with what the program read over its box.
#include "bench/EvalPages.h"
#include "bench/ReadPage.h"
#include "bench/TruthFile.h"
#include "picture/LoadPicture.h"
#include "picture/PictureStore.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <vector>

namespace {

struct Tally
{
    int numbers = 0, read = 0, extra = 0, digits = 0;
    std::vector<std::string> misses;
};

QRect inFile(const Box &box)
{
    return QRect(box.x - 1, box.y - 1, box.width, box.height); // the frame adds one pixel
}

// Scores one page read by one method.
void score(const QString &page, const std::vector<TruthNumber> &truth,
    const std::vector<Number> &numbers, Tally &tally)
{
    std::vector<bool> used(numbers.size(), false);
    for (const TruthNumber &number : truth) {
        ++tally.numbers;
        bool found = false;
        std::string seen;
        for (std::size_t i = 0; i < numbers.size(); ++i) {
            if (!inFile(numbers[i].box).intersects(number.box))
                continue;
            seen += " " + numbers[i].text;
            if (!found && !used[i] && numbers[i].text == number.text)
                used[i] = found = true;
        }
        tally.read += found;
        if (!found)
            tally.misses.push_back(
                QString::asprintf("%s: %s at %d,%d, read:%s", qPrintable(page), number.text.c_str(),
                    number.box.x(), number.box.y(), seen.empty() ? " nothing" : seen.c_str())
                    .toStdString());
    }
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        tally.extra += !used[i];
        tally.digits += int(numbers[i].text.size());
    }
}

// --ink, when given: the same rule for every method.
std::optional<InkRule> inkRule;

std::vector<Number> readFile(const QString &path, Method method)
{
    PictureStore store;
    CreatePictureStore(store);
    LoadPicture(path, store.workRaster, store.rowTable);
    return ReadNumbers(store, method, inkRule);
}

QString percent(int part, int whole)
{
    return whole ? QString::asprintf("%.1f %%", 100.0 * part / whole) : QStringLiteral("-");
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QString folder, show;
    std::vector<Method> methods = {Method::Turns, Method::Learned};
    bool usage = false;
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (std::strcmp(arg, "--method") == 0 && i + 1 < argc) {
            const std::string name = argv[++i];
            if (const std::optional<Method> named = ParseMethod(name))
                methods = {*named};
            else
                usage = usage || name != "both";
        } else if (std::strcmp(arg, "--ink") == 0 && i + 1 < argc) {
            inkRule = ParseInkRule(argv[++i]);
            usage = usage || !inkRule;
        } else if (std::strcmp(arg, "--show") == 0 && i + 1 < argc) {
            show = QString::fromLocal8Bit(argv[++i]);
        } else if (folder.isEmpty() && arg[0] != '-') {
            folder = QString::fromLocal8Bit(arg);
        } else {
            usage = true;
        }
    }
    if (usage || folder.isEmpty()) {
        std::fputs("usage: umnoglaz_numbers FOLDER [--method turns|learned|both] "
                   "[--ink fixed|auto] [--show MATERIAL]\n",
            stderr);
        return 2;
    }
    auto name = [](Method m) { return MethodName(m).data(); };

    std::printf("| material | numbers |");
    for (Method m : methods)
        std::printf(" %s: read exactly | %s: extra |", name(m), name(m));
    std::printf("\n|---|---|%s\n", methods.size() == 2 ? "---|---|---|---|" : "---|---|");
    std::vector<std::string> noiseLines, shown;
    try {
        for (const QString &material : MaterialNames()) {
            const QDir dir(QDir(folder).filePath(material));
            if (!dir.exists())
                continue;
            std::vector<Tally> tallies(methods.size());
            for (const QString &file : dir.entryList(
                     {QStringLiteral("*.bmp"), QStringLiteral("*.jpg")}, QDir::Files, QDir::Name)) {
                const QString base = file.left(file.lastIndexOf('.'));
                const std::vector<TruthNumber> truth =
                    ReadTruth(dir.filePath(base + QStringLiteral(".truth")));
                QString noiseLine = QStringLiteral("| %1 |").arg(base);
                for (std::size_t m = 0; m < methods.size(); ++m) {
                    Tally page;
                    score(material + '/' + base, truth, readFile(dir.filePath(file), methods[m]),
                        page);
                    noiseLine += QStringLiteral(" %1 | %2 |").arg(page.digits).arg(page.extra);
                    Tally &t = tallies[m];
                    t.numbers += page.numbers;
                    t.read += page.read;
                    t.extra += page.extra;
                    t.digits += page.digits;
                    for (const std::string &miss : page.misses)
                        t.misses.push_back(
                            QString::asprintf("%s, %s", name(methods[m]), miss.c_str())
                                .toStdString());
                }
                if (truth.empty())
                    noiseLines.push_back(noiseLine.toStdString());
            }
            std::printf("| %s | %d |", qPrintable(material), tallies[0].numbers);
            for (const Tally &t : tallies)
                std::printf(" %s | %d |", qPrintable(percent(t.read, t.numbers)), t.extra);
            std::printf("\n");
            std::fflush(stdout);
            if (material == show)
                for (const Tally &t : tallies)
                    shown.insert(shown.end(), t.misses.begin(), t.misses.end());
        }
    } catch (const std::exception &error) {
        std::fprintf(stderr, "umnoglaz_numbers: %s\n", error.what());
        return 1;
    }
    if (!noiseLines.empty()) {
        std::printf("\n| page without numbers |");
        for (Method m : methods)
            std::printf(" %s: digits labelled | %s: numbers |", name(m), name(m));
        std::printf("\n|---|%s\n", methods.size() == 2 ? "---|---|---|---|" : "---|---|");
        for (const std::string &line : noiseLines)
            std::printf("%s\n", line.c_str());
    }
    if (!show.isEmpty()) {
        std::printf("\nmisses in %s:\n", qPrintable(show));
        for (const std::string &miss : shown)
            std::printf("  %s\n", miss.c_str());
    }
    return 0;
}
