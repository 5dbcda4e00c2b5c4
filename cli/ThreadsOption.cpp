#include "ThreadsOption.h"

#include <QThread>

QCommandLineOption ThreadsOption()
{
    return QCommandLineOption(QStringLiteral("threads"),
        QStringLiteral("Use N threads (all cores by default)."), QStringLiteral("N"));
}

std::optional<int> ThreadCount(const QCommandLineParser &parser, const QCommandLineOption &option)
{
    if (!parser.isSet(option))
        return std::max(1, QThread::idealThreadCount());
    bool ok = false;
    const int count = parser.value(option).toInt(&ok);
    if (!ok || count < 1)
        return std::nullopt;
    return count;
}
