// Small files that declare large or costly pictures, written here, loaded and recognised under
// a small memory budget: each loads and is recognised, or fails with "Out of system resources"
// (or its JPEG error) keeping the picture that was there; none aborts.
#include "base/MemoryBudget.h"
#include "base/AppError.h"
#include "base/Messages.h"
#include "picture/LoadPicture.h"
#include "picture/PictureStore.h"
#include "recognition/ReadPicture.h"
#include "tests/support/BmpFiles.h"
#include "tests/support/EmptyScansJpeg.h"
#include "tests/support/ScopedMemoryLimit.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

namespace {

// Isolated dark pixels on every other row and column, run-length coded 4 bits a pixel; the
// rows between are left unset, which reads as colour 0, white.
QByteArray isolatedDots(int side)
{
    BmpFields fields;
    fields.width = side;
    fields.height = side;
    fields.bitsPerPixel = 4;
    fields.compression = 2;
    fields.palette.assign(16, {0, 0, 0});
    fields.palette[0] = {255, 255, 255}; // 0: white; 1: black
    for (int y = 0; y < side; ++y) {
        if (y % 2 == 0) {
            for (int left = side; left > 0; left -= 254) {
                fields.pixels.push_back(std::uint8_t(std::min(left, 254)));
                fields.pixels.push_back(0x10); // black, white, black, ...
            }
        }
        fields.pixels.insert(fields.pixels.end(), {0, 0});
    }
    fields.pixels.insert(fields.pixels.end(), {0, 1});
    fields.imageSize = std::uint32_t(fields.pixels.size());
    return bmpFile(fields);
}

// A 24-bit BMP whose header declares a picture of this size, with no pixel data at all.
QByteArray emptyBmp(int width, int height)
{
    BmpFields fields;
    fields.width = width;
    fields.height = height;
    return bmpFile(fields);
}

struct Case
{
    const char *name;
    const char *fileName;
    QByteArray (*file)();
};

const Case kCases[] = {
    {"isolatedDotsRunLengthCoded", "dots.bmp", [] { return isolatedDots(3000); }},
    {"allBlackWithoutPixelData", "black.bmp", [] { return emptyBmp(18916, 18916); }},
    {"widthOneAtTheTallestHeight", "tall.bmp", [] { return emptyBmp(1, 18916 * 18916 / 3 - 2); }},
    {"progressiveWithManyEmptyScans", "scans.jpg", EmptyScansJpeg},
};

class SmallBudget : public ::testing::TestWithParam<Case>
{
protected:
    // Earlier tests in this process may have charged more under the default budget.
    void SetUp() override { MemoryBudget::resetPeak(); }

private:
    const ScopedMemoryLimit m_limit {std::int64_t(48) << 20};
};

TEST_P(SmallBudget, loadsAndIsRecognisedOrFailsKeepingThePicture)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QString::fromLatin1(GetParam().fileName));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(GetParam().file());
    file.close();

    PictureStore store;
    RecognitionState state;
    NoProgress progress;
    CreatePictureStore(store);
    const std::int64_t before = MemoryBudget::used();
    try {
        LoadPicture(path, store.workRaster, store.rowTable);
    } catch (const AppError &error) {
        const std::string message = error.what();
        EXPECT_TRUE(message == kOutOfResources || message.rfind("JPEG error #", 0) == 0) << message;
        // The picture that was there stays, with its own row table, and nothing stays charged.
        EXPECT_EQ(store.workRaster.width(), kStartWidth);
        EXPECT_EQ(store.rowTable.height(), kStartHeight);
        EXPECT_EQ(MemoryBudget::used(), before);
        return;
    }
    try {
        const Reading reading = ReadPicture(store.workRaster, store.rowTable, state, progress);
        EXPECT_FALSE(reading.results.empty());
    } catch (const AppError &error) {
        EXPECT_STREQ(error.what(), kOutOfResources);
        EXPECT_EQ(state.regions.size(), 1u); // entry 0 alone
    }
    EXPECT_LE(MemoryBudget::peak(), MemoryBudget::limit());
}

INSTANTIATE_TEST_SUITE_P(Files, SmallBudget, ::testing::ValuesIn(kCases),
    [](const auto &info) { return std::string(info.param.name); });

TEST(MemoryBudget, chargesAreRefusedBeforeTheLimitAndGivenBackByTheirOwners)
{
    const ScopedMemoryLimit limit(ScopedMemoryLimit::above(1000));
    {
        MemoryReservation held(600);
        EXPECT_THROW(MemoryReservation(401), AppError);
        EXPECT_NO_THROW(MemoryReservation(400));
        TBitmap raster;
        EXPECT_THROW(raster.setSize(100, 100), AppError);
        EXPECT_TRUE(raster.isEmpty());
    }
    EXPECT_NO_THROW(MemoryReservation(1000));
}

} // namespace
