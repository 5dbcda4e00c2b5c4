// Program start: the headless command when options ask for it, otherwise the window, with the
// picture named on the command line opened at once.
#include "Application.h"
#include "HeadlessCommand.h"
#include "MainWindow.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

constexpr const char *kNoDisplay =
    "umnoglaz: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are unset); "
    "umnoglaz --recognize PICTURE works without one\n";

bool displayNamed()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
        !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

// While the application starts, Qt reports a display that cannot be opened with a warning or
// two and then a fatal error, which aborts. This handler holds Qt's messages back until the
// start is over and turns the fatal error into one line and a plain exit.
QtMessageHandler g_defaultHandler = nullptr;

struct HeldMessage
{
    QtMsgType type;
    QByteArray category;
    QString text;
};
QList<HeldMessage> g_heldMessages;

QByteArray displayName()
{
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        if (!qEnvironmentVariableIsEmpty(name))
            return qgetenv(name);
    }
    return "of the platform \"" + qgetenv("QT_QPA_PLATFORM") + '"';
}

void startupMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr,
            "umnoglaz: cannot open the window: the display %s cannot be opened; "
            "umnoglaz --recognize PICTURE works without one\n",
            displayName().constData());
        std::_Exit(1);
    }
    g_heldMessages.append({type, QByteArray(context.category), text});
}

void endStartup()
{
    qInstallMessageHandler(g_defaultHandler);
    for (const HeldMessage &message : std::as_const(g_heldMessages)) {
        const QMessageLogContext context(nullptr, 0, nullptr, message.category.constData());
        qt_message_output(message.type, context, message.text);
    }
    g_heldMessages.clear();
}

} // namespace

int main(int argc, char **argv)
{
    if (IsHeadlessInvocation(argc, argv))
        return RunHeadless(argc, argv);
    if (argc > 2) {
        std::fputs(
            "usage: umnoglaz [PICTURE]   (umnoglaz --help for the headless command)\n", stderr);
        return 2;
    }
    if (!displayNamed()) {
        std::fputs(kNoDisplay, stderr);
        return 1;
    }

    g_defaultHandler = qInstallMessageHandler(startupMessageHandler);
    UmnoglazApplication app(argc, argv);
    endStartup();

    TForm1 form;
    form.show();
    if (argc == 2)
        form.openPictureAtStart(QString::fromLocal8Bit(argv[1]));
    return app.exec();
}
