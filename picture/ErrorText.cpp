#include "ErrorText.h"

#include "AppError.h"

#include <new>

QString ErrorMessage(const std::exception &error)
{
    if (dynamic_cast<const std::bad_alloc *>(&error))
        return QString::fromLatin1(kOutOfResources);
    return QString::fromUtf8(error.what());
}

QString WithFinalFullStop(const QString &message)
{
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + u'.';
    return message;
}

QString ErrorBoxTitle(const QString &executablePath)
{
    QString name = executablePath.section(u'/', -1);
    name = name.section(u'.', 0, 0);
    if (name.size() > 1)
        name = name.left(1) + name.mid(1).toLower();
    return name;
}
