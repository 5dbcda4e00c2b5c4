#include "base/FailureText.h"

#include "base/Messages.h"

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
