#include "training/SegmentDigits.h"

#include <gtest/gtest.h>

#include <QFileInfo>

#include <algorithm>

namespace {

// Whether ink of at least one half in `a` lies within one pixel (8-neighbourhood) of such ink
// in `b`; both in the same frame.
bool touching(const InkPicture &a, const InkPicture &b)
{
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            if (a.at(x, y) < 0.5f)
                continue;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int u = x + dx, v = y + dy;
                    if (u >= 0 && v >= 0 && u < b.width && v < b.height && b.at(u, v) >= 0.5f)
                        return true;
                }
        }
    return false;
}

// The pixelwise largest ink of the pictures, all in one frame.
InkPicture overlay(const std::vector<InkPicture> &pictures)
{
    InkPicture all = pictures.front();
    for (const InkPicture &picture : pictures)
        for (std::size_t i = 0; i < all.ink.size(); ++i)
            all.ink[i] = std::max(all.ink[i], picture.ink[i]);
    return all;
}

float largestDifference(const InkPicture &a, const InkPicture &b)
{
    float largest = 0;
    for (std::size_t i = 0; i < a.ink.size(); ++i)
        largest = std::max(largest, std::abs(a.ink[i] - b.ink[i]));
    return largest;
}

class DrawnSegments : public ::testing::TestWithParam<SegmentEnds>
{ };

} // namespace

// At the narrowest gap of 3 pixels, slanted, every end shape keeps its segments apart, and the
// pieces are exactly the digit's lit ink, in its frame.
TEST_P(DrawnSegments, piecesStayApartAndMakeUpTheDigit)
{
    TrainingSegmentStyle style;
    style.ends = GetParam();
    style.height = 60;
    style.thickness = 0.16;
    style.gap = 0.05;
    style.width = 0.7;
    style.slant = 14;
    const std::vector<InkPicture> eight = DrawnSegmentPieces(8, style);
    ASSERT_EQ(eight.size(), 7u);
    for (std::size_t i = 0; i < eight.size(); ++i)
        for (std::size_t j = i + 1; j < eight.size(); ++j)
            EXPECT_FALSE(touching(eight[i], eight[j])) << "segments " << i << " and " << j;
    for (int digit = 0; digit < 10; ++digit) {
        const SegmentInk ink = DrawnSegmentDigit(digit, style, true);
        EXPECT_LT(largestDifference(overlay(DrawnSegmentPieces(digit, style)), ink.lit), 0.01f)
            << digit;
        EXPECT_LT(largestDifference(overlay({ink.lit, ink.unlit}), overlay(eight)), 0.01f) << digit;
    }
}

INSTANTIATE_TEST_SUITE_P(EndShapes, DrawnSegments,
    ::testing::Values(SegmentEnds::Pointed, SegmentEnds::Mitred, SegmentEnds::Square),
    [](const ::testing::TestParamInfo<SegmentEnds> &info) {
        return info.param == SegmentEnds::Pointed ? "pointed"
            : info.param == SegmentEnds::Mitred   ? "mitred"
                                                  : "square";
    });

// Only Classic faces, and in each the 8 falls into seven segments that the digits' lit and
// unlit ink share between them.
TEST(SegmentFonts, classicFacesSplitTheirEightIntoSevenSegments)
{
    const std::vector<QString> files = ClassicSegmentFontFiles();
    if (files.empty())
        GTEST_SKIP() << "fonts-dseg is not installed";
    EXPECT_EQ(files.size(), 12u);
    for (const QString &file : files) {
        EXPECT_TRUE(QFileInfo(file).fileName().startsWith(QStringLiteral("DSEG7Classic")));
        const QRawFont font(file, 48);
        ASSERT_TRUE(font.isValid()) << qPrintable(file);
        const std::vector<InkPicture> eight = FontSegmentPieces(font, 8);
        EXPECT_EQ(eight.size(), 7u) << qPrintable(file);
        EXPECT_EQ(FontSegmentPieces(font, 1).size(), 2u) << qPrintable(file);
        // The faces' outlines of a segment differ from digit to digit by a hair.
        for (int digit = 0; digit < 10; ++digit) {
            const SegmentInk ink = FontSegmentDigit(font, digit, true);
            EXPECT_LT(largestDifference(overlay({ink.lit, ink.unlit}), overlay(eight)), 0.1f)
                << qPrintable(file) << " " << digit;
        }
    }
}
