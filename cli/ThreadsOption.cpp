#include "cli/ThreadsOption.h"

#include <QThread>

#include <algorithm>

QCommandLineOption ThreadsOption()
{
    return QCommandLineOption(QStringLiteral("threads"),
        QStringLiteral("Use N threads (all cores by default)."), QStringLiteral("N"));
}

std::optional<int> ParseThreadCount(const QString &value)
{
    for (const QChar c : value) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    bool ok = false;
    const int count = value.toInt(&ok);
    if (!ok || count < 1 || count > kMostThreads)
        return std::nullopt;
    return count;
}

std::optional<int> ThreadCount(const QCommandLineParser &parser, const QCommandLineOption &option)
{
    if (!parser.isSet(option))
        return std::clamp(QThread::idealThreadCount(), 1, kMostThreads);
    return ParseThreadCount(parser.value(option));
}
