#include "recognition/Matching.h"

#include "recognition/SignatureLength.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>

// Here's the plan.
//
// A signature is a row of 100 bits: bit k set where character k is "L". Rotating the signature
// by s against a reference is the same as rotating the reference by -s against the signature:
// position j of the reference meets position k = (j + s) mod 100 of the signature. So every
// rotation of every reference is a constant of the program, a table of 15 x 100 rows of 100 bits
// made at compile time, and matching a signature reads its own bits once: no rotation of it is
// ever built. The positions that differ are the set bits of (rotated reference XOR signature),
// plus every position that holds neither "L" nor "R" (a second mask of bad positions, which stay
// where they are in the signature whatever the rotation), so one mismatch count costs an XOR, an
// OR and two population counts instead of 100 comparisons.
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

// Row s of reference r: bit k set where character (k - s) mod 100 of the reference is "L", the
// reference as it lies over the signature rotated by s.
struct RotatedReference
{
    std::array<Bits100, kLength> isL {};
    int countL = 0;
};

constexpr std::array<RotatedReference, kReferenceCount> makeRotatedReferences()
{
    std::array<RotatedReference, kReferenceCount> references {};
    for (int r = 0; r < kReferenceCount; ++r) {
        RotatedReference &reference = references[std::size_t(r)];
        for (int j = 0; j < kLength; ++j)
            reference.countL += kReferenceSignatures[r][j] == 'L';
        for (int s = 0; s < kLength; ++s) {
            Bits100 &row = reference.isL[std::size_t(s)];
            for (int j = 0; j < kLength; ++j) {
                if (kReferenceSignatures[r][j] != 'L')
                    continue;
                const int k = (j + s) % kLength;
                if (k < 64)
                    row.low |= std::uint64_t(1) << k;
                else
                    row.high |= std::uint64_t(1) << (k - 64);
            }
        }
    }
    return references;
}

constexpr std::array<RotatedReference, kReferenceCount> kRotatedReferences =
    makeRotatedReferences();

// One signature as masks in its own positions, and its counts of "L" and "R". The mask of bad
// positions is filled only when there are any, as a built signature never has.
struct SignatureBits
{
    Bits100 isL;
    Bits100 isBad;
    bool anyBad = false;
    int countL = 0;
    int countR = 0;

    explicit SignatureBits(std::string_view signature)
    {
        for (int k = 0; k < kLength; ++k) {
            const char c = std::size_t(k) < signature.size() ? signature[std::size_t(k)] : '\0';
            std::uint64_t &word = k < 64 ? isL.low : isL.high;
            std::uint64_t &bad = k < 64 ? isBad.low : isBad.high;
            const std::uint64_t bit = std::uint64_t(1) << (k % 64);
            if (c == 'L') {
                word |= bit;
                ++countL;
            } else if (c == 'R') {
                ++countR;
            } else {
                bad |= bit;
                anyBad = true;
            }
        }
    }
};

// References in table order, rotations in any order (only a strictly smaller count replaces
// the best, so the order of the shifts decides nothing).
template<bool kAnyBad>
[[gnu::always_inline]] inline SignatureMatch searchReferences(const SignatureBits &signature)
{
    SignatureMatch best {0, kAboveEveryCount};
    for (int r = 0; r < kReferenceCount; ++r) {
        const RotatedReference &reference = kRotatedReferences[std::size_t(r)];
        const int referenceR = kLength - reference.countL;
        const int bound = std::max(0, reference.countL - signature.countL) +
            std::max(0, referenceR - signature.countR);
        if (bound >= best.mismatches)
            continue;
        int least = best.mismatches;
        for (int s = 0; s < kLength && least > bound; ++s) {
            const Bits100 isL = reference.isL[std::size_t(s)];
            Bits100 differ {isL.low ^ signature.isL.low, isL.high ^ signature.isL.high};
            if constexpr (kAnyBad) {
                differ.low |= signature.isBad.low;
                differ.high |= signature.isBad.high;
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
SignatureMatch searchBaseline(const SignatureBits &signature)
{
    return signature.anyBad ? searchReferences<true>(signature)
                            : searchReferences<false>(signature);
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
[[gnu::target("popcnt")]] SignatureMatch searchWithPopcnt(const SignatureBits &signature)
{
    return signature.anyBad ? searchReferences<true>(signature)
                            : searchReferences<false>(signature);
}
#endif

using Search = SignatureMatch (*)(const SignatureBits &);

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
    return search(SignatureBits(signature));
}

char ClassDigit(const SignatureMatch &match)
{
    return kClassMap[std::size_t(match.reference)];
}

char MatchSignature(std::string_view signature)
{
    return ClassDigit(NearestReference(signature));
}
