#include "ThreadsOption.h"

QCommandLineOption ThreadsOption()
{
    return QCommandLineOption(QStringLiteral("threads"),
        QStringLiteral("Recognise on N threads (default: one per core)."), QStringLiteral("N"));
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
