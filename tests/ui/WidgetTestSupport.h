// Shared by the window's QtTest programs: their main(), which runs them in the program's own
// application object on Qt's offscreen platform, and small helpers over rasters and the mouse.
#pragma once

#include "Application.h"
#include "MainWindow.h"

#include <QPainter>
#include <QRegularExpression>
#include <QTest>
#include <QWindow>

#include <cstring>
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

// Ends one window test: the window goes, the error box is the real one again, and QtTest
// forgets any button that a test left held.
inline void closeWindowTest(std::unique_ptr<TForm1> &form)
{
    form.reset();
    UmnoglazApplication::setErrorBox({});
    QTestPrivate::qtestMouseButtons = Qt::NoButton;
}

inline bool isBlack(const TBitmap &raster, int x, int y)
{
    const std::uint8_t *pixel = raster.scanLine(y) + 3 * x;
    return pixel[0] == 0 && pixel[1] == 0 && pixel[2] == 0;
}

inline bool isPureRed(const TBitmap &raster, int x, int y)
{
    const std::uint8_t *pixel = raster.scanLine(y) + 3 * x;
    return pixel[0] == 0 && pixel[1] == 0 && pixel[2] == 255;
}

inline int countPixels(
    const TBitmap &raster, bool (*test)(const TBitmap &, int, int), const QRect &area)
{
    const QRect inside = area.intersected(QRect(0, 0, raster.width(), raster.height()));
    int n = 0;
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x)
            n += test(raster, x, y);
    }
    return n;
}

inline int countBlack(const TBitmap &raster)
{
    return countPixels(raster, isBlack, QRect(0, 0, raster.width(), raster.height()));
}

inline bool sameRasters(const TBitmap &a, const TBitmap &b)
{
    if (a.width() != b.width() || a.height() != b.height())
        return false;
    for (int y = 0; y < a.height(); ++y) {
        if (std::memcmp(a.scanLine(y), b.scanLine(y), std::size_t(3 * a.width())) != 0)
            return false;
    }
    return true;
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
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
