// Replays the committed fuzz inputs through LoadPicture: each loads or fails with one of our
// messages, with no crash (the sanitizer build checks every read and write).
#include "AppError.h"
#include "LoadPicture.h"
#include "PictureFiles.h"
#include "PictureStore.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>

TEST(FuzzCorpus, everyInputLoadsOrFailsWithOneOfOurMessages)
{
    static const QRegularExpression ours(
        QStringLiteral("^(Bitmap image is not valid|Stream read error|Out of system resources|JPEG "
                       "error #\\d+)$"));
    PictureFolder folder;
    int inputs = 0;
    QDirIterator it(
        QStringLiteral(UMNOGLAZ_FUZZ_CORPUS), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.contains(QStringLiteral("/recognize_all/")))
            continue; // rasters for the recognition pass, not files
        QFile input(path);
        ASSERT_TRUE(input.open(QIODevice::ReadOnly));
        const QByteArray bytes = input.readAll();
        // Inputs of the JPEG target are replayed as .jpg, all others as .bmp.
        const bool jpeg = path.contains(QStringLiteral("/load_jpeg/"));
        const QString name = folder.write(jpeg ? "input.jpg" : "input.bmp", bytes);
        PictureStore store;
        CreatePictureStore(store);
        const std::string error =
            errorOf([&] { LoadPicture(name, store.workRaster, store.rowTable); });
        if (error != "no error") {
            EXPECT_TRUE(ours.match(QString::fromStdString(error)).hasMatch())
                << path.toStdString() << ": " << error;
        }
        ++inputs;
    }
    EXPECT_GT(inputs, 0);
}
