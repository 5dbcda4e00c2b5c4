// Program start: the headless command when options ask for it, otherwise the window.
#include "HeadlessCommand.h"

#include <QApplication>
#include <QLabel>

int main(int argc, char **argv)
{
    if (IsHeadlessInvocation(argc, argv))
        return RunHeadless(argc, argv);

    QApplication app(argc, argv);
    QLabel placeholder(QStringLiteral("Umnoglaz: the main window is still being built."));
    placeholder.setWindowTitle(QStringLiteral("Umnoglaz"));
    placeholder.resize(400, 100);
    placeholder.show();
    return app.exec();
}
