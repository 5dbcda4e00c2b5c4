// The one exception type of the program. Every layer throws it with the text that the user
// will read (named in Messages.h); the window shows it in the error box and the headless command
// prints it.
#pragma once

#include <stdexcept>
#include <string>

class QString;

class AppError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
    explicit AppError(const QString &message);
};
