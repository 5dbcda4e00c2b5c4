#include "app/WindowStart.h"

#include "base/Messages.h"
#include "ui/Application.h"
#include "ui/MainWindow.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

bool displayNamed()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
        !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

QByteArray displayName()
{
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        if (!qEnvironmentVariableIsEmpty(name))
            return qgetenv(name);
    }
    return "of the platform \"" + qgetenv("QT_QPA_PLATFORM") + '"';
}

// While the application starts, Qt's messages are held back here; a fatal one (the display
// cannot be opened) becomes one line and a plain exit.
QtMessageHandler g_defaultHandler = nullptr;

struct HeldMessage
{
    QtMsgType type;
    QByteArray category;
    QString text;
};
QList<HeldMessage> g_heldMessages;

void startupMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtFatalMsg) {
        std::fputs(CannotOpenDisplay(displayName()).constData(), stderr);
        std::_Exit(1);
    }
    g_heldMessages.append({type, QByteArray(context.category), text});
}

void holdMessages()
{
    g_defaultHandler = qInstallMessageHandler(startupMessageHandler);
}

// Restores Qt's own handler and passes the held messages on to it.
void releaseMessages()
{
    qInstallMessageHandler(g_defaultHandler);
    for (const HeldMessage &message : std::as_const(g_heldMessages)) {
        const QMessageLogContext context(nullptr, 0, nullptr, message.category.constData());
        qt_message_output(message.type, context, message.text);
    }
    g_heldMessages.clear();
}

} // namespace

int RunWindow(int argc, char **argv)
{
    if (argc > 2) {
        std::fputs(kWindowUsage, stderr);
        return 2;
    }
    if (!displayNamed()) {
        std::fputs(kNoDisplay, stderr);
        return 1;
    }

    holdMessages();
    UmnoglazApplication app(argc, argv);
    releaseMessages();
    // The scope of the window's settings (the recognition method).
    QCoreApplication::setOrganizationName(QStringLiteral("Umnoglaz"));
    QCoreApplication::setApplicationName(QStringLiteral("umnoglaz"));

    TForm1 form;
    form.show();
    if (argc == 2)
        form.openPictureAtStart(QString::fromLocal8Bit(argv[1]));
    return app.exec();
}
