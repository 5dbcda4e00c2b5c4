// The --threads option, defined once for every part of the command that runs work in parallel:
// how many threads it may use, all cores by default.
#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <optional>

QCommandLineOption ThreadsOption();

// The number given with the option, or the number of cores when it is not given; nothing for a
// value that is not a whole number from 1 up.
std::optional<int> ThreadCount(const QCommandLineParser &parser, const QCommandLineOption &option);
