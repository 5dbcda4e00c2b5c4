// Replays the committed fuzz inputs through LoadPicture under the fuzz builds' memory budget:
// each loads or fails with one of our messages, with no crash (the sanitizer build checks every
// read and write).
#include "base/AppError.h"
#include "base/MemoryBudget.h"
#include "picture/LoadPicture.h"
#include "picture/PictureStore.h"
#include "tests/picture/PictureFiles.h"
#include "tests/support/ScopedMemoryLimit.h"

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
    // The budget the inputs were found under: one that declares a gigabyte is refused at once
    // rather than decoded for minutes.
    const ScopedMemoryLimit limit(std::int64_t(24) << 20);
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
        QByteArray bytes = input.readAll();
        // Inputs of the JPEG target are replayed as .jpg, all others as .bmp; those of the
        // target that loads and recognises choose by their first byte (odd: JPEG).
        bool jpeg = path.contains(QStringLiteral("/load_jpeg/"));
        if (path.contains(QStringLiteral("/load_and_read/")) && !bytes.isEmpty()) {
            jpeg = (bytes[0] & 1) != 0;
            bytes.remove(0, 1);
        }
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
