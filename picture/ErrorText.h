// How a failure reads to the user, in the error box and on the headless command's stderr.
// Pure functions, so the rules are tested on their own.
#pragma once

#include <QString>

#include <exception>

// The message of a failure: an AppError's text; running out of memory reads
// "Out of system resources"; anything else gives its what() text.
QString ErrorMessage(const std::exception &error);

// The message with a full stop appended when its last character's code is above that of ".".
QString WithFinalFullStop(const QString &message);

// The error box's title: the executable's file name without directory, cut before its first
// ".", every letter after the first in lower case ("/opt/UMNOGLAZ.bin" gives "Umnoglaz").
QString ErrorBoxTitle(const QString &executablePath);
