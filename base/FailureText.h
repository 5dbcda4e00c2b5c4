// How a failure reads to the user, wherever it is shown: in the error box and on the headless
// command's stderr alike. Pure functions, so the rules are tested on their own.
#pragma once

#include <QString>

#include <exception>

// The message of a failure: its what() text, except that running out of memory reads
// kOutOfResources.
QString ErrorMessage(const std::exception &error);

// The message with a full stop appended when its last character's code is above that of ".".
QString WithFinalFullStop(const QString &message);
