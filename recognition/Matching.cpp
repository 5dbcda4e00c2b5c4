#include "recognition/Matching.h"

#include "recognition/SignatureLength.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>

// Here's the plan.
//
// A signature is a row of 100 bits: bit j set where character j is "L". Against a reference,
// the positions that differ are the set bits of (reference XOR signature), plus every
// position that holds neither "L" nor "R" (kept as a second mask of bad positions). Each
// rotation of the signature is a 100-bit window into the signature written out twice, so one
// mismatch count costs two XORs and two population counts instead of 100 comparisons.
//
// A reference of a "L" and 100 - a "R" and a signature of b "L" and c "R" differ in at least
// max(0, a - b) + max(0, 100 - a - c) positions under any rotation. A reference whose bound
// already reaches the best count so far cannot win, since only a strictly smaller count
// replaces the best, and is skipped; a reference stops being searched once it reaches its
// bound.

// clang-format off
constexpr const char *kReferenceSignatures[kReferenceCount] = {
    "LLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLL", // 0: "0"
    "LLLLLLLLLLLRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRLLLLLLLLLLLLLLLLLRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRLLLLLL", // 1: "1"
    "LLLLLLLLLLLLLLRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLL", // 2: "1"
    "LLLLLLLLLLLLRRRRRRRRRRRRRRRRRRRRRRRRRLRRRRRRRLLLLLLLLLLLLLLLLLLLLLLRRRRRRLLRRLRLLLLLLLLLLLLLLLLLLLLL", // 3: "2"
    "LLLLLLLLLLLRRRRRRRRRRRRRRRRRRLLLLRRRRRRRRRRRRRRRRRRRLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLRRRLLLLLLLLLLLLLLL", // 4: "3"
    "LLRLLLLRLRLLLLLLRLLRLLLRLRLLLLLLLLLLLLLLLRRRRRRRRLLLLLLLLLLLLRRRRRRRLLLLLLLRRRRRRRRRRRRRRRRLLLLLLLLL", // 5: "4"
    "LLRRLLRLLLLLLLLLRLLRLRRLLRLLLLLLLLLLLLLLLLLLLRRRRRRRRRLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLL", // 6: "4"
    "LLLLLLLLLLLLLLLLLLLRRRRRRRRRLLLLLLLLLLLLRRRRRLLLLLLRRRRRRRRRLLLLLLLLLLLLLLLRRRRRRRRRRRRRRRRRRLLLLLLL", // 7: "4"
    "LLLLLLLLLLLLLLLLLLLLRRRRRRRRRRLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLRRRRRRRRRRRRRRRRRRRLLLLLLLL", // 8: "4"
    "LLLLLRRLRLLLLRRRRRRRRRRRRRRRRRRRRRRRRRLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLRRRRRRRRRLLLLLLLLLLLLL", // 9: "5"
    "LLRRLLLLLLRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLL", // 10: "7"
    "LLLLRLLLLRRRRRRRRRRRRRRRRRRRRRRRRRLLLLLRRRRRRRRRRRLLLLLLLLLLLLRRRRLLLLLRRRRRRRRRRRRRRRLLLLLLLLLLLLLL", // 11: "7"
    "LLLLLLLLLLLLLRRRRRRRRRRRRRLLLRLLLLLLLLLRLLLLLLLLLLLLLLLRRRRRRRLRRLRRLLRRLLLLLLLLLLLLLLLLLLLLLLLLLLLL", // 12: "7"
    "LLLLLLLLLLLLLLLLLLRRRRRRRLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLRRRRRRRRRLLLLLLLLLLLLLLLLLLLLLL", // 13: "8"
    "LLLLLLLLLLLLLLLLLLLLLLLLLLLLLRRRRRRRRRRRRRRRRRRRRLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLL", // 14: "9"
};
// clang-format on

namespace {

constexpr int kLength = kSignatureLength;
// A mismatch count never exceeds kLength, so the first reference searched always beats this.
constexpr int kAboveEveryCount = kLength + 1;
constexpr std::uint64_t kHighMask = (std::uint64_t(1) << (kLength - 64)) - 1; // bits 64 to 99

// 100 bits: bits 0 to 63 in low, 64 to 99 in high.
struct Bits100
{
    std::uint64_t low = 0;
    std::uint64_t high = 0;
};

[[gnu::always_inline]] inline int popcount(Bits100 bits)
{
    return std::popcount(bits.low) + std::popcount(bits.high);
}

struct ReferenceMask
{
    Bits100 isL;
    int countL = 0;
};

constexpr std::array<ReferenceMask, kReferenceCount> makeReferenceMasks()
{
    std::array<ReferenceMask, kReferenceCount> masks {};
    for (int r = 0; r < kReferenceCount; ++r) {
        for (int j = 0; j < kLength; ++j) {
            if (kReferenceSignatures[r][j] != 'L')
                continue;
            if (j < 64)
                masks[std::size_t(r)].isL.low |= std::uint64_t(1) << j;
            else
                masks[std::size_t(r)].isL.high |= std::uint64_t(1) << (j - 64);
            ++masks[std::size_t(r)].countL;
        }
    }
    return masks;
}

constexpr std::array<ReferenceMask, kReferenceCount> kReferenceMasks = makeReferenceMasks();

// The signature written out twice, 200 bits in four words, with the 64 bits at any offset
// from 0 to 163 readable.
class DoubledBits
{
public:
    void set(int position) { m_words[position / 64] |= std::uint64_t(1) << (position % 64); }

    std::uint64_t at(int offset) const
    {
        const int word = offset / 64;
        const int shift = offset % 64;
        if (shift == 0)
            return m_words[word];
        return (m_words[word] >> shift) | (m_words[word + 1] << (64 - shift));
    }

    // Bits offset to offset + 99: the signature rotated by offset.
    Bits100 rotated(int offset) const { return {at(offset), at(offset + 64) & kHighMask}; }

private:
    std::uint64_t m_words[4] = {};
};

// Every rotation of one signature as masks, and its counts of "L" and "R". The masks of bad
// positions are filled only when there are any, as a built signature never has.
struct Rotations
{
    std::array<Bits100, kLength> isL;
    std::array<Bits100, kLength> isBad;
    bool anyBad = false;
    int countL = 0;
    int countR = 0;

    explicit Rotations(std::string_view signature)
    {
        DoubledBits doubledL;
        DoubledBits doubledBad;
        for (int j = 0; j < kLength; ++j) {
            const char c = std::size_t(j) < signature.size() ? signature[std::size_t(j)] : '\0';
            if (c == 'L') {
                doubledL.set(j);
                doubledL.set(j + kLength);
                ++countL;
            } else if (c == 'R') {
                ++countR;
            } else {
                doubledBad.set(j);
                doubledBad.set(j + kLength);
                anyBad = true;
            }
        }
        for (int s = 0; s < kLength; ++s) {
            isL[std::size_t(s)] = doubledL.rotated(s);
            if (anyBad)
                isBad[std::size_t(s)] = doubledBad.rotated(s);
        }
    }
};

// References in table order, rotations in any order (only a strictly smaller count replaces
// the best, so the order of the shifts decides nothing).
template<bool kAnyBad>
[[gnu::always_inline]] inline SignatureMatch searchReferences(const Rotations &rotations)
{
    SignatureMatch best {0, kAboveEveryCount};
    for (int r = 0; r < kReferenceCount; ++r) {
        const ReferenceMask &reference = kReferenceMasks[std::size_t(r)];
        const int referenceR = kLength - reference.countL;
        const int bound = std::max(0, reference.countL - rotations.countL) +
            std::max(0, referenceR - rotations.countR);
        if (bound >= best.mismatches)
            continue;
        int least = best.mismatches;
        for (int s = 0; s < kLength && least > bound; ++s) {
            const Bits100 isL = rotations.isL[std::size_t(s)];
            Bits100 differ {reference.isL.low ^ isL.low, reference.isL.high ^ isL.high};
            if constexpr (kAnyBad) {
                differ.low |= rotations.isBad[std::size_t(s)].low;
                differ.high |= rotations.isBad[std::size_t(s)].high;
            }
            const int count = popcount(differ);
            least = std::min(least, count);
        }
        if (least < best.mismatches)
            best = {r, least};
    }
    return best;
}

// The search compiled twice: for the x86-64 baseline, whose population count is a sequence of
// shifts and masks, and for processors with the population-count instruction, which costs a
// third of the time. The choice is made once, at the first call.
SignatureMatch searchBaseline(const Rotations &rotations)
{
    return rotations.anyBad ? searchReferences<true>(rotations)
                            : searchReferences<false>(rotations);
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
[[gnu::target("popcnt")]] SignatureMatch searchWithPopcnt(const Rotations &rotations)
{
    return rotations.anyBad ? searchReferences<true>(rotations)
                            : searchReferences<false>(rotations);
}
#endif

using Search = SignatureMatch (*)(const Rotations &);

Search chooseSearch()
{
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    if (__builtin_cpu_supports("popcnt"))
        return searchWithPopcnt;
#endif
    return searchBaseline;
}

} // namespace

SignatureMatch NearestReference(std::string_view signature)
{
    static const Search search = chooseSearch();
    return search(Rotations(signature));
}

char ClassDigit(const SignatureMatch &match)
{
    return kClassMap[std::size_t(match.reference)];
}

char MatchSignature(std::string_view signature)
{
    return ClassDigit(NearestReference(signature));
}
