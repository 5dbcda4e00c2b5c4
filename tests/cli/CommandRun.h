// Running the built program in the headless command's tests, and the picture they feed it.
#pragma once

#include "picture/PictureStore.h"
#include "tests/support/Fixtures.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <functional>

struct Outcome
{
    int exitCode = -1;
    QString out;
    QString err;
};

inline Outcome umnoglaz(const QStringList &arguments,
    const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
    const std::function<void(QProcess &)> &prepare = {})
{
    QProcess process;
    process.setProcessEnvironment(environment);
    if (prepare)
        prepare(process);
    process.start(QStringLiteral(UMNOGLAZ_EXECUTABLE), arguments);
    process.waitForFinished(60'000);
    Outcome outcome;
    outcome.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    outcome.out = QString::fromUtf8(process.readAllStandardOutput());
    outcome.err = QString::fromUtf8(process.readAllStandardError());
    return outcome;
}

class HeadlessCommand : public ::testing::Test
{
protected:
    QTemporaryDir dir;

    QString path(const QString &name) const { return dir.filePath(name); }

    // Two thick rings and a lone pixel on a white picture 100 pixels high, saved as a 24-bit
    // BMP under the name given (folders made as needed).
    QString ringsPicture(const QString &name = QStringLiteral("rings.bmp"), int width = 200)
    {
        TBitmap raster;
        raster.setSize(width, 100);
        TCanvas &canvas = raster.canvas();
        for (int left : {30, 120})
            drawRing(canvas, left, 30);
        canvas.Pen.Width = 1;
        canvas.moveTo(100, 90);
        canvas.lineTo(100, 90);
        const QString file = path(name);
        EXPECT_TRUE(QDir().mkpath(QFileInfo(file).absolutePath()));
        EXPECT_TRUE(raster.view().save(file, "BMP"));
        return file;
    }
};
