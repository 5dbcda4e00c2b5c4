// The --threads N option, shared by every headless mode that runs recognition passes: how it
// reads on the command line and in --help, and how its value is checked.
#pragma once

#include <QCommandLineOption>
#include <QString>

#include <optional>

inline constexpr int kMostThreads = 256;

// --threads N: the number of threads a pass uses, by default one per core.
QCommandLineOption ThreadsOption();

// The thread count that value names: a whole number from 1 to kMostThreads, nothing else.
std::optional<int> ParseThreadCount(const QString &value);
