// Program start. The main window is not built yet: this start-up only shows a placeholder.
#include <QApplication>
#include <QLabel>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QLabel placeholder(QStringLiteral("Umnoglaz: the main window is still being built."));
    placeholder.setWindowTitle(QStringLiteral("Umnoglaz"));
    placeholder.resize(400, 100);
    placeholder.show();
    return app.exec();
}
