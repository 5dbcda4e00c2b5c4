// The --threads N option, defined once for every part of the command that runs work in
// parallel (the pictures of a run, the regions of a pass): how it reads on the command line and
// in --help, and how its value is checked. All cores by default.
#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>

#include <optional>

inline constexpr int kMostThreads = 256;

QCommandLineOption ThreadsOption();

// The thread count that value names: a whole number from 1 to kMostThreads, nothing else.
std::optional<int> ParseThreadCount(const QString &value);

// The number given with the option, or the number of cores when it is not given; nothing for a
// value that ParseThreadCount refuses.
std::optional<int> ThreadCount(const QCommandLineParser &parser, const QCommandLineOption &option);
