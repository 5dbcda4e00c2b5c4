// The headless command's command line: what the options ask for, or the answer the command
// gives without reading any picture (--help, --version, a usage problem). Parsing prints
// nothing; the caller writes the answer.
#pragma once

#include "recognition/Ink.h"
#include "recognition/Method.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <variant>

struct HeadlessOptions
{
    QStringList pictures; // every file or folder given, in the order the command line gives them
    bool json = false;
    QString output;
    bool recursive = false;
    QString outputDir;
    int threads = 1;
    Method method = Method::Turns;
    std::optional<float> minConfidence; // --min-confidence P
    std::optional<InkRule> ink;         // --ink; nothing: the method's own
    std::int64_t maxMemory = 0;         // 0: the default budget

    const QString &picture() const { return pictures.first(); }
};

// The command line answered at once: its exit code and the text for each stream.
struct CommandAnswer
{
    int exitCode = 0;
    QString out;
    QString err;
};

// Reads the arguments (the program's name first, as QCoreApplication::arguments() gives them).
// A usage problem answers exit code 2 on stderr with one line naming the problem and one
// pointing to --help; --help and --version answer 0 on stdout.
std::variant<HeadlessOptions, CommandAnswer> ParseCommandLine(const QStringList &arguments);
