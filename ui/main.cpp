// Program start: the headless command when options ask for it, otherwise the window, with the
// picture named on the command line opened at once.
#include "Application.h"
#include "HeadlessCommand.h"
#include "MainWindow.h"

#include <cstdio>
#include <cstdlib>

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

// While the application starts, Qt reports a display that cannot be opened as a fatal error
// and aborts. This handler turns that into one line and a plain exit; other messages keep
// their usual way.
QtMessageHandler g_defaultHandler = nullptr;

void startupMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtFatalMsg) {
        std::fprintf(
            stderr, "umnoglaz: cannot open the window: %s\n", qPrintable(text.simplified()));
        std::_Exit(1);
    }
    // Qt names the display it could not reach just before the fatal error; say it only once.
    if (context.category && qstrcmp(context.category, "qt.qpa.xcb") == 0)
        return;
    g_defaultHandler(type, context, text);
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
    qInstallMessageHandler(g_defaultHandler);

    TForm1 form;
    form.show();
    if (argc == 2)
        form.openPictureAtStart(QString::fromLocal8Bit(argv[1]));
    return app.exec();
}
