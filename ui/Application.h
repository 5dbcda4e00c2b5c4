// The application object of the window program, and the one place where failures are shown.
//
// A handler of the window never lets an exception return into Qt's frames (QtGui and
// QtWidgets are built without exception support, so unwinding through them would skip their
// clean-up): RunHandler catches it and hands it to the application, which shows it once Qt's
// dispatch of the current event has returned to notify(). notify() also catches whatever Qt
// itself throws. Each failure is shown in the error box: the error icon, one OK button, the
// title ErrorBoxTitle(executable path) and the text WithFinalFullStop(ErrorMessage(e)).
// Then the program goes on with the next event.
#pragma once

#include <QApplication>

#include <exception>
#include <functional>
#include <utility>
#include <vector>

class UmnoglazApplication : public QApplication
{
public:
    UmnoglazApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

    // Shows the failure at the end of the event dispatch that is running, or at once when no
    // event is being dispatched.
    static void reportFailure(std::exception_ptr failure);

    // What the error box shows for a failure.
    static QString errorBoxTitle();
    static QString errorBoxText(std::exception_ptr failure);

    // The error box itself. Tests replace it so that nothing waits for a click; an empty
    // function restores the message box.
    using ErrorBox = std::function<void(const QString &title, const QString &text)>;
    static void setErrorBox(ErrorBox box);

private:
    static void showErrorBox(std::exception_ptr failure);
    void showPendingFailures();

    int m_dispatchDepth = 0;
    std::vector<std::exception_ptr> m_pending;
};

// The error box's title: the executable's file name without directory, cut before its first
// ".", every letter after the first in lower case ("/opt/UMNOGLAZ.bin" gives "Umnoglaz").
QString ErrorBoxTitle(const QString &executablePath);

// Runs one handler of the window; a failure leaving it goes to the error box.
template<typename Handler> void RunHandler(Handler &&handler) noexcept
{
    try {
        std::forward<Handler>(handler)();
    } catch (...) {
        UmnoglazApplication::reportFailure(std::current_exception());
    }
}
