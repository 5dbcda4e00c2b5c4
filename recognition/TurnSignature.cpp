#include "recognition/TurnSignature.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

// Here's the plan.
//
// 1. A window of w + 1 consecutive codes at every chain-code position, w growing with the
//    region's pixel count against the code count, gives a smoothed direction: the sum of the
//    codes' unit moves, as a bearing.
// 2. 100 samples of those bearings, evenly spaced over the chain code.
// 3. Between consecutive samples, a turn clockwise the shorter way is "R", anticlockwise "L";
//    a change below 3 degrees repeats the previous character.
//
// Only the sampled windows are read, so only they are summed: the sample positions never go
// down, and one window slides forwards over the chain code from sample to sample. A window of
// w + 1 codes is q whole turns of the chain code plus a part of rem codes: q times the whole
// code's sum plus a sliding part. The sums are exact integers, so every bearing is the one that
// summing each window code by code would give.

namespace {

// The unit move of each code; any other value moves nothing.
constexpr std::int64_t kCodeDx[5] = {0, -1, 0, +1, 0};
constexpr std::int64_t kCodeDy[5] = {0, 0, +1, 0, -1};

std::int64_t codeDx(std::uint8_t code)
{
    return code <= 4 ? kCodeDx[code] : 0;
}

std::int64_t codeDy(std::uint8_t code)
{
    return code <= 4 ? kCodeDy[code] : 0;
}

long double bearingOfSum(std::int64_t sx, std::int64_t sy)
{
    const long double length = std::sqrt(static_cast<long double>(sx * sx + sy * sy));
    return BearingDeg(static_cast<long double>(sx), static_cast<long double>(sy), 0, 0, length);
}

// Bearings without the extended-precision arcsine for nearly every window.
//
// Small sums: |sx| and |sy| up to kTableReach, which every window of a blob up to a few
// hundred pixels across has, are looked up in a table filled once by bearingOfSum itself, so
// the values are the same bits.
//
// Larger sums, up to kFastReach: a double-precision bearing D, the same angle taken as
// atan2(sx, -sy) in degrees (plus 360 when negative). Only the decision between two samples
// matters, and it changes only where the difference of the extended bearings B1 - B0 crosses
// +-3.0 or +-180.0 (0 lies inside the band of +-3.0 that the decision tests first). So D1 - D0
// decides in place of B1 - B0 whenever it lies further than kDecisionMargin from those four
// values; otherwise both bearings are computed in full and the plain rule decides.
//
// Why that is exact. Let u = 2^-64 (extended) and v = 2^-53 (double), n = sx^2 + sy^2 with
// |sx|, |sy| <= 2^20, so n < 2^41 and sqrt(n) < 2^20.5; theta the true bearing.
//  - B. n is an exact integer, held exactly. The length r = sqrt(n)(1 + e), |e| <= u; the sine
//    s' = dx / r has relative error <= 2.01u; s'^2 <= 1 has absolute error <= 5.1u, and so has
//    c'^2 = 1 - s'^2 (a subtraction near 1 is exact, Sterbenz; otherwise one more rounding of
//    at most u). With c^2 = sy^2 / n >= 1 / n when sy != 0 (and c' = 0 exactly when sy = 0,
//    since then r = |sx| and s' = +-1 exactly), the cosine has relative error <= 2.6u / c^2
//    + u, and an argument of atan2 with relative errors ry, rx moves the angle by at most
//    s c (|ry| + |rx|) <= 2.6u / c + 3.1u <= 2.6u sqrt(n) + 3.1u rad. atan2l's own error
//    (a few u), the factor 180 / pi and the final 180 - a or a + 360 add below 1e-15 degrees.
//    So |B - theta| <= 57.3 x 2.6 x 2^-43.5 + 1e-15 < 2e-11 degrees.
//  - D. The arguments are exact; atan2 in double is within a few ulps in any libm (we assume
//    fewer than 2^10 ulps, far more than any has), that is below 2^10 x 2^-51 rad; the
//    conversion to degrees and the + 360 add below 3 x 2^-45 degrees. |D - theta| < 3e-11.
//  - An exact bearing (tabled, or taken in full beyond kFastReach) converted to double is off
//    by at most 360v < 5e-14, so a pair of them is decided by the doubles too, away from the
//    thresholds, without an extended subtraction.
//  - So |(D1 - D0) computed - (B1 - B0)| < 2 (2e-11 + 3e-11) + 2^-45 < 1.1e-10 degrees, well
//    inside kDecisionMargin = 1e-7. When the double difference lies further than the margin
//    from every threshold, the true B1 - B0 lies on the same side of each by more than
//    1e-7 - 1.1e-10, and rounding it to extended precision, which is monotonic and keeps the
//    representable thresholds, cannot carry it across: the plain rule takes the same row.
// Exact ties fall back by construction: opposite sums give a difference of 180 up to the last
// bits, and the extended computation then decides as the definition does.
//
// Sums beyond kFastReach, which only outlines of more than a million codes can have, take the
// extended path straight away.
constexpr std::int64_t kTableReach = 32;
constexpr std::int64_t kTableSide = 2 * kTableReach + 1;
constexpr std::int64_t kFastReach = std::int64_t(1) << 20;
constexpr double kDecisionMargin = 1e-7;

const long double *bearingTable()
{
    static const std::vector<long double> table = [] {
        std::vector<long double> values(std::size_t(kTableSide * kTableSide));
        for (std::int64_t sy = -kTableReach; sy <= kTableReach; ++sy) {
            for (std::int64_t sx = -kTableReach; sx <= kTableReach; ++sx) {
                values[std::size_t((sy + kTableReach) * kTableSide + sx + kTableReach)] =
                    bearingOfSum(sx, sy);
            }
        }
        return values;
    }();
    return table.data();
}

// One sampled window: its sum, and its bearing either in full (exact) or as the double
// estimate that lies within 3e-11 degrees of the full one.
struct Bearing
{
    std::int64_t sx = 0;
    std::int64_t sy = 0;
    bool exact = true;
    long double full = 0;
    double estimate = 0;

    void makeExact()
    {
        if (exact)
            return;
        full = bearingOfSum(sx, sy);
        exact = true;
    }
};

Bearing bearingOf(std::int64_t sx, std::int64_t sy)
{
    Bearing b;
    b.sx = sx;
    b.sy = sy;
    const std::int64_t ax = sx < 0 ? -sx : sx;
    const std::int64_t ay = sy < 0 ? -sy : sy;
    if (ax <= kTableReach && ay <= kTableReach) {
        b.full = bearingTable()[(sy + kTableReach) * kTableSide + sx + kTableReach];
        b.estimate = double(b.full);
    } else if (ax <= kFastReach && ay <= kFastReach) {
        double degrees = std::atan2(double(sx), double(-sy)) * (180.0 / std::numbers::pi);
        if (degrees < 0)
            degrees += 360.0;
        b.estimate = degrees;
        b.exact = false;
    } else {
        b.full = bearingOfSum(sx, sy);
        b.estimate = double(b.full);
    }
    return b;
}

// x truncated towards zero, for |x| below 2^63, without converting it to an integer type: that
// conversion switches the x87 rounding mode there and back, which costs more than the rest of
// RoundHalfUp together. Adding 2^63 leaves no bits below the unit in a 64-bit mantissa, so the
// sum is |x| rounded to the nearest whole number (ties to even), and taking 2^63 away again is
// exact; one less when that went up gives the whole part. The result is a whole number, exactly
// held by a double when below 2^53.
long double truncated(long double x)
{
    constexpr long double kUnitAt = 0x1p63L;
    const long double magnitude = std::fabs(x);
    long double whole = (magnitude + kUnitAt) - kUnitAt;
    if (whole > magnitude)
        whole -= 1.0L;
    return x < 0 ? -whole : whole;
}

bool nearThreshold(double diff)
{
    const double size = std::fabs(diff);
    return std::fabs(size - 3.0) <= kDecisionMargin || std::fabs(size - 180.0) <= kDecisionMargin;
}

// DecideTurn's rows for a difference further than kDecisionMargin from every threshold, in
// double precision.
char decideAway(double diff, char previousTurn)
{
    const double size = std::fabs(diff);
    if (size < 3.0)
        return previousTurn;
    if (diff > 0)
        return diff <= 180.0 ? 'R' : 'L';
    return size <= 180.0 ? 'L' : 'R';
}

// DecideTurn(B1 - B0) for the full bearings, without computing them where the estimates
// decide alike (see above). Either bearing may become exact on the way.
char decide(Bearing &previous, Bearing &current, char previousTurn)
{
    const double diff = current.estimate - previous.estimate;
    if (!nearThreshold(diff))
        return decideAway(diff, previousTurn);
    previous.makeExact();
    current.makeExact();
    return DecideTurn(current.full - previous.full, previousTurn);
}

// The window sums at non-decreasing positions.
class SlidingWindow
{
public:
    SlidingWindow(const ChainCode &chainCode, std::int32_t w)
        : m_codes(chainCode)
    {
        const std::int64_t size = std::int64_t(chainCode.size());
        const std::int64_t taken = std::max<std::int64_t>(0, std::int64_t(w) + 1);
        const std::int64_t turns = taken / size;
        m_rem = std::size_t(taken % size);
        std::int64_t totalX = 0;
        std::int64_t totalY = 0;
        for (const std::uint8_t code : chainCode) {
            totalX += codeDx(code);
            totalY += codeDy(code);
        }
        m_wholeX = turns * totalX;
        m_wholeY = turns * totalY;
        for (std::size_t j = 0; j < m_rem; ++j) {
            m_partX += codeDx(chainCode[j]);
            m_partY += codeDy(chainCode[j]);
        }
    }

    // The bearing of the window at position k, which is not below the last one asked for.
    Bearing bearingAt(std::size_t k)
    {
        const std::size_t size = m_codes.size();
        for (; m_position < k; ++m_position) {
            std::size_t entering = m_position + m_rem;
            if (entering >= size)
                entering -= size;
            m_partX += codeDx(m_codes[entering]) - codeDx(m_codes[m_position]);
            m_partY += codeDy(m_codes[entering]) - codeDy(m_codes[m_position]);
        }
        return bearingOf(m_wholeX + m_partX, m_wholeY + m_partY);
    }

private:
    const ChainCode &m_codes;
    std::size_t m_rem = 0;      // codes in the part beyond whole turns
    std::size_t m_position = 0; // where the part starts
    std::int64_t m_wholeX = 0;
    std::int64_t m_wholeY = 0;
    std::int64_t m_partX = 0;
    std::int64_t m_partY = 0;
};

} // namespace

std::int32_t RoundHalfUp(long double x)
{
    if (std::isnan(x))
        return 0;
    // Keeps the conversion below defined; the program only passes small values of 0 or more.
    if (x >= 2147483647.0L)
        return std::numeric_limits<std::int32_t>::max();
    if (x <= -2147483648.0L)
        return std::numeric_limits<std::int32_t>::min();
    // x - whole is exact. trunc(y) >= 5 holds exactly when y >= 5, and a negative fraction
    // gives neither.
    const long double whole = truncated(x);
    const std::int32_t result = static_cast<std::int32_t>(static_cast<double>(whole));
    const long double fraction = x - whole;
    return fraction * 10.0L >= 5.0L ? result + 1 : result;
}

long double BearingDeg(long double x, long double y, long double x0, long double y0, long double r)
{
    const long double dx = x - x0;
    const long double dy = y - y0;
    if (r == 0)
        return 0;
    // The arcsine of dx / r, in degrees between -90 and 90.
    const long double sine = dx / r;
    const long double a =
        std::atan2(sine, std::sqrt(1.0L - sine * sine)) * 180.0L / std::numbers::pi_v<long double>;
    if (dx >= 0)
        return dy < 0 ? a : 180.0L - a;
    return dy >= 0 ? 180.0L - a : a + 360.0L;
}

std::int32_t WindowLength(std::int32_t pixelCount, std::size_t codeCount)
{
    return RoundHalfUp(4.0L * pixelCount / static_cast<long double>(codeCount));
}

std::size_t SampleIndex(int i, std::size_t codeCount)
{
    // The exact i x (codeCount - 1) / 100 in whole units and hundredths decides wherever the
    // hundredths are not 50. Let q be that value, below 2^31 here, and u = 2^-64: the extended
    // step and product are each within a factor 1 + u, so the product lies within 2.1 u q
    // < 2^-30 of q. With 1 to 49 hundredths the whole part is q's and the fraction's first
    // decimal is 0 to 4; with 51 to 99 it is 5 to 9. With none, a product just below q
    // truncates one lower with a fraction of 0.99999..., which rounds up to the same result.
    // Only an exact half lies within reach of the product's error: it takes the extended path.
    constexpr std::uint64_t kParts = kSignatureLength;
    const std::uint64_t steps = std::uint64_t(codeCount) - 1;
    if (i >= 0 && std::uint64_t(i) <= kParts && steps < (std::uint64_t(1) << 31)) {
        const std::uint64_t product = std::uint64_t(i) * steps;
        const std::uint64_t hundredths = product % kParts;
        if (hundredths != kParts / 2)
            return std::size_t(product / kParts + (hundredths > kParts / 2 ? 1 : 0));
    }
    const long double step = static_cast<long double>(codeCount - 1) / kSignatureLength;
    return std::size_t(RoundHalfUp(static_cast<long double>(i) * step));
}

char DecideTurn(long double diff, char previous)
{
    if (std::fabs(diff) < 3.0L)
        return previous;
    if (diff > 0 && diff <= 180.0L)
        return 'R';
    if (diff > 180.0L)
        return 'L';
    if (diff < 0 && std::fabs(diff) <= 180.0L)
        return 'L';
    return 'R'; // below -180
}

std::string BuildTurnSignature(const ChainCode &chainCode, std::int32_t pixelCount)
{
    std::string signature(kSignatureLength, 'L');
    const std::size_t codeCount = chainCode.size();
    if (codeCount == 0)
        return signature;

    SlidingWindow window(chainCode, WindowLength(pixelCount, codeCount));
    std::size_t previousIndex = 0;
    Bearing previousBearing = window.bearingAt(0);
    for (int i = 1; i < kSignatureLength; ++i) {
        const std::size_t index = SampleIndex(i, codeCount);
        // A repeat reads the same record: a difference of 0, which repeats the turn.
        if (index == previousIndex) {
            signature[std::size_t(i)] = signature[std::size_t(i - 1)];
            continue;
        }
        Bearing bearing = window.bearingAt(index);
        signature[std::size_t(i)] = decide(previousBearing, bearing, signature[std::size_t(i - 1)]);
        previousIndex = index;
        previousBearing = bearing;
    }
    return signature;
}

char DecideTurnOfSums(
    std::int64_t sx0, std::int64_t sy0, std::int64_t sx1, std::int64_t sy1, char previous)
{
    Bearing first = bearingOf(sx0, sy0);
    Bearing second = bearingOf(sx1, sy1);
    return decide(first, second, previous);
}
