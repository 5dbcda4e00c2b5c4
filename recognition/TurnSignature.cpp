#include "TurnSignature.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

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
    long double bearingAt(std::size_t k)
    {
        const std::size_t size = m_codes.size();
        for (; m_position < k; ++m_position) {
            std::size_t entering = m_position + m_rem;
            if (entering >= size)
                entering -= size;
            m_partX += codeDx(m_codes[entering]) - codeDx(m_codes[m_position]);
            m_partY += codeDy(m_codes[entering]) - codeDy(m_codes[m_position]);
        }
        return bearingOfSum(m_wholeX + m_partX, m_wholeY + m_partY);
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
    const long double whole = std::trunc(x);
    const long double fraction = x - whole;
    const std::int32_t result = static_cast<std::int32_t>(whole);
    return std::trunc(fraction * 10.0L) >= 5.0L ? result + 1 : result;
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
    long double previousBearing = window.bearingAt(0);
    for (int i = 1; i < kSignatureLength; ++i) {
        const std::size_t index = SampleIndex(i, codeCount);
        const long double bearing =
            index == previousIndex ? previousBearing : window.bearingAt(index);
        signature[std::size_t(i)] =
            DecideTurn(bearing - previousBearing, signature[std::size_t(i - 1)]);
        previousIndex = index;
        previousBearing = bearing;
    }
    return signature;
}
