#include "base/AppError.h"

#include <QString>

AppError::AppError(const QString &message)
    : std::runtime_error(message.toStdString())
{ }
