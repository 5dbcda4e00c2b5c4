#include "recognition/TurnSignature.h"
#include "recognition/Contour.h"
#include "recognition/LabelRegions.h"
#include "recognition/PackedSignature.h"
#include "tests/support/Fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <stdexcept>

namespace {

// The smoothed direction at one chain-code position: bearing in degrees, then length.
struct WindowVector
{
    long double bearing = 0;
    long double length = 0;
};

// Reference implementation of the window vectors: each window summed code by code, read
// cyclically.
std::vector<WindowVector> plainWindowVectors(const ChainCode &chainCode, std::int32_t pixelCount)
{
    const std::size_t size = chainCode.size();
    const std::int32_t w = RoundHalfUp(4.0L * pixelCount / static_cast<long double>(size));
    std::vector<WindowVector> records(size);
    for (std::size_t k = 0; k < size; ++k) {
        std::int32_t sx = 0, sy = 0;
        for (std::int64_t j = 0; j <= w; ++j) {
            switch (chainCode[(k + std::size_t(j)) % size]) {
            case 1:
                --sx;
                break;
            case 2:
                ++sy;
                break;
            case 3:
                ++sx;
                break;
            case 4:
                --sy;
                break;
            }
        }
        records[k].length =
            std::sqrt(static_cast<long double>(std::int64_t(sx) * sx + std::int64_t(sy) * sy));
        records[k].bearing = BearingDeg(sx, sy, 0, 0, records[k].length);
    }
    return records;
}

// Reference implementation of the signature: all window vectors, 100 samples, the decision
// table in its order.
std::string plainSignature(const ChainCode &chainCode, std::int32_t pixelCount)
{
    const std::vector<WindowVector> records = plainWindowVectors(chainCode, pixelCount);
    const long double step = static_cast<long double>(chainCode.size() - 1) / 100.0L;
    std::string signature(100, '?');
    signature[0] = 'L';
    std::size_t previous = 0;
    for (int i = 1; i < 100; ++i) {
        const std::size_t idx = std::size_t(RoundHalfUp(i * step));
        const long double diff = records.at(idx).bearing - records[previous].bearing;
        char &c = signature[std::size_t(i)];
        if (std::fabs(diff) < 3.0L)
            c = signature[std::size_t(i - 1)];
        else if (diff > 0 && diff <= 180.0L)
            c = 'R';
        else if (diff > 180.0L)
            c = 'L';
        else if (diff < 0 && std::fabs(diff) <= 180.0L)
            c = 'L';
        else if (diff < -180.0L)
            c = 'R';
        previous = idx;
    }
    return signature;
}

} // namespace

TEST(RoundHalfUp, roundsHalvesUpByTheFirstDecimal)
{
    const std::pair<long double, std::int32_t> cases[] = {
        {2.5L, 3},
        {2.49L, 2},
        {3.0L, 3},
        {0.05L, 0},
        {0.5L, 1},
        {2.45L, 2},
        {0.0L, 0},
        {1.3333333333333333333L, 1},
        {7.6L, 8},
        {-2.7L, -2},
        {-0.5L, 0},
        {1e9L + 0.5L, 1000000001},
    };
    for (const auto &[x, expected] : cases)
        EXPECT_EQ(RoundHalfUp(x), expected) << double(x);
}

// Sample positions i x (L - 1) / 100 for every i and many L, and values a few last bits away
// from every half, against the definition's two truncations.
TEST(RoundHalfUp, agreesWithTheDefinitionNearEveryHalf)
{
    const auto plain = [](long double x) {
        const long double whole = std::trunc(x);
        const std::int32_t result = static_cast<std::int32_t>(whole);
        return std::trunc((x - whole) * 10.0L) >= 5.0L ? result + 1 : result;
    };
    for (std::size_t size = 1; size < 5000; ++size) {
        const long double step = static_cast<long double>(size - 1) / 100.0L;
        for (int i = 1; i < 100; ++i)
            ASSERT_EQ(RoundHalfUp(i * step), plain(i * step)) << size << " " << i;
    }
    std::mt19937 random(3);
    for (int round = 0; round < 100000; ++round) {
        long double x = static_cast<long double>(random() % 2000000) / 10.0L - 100000.0L;
        for (int k = int(random() % 4); k > 0; --k)
            x = std::nextafter(x, random() % 2 ? 1e9L : -1e9L);
        ASSERT_EQ(RoundHalfUp(x), plain(x)) << double(x);
    }
}

TEST(RoundHalfUp, valuesBeyondThe32BitRangeSaturate)
{
    EXPECT_EQ(RoundHalfUp(2147483646.7L), 2147483647);
    EXPECT_EQ(RoundHalfUp(2147483647.9L), 2147483647);
    EXPECT_EQ(RoundHalfUp(1e30L), 2147483647);
    EXPECT_EQ(RoundHalfUp(-1e30L), -2147483647 - 1);
    EXPECT_EQ(RoundHalfUp(std::nanl("")), 0);
}

TEST(BearingDeg, measuresClockwiseFromStraightUp)
{
    struct Case
    {
        long double x, y, expected;
    };
    const Case cases[] = {
        {0, -1, 0},
        {1, 0, 90},
        {0, 1, 180},
        {-1, 0, 270},
        {-1, -1, 315},
        {1, 1, 135},
        {1, -1, 45},
        {-1, 1, 225},
        {0, 0, 0},
    };
    for (const Case &c : cases) {
        const long double r = std::sqrt(c.x * c.x + c.y * c.y);
        EXPECT_NEAR(double(BearingDeg(c.x, c.y, 0, 0, r)), double(c.expected), 1e-12)
            << double(c.x) << ", " << double(c.y);
    }
}

TEST(BearingDeg, measuresFromTheOriginGivenWithTheLengthGiven)
{
    EXPECT_NEAR(double(BearingDeg(3, 4, 3, 5, 1)), 0.0, 1e-12); // straight up from (3, 5)
    // (-1, 2) from (3, 5), lower left, with the length given as 3.
    EXPECT_NEAR(double(BearingDeg(2, 7, 3, 5, 3)), 180.0 + std::asin(1.0 / 3) * 180 / M_PI, 1e-12);
    EXPECT_NEAR(double(BearingDeg(1, -1, 0, 0, 2)), 30.0, 1e-12); // r is taken, not recomputed
    EXPECT_EQ(BearingDeg(5, 5, 0, 0, 0), 0);
}

TEST(WindowLength, isFourTimesPixelsPerCodeRoundedHalfUp)
{
    EXPECT_EQ(WindowLength(2, 6), 1);   // 8 / 6
    EXPECT_EQ(WindowLength(75, 6), 50); // an outline much shorter than its region
    EXPECT_EQ(WindowLength(5, 8), 3);   // 2.5
    EXPECT_EQ(WindowLength(0, 6), 0);
}

TEST(WindowVector, verticalPairWindowHoldsTwoCodes)
{
    const std::vector<WindowVector> records = plainWindowVectors(codes("412234"), 2);
    ASSERT_EQ(records.size(), 6u);
    EXPECT_NEAR(double(records[0].length), std::sqrt(2.0), 1e-15);
    EXPECT_NEAR(double(records[0].bearing), 315.0, 1e-12);
    EXPECT_NEAR(double(records[2].bearing), 180.0, 1e-12); // 2 2
    EXPECT_EQ(records[2].length, 2);
}

TEST(SampleIndex, stepsThroughTheChainCodeEvenly)
{
    const std::size_t expected51[] = {1, 1, 2, 2, 3, 3};
    for (int i = 1; i <= 6; ++i)
        EXPECT_EQ(SampleIndex(i, 51), expected51[i - 1]) << i;
    EXPECT_EQ(SampleIndex(99, 51), 50u);
    for (int i = 1; i < 100; ++i)
        EXPECT_EQ(SampleIndex(i, 101), std::size_t(i));
    for (std::size_t size = 1; size < 3000; ++size) {
        std::size_t last = 0;
        for (int i = 1; i < 100; ++i) {
            const std::size_t index = SampleIndex(i, size);
            ASSERT_LE(index, size - 1);
            ASSERT_GE(index, last);
            last = index;
        }
    }
}

// The whole-number path against the extended arithmetic it stands for, on small chain codes,
// on the sizes whose samples fall on exact halves and on sizes up to the largest outlines.
TEST(SampleIndex, isTheExtendedProductRoundedHalfUp)
{
    std::mt19937_64 random(11);
    std::vector<std::size_t> sizes;
    for (std::size_t size = 1; size < 3000; ++size)
        sizes.push_back(size);
    for (int round = 0; round < 20000; ++round) {
        const std::size_t size = 1 + random() % (std::size_t(1) << (1 + random() % 31));
        sizes.push_back(size);
        sizes.push_back(size / 100 * 100 + 51); // (size - 1) x odd i ends in 50 hundredths
    }
    for (const std::size_t size : sizes) {
        const long double step = static_cast<long double>(size - 1) / 100.0L;
        for (int i = 1; i < 100; ++i)
            ASSERT_EQ(SampleIndex(i, size), std::size_t(RoundHalfUp(i * step))) << size << " " << i;
    }
}

TEST(DecideTurn, followsTheTableInItsOrder)
{
    struct Case
    {
        const char *name;
        long double diff;
        char previous;
        char expected;
    };
    const Case cases[] = {
        {"from359To1", 1.0L - 359.0L, 'L', 'R'},
        {"from1To359", 359.0L - 1.0L, 'R', 'L'},
        {"exactly3Decided", 3.0L, 'L', 'R'},
        {"exactlyMinus3Decided", -3.0L, 'R', 'L'},
        {"justBelow3Repeats", 2.999L, 'L', 'L'},
        {"justBelow3RepeatsR", -2.999L, 'R', 'R'},
        {"noChangeRepeats", 0.0L, 'R', 'R'},
        {"plus180IsR", 180.0L, 'L', 'R'},
        {"minus180IsL", -180.0L, 'R', 'L'},
        {"above180IsL", 180.5L, 'R', 'L'},
        {"belowMinus180IsR", -180.5L, 'L', 'R'},
        {"smallClockwiseIsR", 45.0L, 'L', 'R'},
        {"smallAnticlockwiseIsL", -45.0L, 'R', 'L'},
    };
    for (const Case &c : cases)
        EXPECT_EQ(DecideTurn(c.diff, c.previous), c.expected) << c.name;
}

TEST(BuildTurnSignature, hasHundredTurnsStartingWithL)
{
    std::mt19937 random(99);
    for (int round = 0; round < 200; ++round) {
        ChainCode chainCode(1 + random() % 300);
        for (auto &code : chainCode)
            code = std::uint8_t(1 + random() % 4);
        const std::string signature = BuildTurnSignature(chainCode, std::int32_t(random() % 5000));
        ASSERT_EQ(signature.size(), 100u);
        EXPECT_EQ(signature[0], 'L');
        EXPECT_EQ(signature.find_first_not_of("LR"), std::string::npos);
    }
}

TEST(BuildTurnSignature, samplesOnOneRecordRepeatThePreviousTurn)
{
    std::mt19937 random(5);
    for (std::size_t size : {6u, 20u, 51u, 77u, 100u}) {
        ChainCode chainCode(size);
        for (auto &code : chainCode)
            code = std::uint8_t(1 + random() % 4);
        const std::string signature = BuildTurnSignature(chainCode, std::int32_t(size));
        for (int i = 2; i < 100; ++i) {
            if (SampleIndex(i, size) != SampleIndex(i - 1, size))
                continue;
            EXPECT_EQ(signature[std::size_t(i)], signature[std::size_t(i - 1)]) << size << " " << i;
        }
    }
}

TEST(BuildTurnSignature, matchesTheDefinitionOnRandomChainCodes)
{
    std::mt19937 random(31337);
    for (int round = 0; round < 1500; ++round) {
        const std::size_t size = 1 + random() % (round % 10 == 0 ? 12 : 400);
        ChainCode chainCode(size);
        const bool strange = round % 7 == 0; // values other than 1 to 4 move nothing
        for (auto &code : chainCode)
            code = std::uint8_t(strange ? random() % 7 : 1 + random() % 4);
        // From short windows up to windows several times the chain code.
        const std::int32_t pixelCount =
            std::int32_t(random() % (size * (round % 3 == 0 ? 4 : 1) + 1));
        ASSERT_EQ(BuildTurnSignature(chainCode, pixelCount), plainSignature(chainCode, pixelCount))
            << "round " << round << " size " << size << " pixels " << pixelCount;
    }
}

TEST(BuildTurnSignature, matchesTheDefinitionOnTracedOutlines)
{
    std::mt19937 random(8);
    int outlines = 0;
    for (int round = 0; round < 200; ++round) {
        const int width = 4 + int(random() % 40);
        const int height = 4 + int(random() % 30);
        PictureStore store;
        drawAscii(store.workRaster, store.rowTable,
            randomPicture(random, width, height, round % 4 ? "..##" : "..##8"));
        RegionTable regions;
        LabelRegions(store.rowTable, regions);
        Contour contour;
        ChainCode chainCode;
        for (std::size_t r = 1; r < regions.size(); ++r) {
            if (regions[r].count == 0 || !TraceContour(store.rowTable, regions[r], contour))
                continue;
            BuildChainCode(contour, chainCode);
            ASSERT_EQ(BuildTurnSignature(chainCode, regions[r].count),
                plainSignature(chainCode, regions[r].count));
            ++outlines;
        }
    }
    EXPECT_GT(outlines, 1000);
}

TEST(BuildTurnSignature, windowsLongerThanTheChainCodeReadItRoundAndRound)
{
    // A closed chain code sums to nothing over whole turns, so w and w mod L give the same
    // windows: 6 codes and w = 2e8 (300 000 000 pixels) read like w = 2 (3 pixels).
    const ChainCode verticalPair = codes("412234");
    EXPECT_EQ(WindowLength(300'000'000, 6), 200'000'000);
    EXPECT_EQ(BuildTurnSignature(verticalPair, 300'000'000), BuildTurnSignature(verticalPair, 3));
    EXPECT_EQ(BuildTurnSignature(verticalPair, 75), plainSignature(verticalPair, 75));
}

TEST(BuildTurnSignature, emptyChainCodeGivesAllL)
{
    EXPECT_EQ(BuildTurnSignature({}, 10), std::string(100, 'L'));
}

namespace {

// The turn between two window sums as the definition has it: both bearings in full.
char plainTurnOfSums(std::int64_t sx0, std::int64_t sy0, std::int64_t sx1, std::int64_t sy1)
{
    const auto bearing = [](std::int64_t sx, std::int64_t sy) {
        return BearingDeg(sx, sy, 0, 0, std::sqrt(static_cast<long double>(sx * sx + sy * sy)));
    };
    return DecideTurn(bearing(sx1, sy1) - bearing(sx0, sy0), '=');
}

} // namespace

// Window sums whose bearings differ by about 3 or 180 degrees, from the smallest sums up to
// beyond 2^20, by rotating one sum and rounding it to integers.
TEST(DecideTurnOfSums, agreesWithTheFullBearingsNearEveryThreshold)
{
    std::mt19937_64 random(2024);
    int decided = 0;
    for (int round = 0; round < 60000; ++round) {
        const int bits = 1 + int(random() % 22); // sums up to 2^22
        const std::int64_t reach = std::int64_t(1) << bits;
        std::uniform_int_distribution<std::int64_t> pick(-reach, reach);
        const std::int64_t sx0 = pick(random);
        const std::int64_t sy0 = pick(random);
        // Turned by +-3 degrees, +-180 degrees (opposite sums give exactly 180), or anything.
        const double turns[] = {3.0, -3.0, 180.0, 177.0, -177.0, double(random() % 360)};
        const double angle = turns[random() % 6] * std::numbers::pi / 180.0;
        const auto rounded = [](double v) { return std::int64_t(std::llround(v)); };
        std::int64_t sx1 = rounded(sx0 * std::cos(angle) - sy0 * std::sin(angle));
        std::int64_t sy1 = rounded(sx0 * std::sin(angle) + sy0 * std::cos(angle));
        sx1 += std::int64_t(random() % 3) - 1;
        sy1 += std::int64_t(random() % 3) - 1;
        const char plain = plainTurnOfSums(sx0, sy0, sx1, sy1);
        ASSERT_EQ(DecideTurnOfSums(sx0, sy0, sx1, sy1, '='), plain)
            << "(" << sx0 << ", " << sy0 << ") to (" << sx1 << ", " << sy1 << ")";
        decided += plain != '=';
    }
    EXPECT_GT(decided, 30000);
}

// Every pair of the small sums that nearly every window has, against the full bearings.
TEST(DecideTurnOfSums, agreesWithTheFullBearingsOnEveryPairOfSmallSums)
{
    constexpr std::int64_t kReach = 33;
    std::vector<long double> bearings;
    for (std::int64_t sy = -kReach; sy <= kReach; ++sy) {
        for (std::int64_t sx = -kReach; sx <= kReach; ++sx)
            bearings.push_back(
                BearingDeg(sx, sy, 0, 0, std::sqrt(static_cast<long double>(sx * sx + sy * sy))));
    }
    const std::int64_t side = 2 * kReach + 1;
    for (std::int64_t a = 0; a < side * side; ++a) {
        for (std::int64_t b = 0; b < side * side; ++b) {
            const char plain = DecideTurn(bearings[std::size_t(b)] - bearings[std::size_t(a)], '=');
            if (DecideTurnOfSums(a % side - kReach, a / side - kReach, b % side - kReach,
                    b / side - kReach, '=') != plain)
                FAIL() << a << " to " << b;
        }
    }
}

TEST(DecideTurnOfSums, oppositeAndEqualSumsDecideAsTheFullBearings)
{
    for (std::int64_t sx = -40; sx <= 40; ++sx) {
        for (std::int64_t sy = -40; sy <= 40; sy += 3) {
            for (const std::int64_t scale : {1, 7, 1000, 1 << 21}) {
                const std::int64_t x = sx * scale, y = sy * scale;
                ASSERT_EQ(DecideTurnOfSums(x, y, -x, -y, '='), plainTurnOfSums(x, y, -x, -y))
                    << x << " " << y;
                ASSERT_EQ(DecideTurnOfSums(-x, -y, x, y, '='), plainTurnOfSums(-x, -y, x, y));
                ASSERT_EQ(DecideTurnOfSums(x, y, x, y, '='), '=');
            }
        }
    }
}

// Long straight stretches give window sums far beyond the smallest ones; short chain codes
// give the repeats of L below 101.
TEST(BuildTurnSignature, matchesTheDefinitionOnLongStraightStretches)
{
    std::mt19937 random(77);
    for (int round = 0; round < 150; ++round) {
        const std::size_t size = round % 5 == 0 ? 6 + random() % 95 : 100 + random() % 1400;
        ChainCode chainCode;
        while (chainCode.size() < size) {
            const std::uint8_t code = std::uint8_t(1 + random() % 4);
            chainCode.insert(chainCode.end(),
                std::min<std::size_t>(1 + random() % 200, size - chainCode.size()), code);
        }
        const std::int32_t pixelCount = std::int32_t(random() % (size * 30 + 1));
        ASSERT_EQ(BuildTurnSignature(chainCode, pixelCount), plainSignature(chainCode, pixelCount))
            << "round " << round << " size " << size << " pixels " << pixelCount;
    }
}

TEST(PackedSignature, givesBackEverySignatureAndRefusesOtherText)
{
    std::mt19937 random(9);
    for (int round = 0; round < 500; ++round) {
        std::string signature;
        for (int i = 0; i < kSignatureLength; ++i)
            signature += random() % (1 + round % 4) == 0 ? 'R' : 'L';
        const PackedSignature packed(signature);
        ASSERT_EQ(packed.text(), signature);
        EXPECT_FALSE(packed.empty());
    }
    EXPECT_EQ(PackedSignature().text(), "");
    EXPECT_EQ(PackedSignature(std::string(100, 'L')), PackedSignature(std::string(100, 'L')));
    EXPECT_NE(PackedSignature(std::string(100, 'L')), PackedSignature());
    EXPECT_THROW(PackedSignature(std::string(99, 'L')), std::invalid_argument);
    EXPECT_THROW(PackedSignature(std::string(99, 'L') + 'x'), std::invalid_argument);
}
