// Shared by the window's QtTest programs: their main(), which runs them in the program's own
// application object on Qt's offscreen platform, and small helpers over rasters and the mouse.
#pragma once

#include "tests/support/Fixtures.h"
#include "ui/Application.h"
#include "ui/MainWindow.h"

#include <QPainter>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <memory>

// Mouse events go to the window's QWindow, so that Qt routes them as it routes real ones:
// the implicit grab of a press, moves outside the window, releases over controls.
struct WindowMouse
{
    QWindow *window;

    void press(Qt::MouseButton button, QPoint at)
    {
        expectOutside(at);
        QTest::mousePress(window, button, {}, at);
    }
    void release(Qt::MouseButton button, QPoint at)
    {
        expectOutside(at);
        QTest::mouseRelease(window, button, {}, at);
    }
    void move(QPoint at)
    {
        expectOutside(at);
        QTest::mouseMove(window, at);
    }

    // QTest warns about events right of or below the window; there they are meant.
    void expectOutside(QPoint at)
    {
        if (at.x() >= window->width() || at.y() >= window->height())
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("outside target window"));
    }
};

// Ends one window test: buttons that a test left held are released (so that the next test
// starts with none), the window goes, and the error box is the real one again.
inline void closeWindowTest(std::unique_ptr<TForm1> &form)
{
    if (form && form->windowHandle()) {
        for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
            if (QGuiApplication::mouseButtons() & button)
                QTest::mouseRelease(form->windowHandle(), button, {}, QPoint(1, 1));
        }
    }
    form.reset();
    UmnoglazApplication::setErrorBox({});
}

// A copy of a raster's pixels, to compare with later.
inline QImage snapshot(const TBitmap &raster)
{
    return raster.view().copy();
}

// Writes a 60 x 40 white picture with a thick black ring, in the format given (whatever the
// file's name says), and returns its path.
inline QString writeRingPicture(const QString &path, const char *format)
{
    QImage picture(60, 40, QImage::Format_RGB888);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setPen(QPen(Qt::black, 5));
    painter.drawEllipse(QRect(15, 8, 30, 24));
    painter.end();
    if (!picture.save(path, format))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// Runs one QtTest class in UmnoglazApplication, offscreen unless the environment names a
// platform.
#define UMNOGLAZ_WIDGET_TEST_MAIN(TestClass)                                                       \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))                                        \
            qputenv("QT_QPA_PLATFORM", "offscreen");                                               \
        UmnoglazApplication app(argc, argv);                                                       \
        /* The tests' own settings scope, in a folder that goes with the run. */                   \
        QTemporaryDir settings;                                                                    \
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());        \
        QCoreApplication::setOrganizationName(QStringLiteral("UmnoglazTests"));                    \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
