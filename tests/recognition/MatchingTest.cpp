#include "recognition/Matching.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

namespace {

std::string reference(int r)
{
    return kReferenceSignatures[r];
}

std::string rotated(const std::string &signature, int by)
{
    const std::size_t n = signature.size();
    std::string out(n, '?');
    for (std::size_t j = 0; j < n; ++j)
        out[j] = signature[(j + std::size_t(by)) % n];
    return out;
}

// Reference implementation of the matching: every reference, shifts 100 down to 1, character by
// character, a strictly smaller count replacing the best. Positions that the signature lacks
// mismatch.
SignatureMatch plainMatch(std::string_view signature)
{
    SignatureMatch best {0, 1000000};
    for (int r = 0; r < kReferenceCount; ++r) {
        for (int s = 100; s >= 1; --s) {
            int count = 0;
            for (int j = 0; j < 100; ++j) {
                const std::size_t at = std::size_t((j + s) % 100);
                if (at >= signature.size() || kReferenceSignatures[r][j] != signature[at])
                    ++count;
            }
            if (count < best.mismatches)
                best = {r, count};
        }
    }
    return best;
}

void expectSameAsPlain(const std::string &signature)
{
    const SignatureMatch fast = NearestReference(signature);
    const SignatureMatch plain = plainMatch(signature);
    ASSERT_EQ(fast.reference, plain.reference) << signature;
    ASSERT_EQ(fast.mismatches, plain.mismatches) << signature;
    ASSERT_EQ(MatchSignature(signature), kClassMap[std::size_t(plain.reference)]);
}

std::string runLengths(const std::string &signature)
{
    std::string out;
    for (std::size_t j = 0; j < signature.size();) {
        std::size_t end = j;
        while (end < signature.size() && signature[end] == signature[j])
            ++end;
        if (!out.empty())
            out += ' ';
        out += signature[j];
        out += std::to_string(end - j);
        j = end;
    }
    return out;
}

// A signature halfway between references a and b: at the positions where they differ, the
// first `fromB` take b's character.
std::string between(int a, int b, int fromB)
{
    std::string out = reference(a);
    for (int j = 0; j < 100 && fromB > 0; ++j) {
        if (out[std::size_t(j)] != reference(b)[std::size_t(j)]) {
            out[std::size_t(j)] = reference(b)[std::size_t(j)];
            --fromB;
        }
    }
    return out;
}

} // namespace

TEST(ReferenceTable, holdsTheFifteenSignaturesAndTheirDigits)
{
    const char *const expected[kReferenceCount] = {
        "L100",
        "L11 R36 L17 R30 L6",
        "L14 R34 L52",
        "L12 R25 L1 R7 L22 R6 L2 R2 L1 R1 L21",
        "L11 R18 L4 R19 L30 R3 L15",
        "L2 R1 L4 R1 L1 R1 L6 R1 L2 R1 L3 R1 L1 R1 L15 R8 L12 R7 L7 R16 L9",
        "L2 R2 L2 R1 L9 R1 L2 R1 L1 R2 L2 R1 L19 R9 L46",
        "L19 R9 L12 R5 L6 R9 L15 R18 L7",
        "L20 R10 L43 R19 L8",
        "L5 R2 L1 R1 L4 R25 L40 R9 L13",
        "L2 R2 L6 R40 L50",
        "L4 R1 L4 R25 L5 R11 L12 R4 L5 R15 L14",
        "L13 R13 L3 R1 L9 R1 L15 R7 L1 R2 L1 R2 L2 R2 L28",
        "L18 R7 L44 R9 L22",
        "L29 R20 L51",
    };
    for (int r = 0; r < kReferenceCount; ++r) {
        EXPECT_EQ(reference(r).size(), 100u) << r;
        EXPECT_EQ(runLengths(reference(r)), expected[r]) << r;
    }
    EXPECT_EQ(kClassMap, "011234444577789");
    EXPECT_EQ(kClassMap.find('6'), std::string_view::npos);
}

TEST(ReferenceTable, noReferenceIsARotationOfAnother)
{
    for (int a = 0; a < kReferenceCount; ++a) {
        for (int b = a + 1; b < kReferenceCount; ++b) {
            for (int s = 0; s < 100; ++s)
                ASSERT_NE(rotated(reference(b), s), reference(a)) << a << " " << b << " " << s;
        }
    }
}

TEST(MatchSignature, everyRotationOfAReferenceMatchesItExactly)
{
    for (int r = 0; r < kReferenceCount; ++r) {
        for (int s = 0; s < 100; ++s) {
            const std::string signature = rotated(reference(r), s);
            const SignatureMatch match = NearestReference(signature);
            ASSERT_EQ(match.reference, r) << "shift " << s;
            ASSERT_EQ(match.mismatches, 0);
            ASSERT_EQ(MatchSignature(signature), kClassMap[std::size_t(r)]);
        }
    }
}

TEST(MatchSignature, namedExamples)
{
    EXPECT_EQ(MatchSignature(std::string(100, 'L')), '0');
    EXPECT_EQ(NearestReference(std::string(100, 'L')).mismatches, 0);
    EXPECT_EQ(MatchSignature(reference(1)), '1');
    EXPECT_EQ(MatchSignature(reference(2)), '1');
    EXPECT_EQ(MatchSignature(reference(10)), '7');
}

TEST(MatchSignature, tieBetweenReferences5And10GoesTo5)
{
    const std::string signature =
        "LLRRLLLLLLLRLRLRRLRRLLLRLRRLRLRLLLRRRLRRLRRRRRRRRRLLLLLLLLLLLRLRLRL"
        "LLLLLLLLLRRRLRRLRLLLRRRLLLLLLLLLL";
    // The least count of each reference, by the reference implementation: 5 and 10 share the least.
    std::vector<int> least(kReferenceCount, 1000);
    for (int r = 0; r < kReferenceCount; ++r) {
        for (int s = 0; s < 100; ++s) {
            int count = 0;
            for (int j = 0; j < 100; ++j)
                count += reference(r)[std::size_t(j)] != signature[std::size_t((j + s) % 100)];
            least[std::size_t(r)] = std::min(least[std::size_t(r)], count);
        }
    }
    const int lowest = *std::min_element(least.begin(), least.end());
    ASSERT_EQ(least[5], lowest);
    ASSERT_EQ(least[10], lowest);
    ASSERT_EQ(std::count(least.begin(), least.end(), lowest), 2);

    EXPECT_EQ(NearestReference(signature).reference, 5);
    EXPECT_EQ(NearestReference(signature).mismatches, lowest);
    EXPECT_EQ(MatchSignature(signature), '4');
}

TEST(MatchSignature, charactersOtherThanLAndRMismatch)
{
    const SignatureMatch none = NearestReference(std::string(100, 'X'));
    EXPECT_EQ(none.reference, 0);
    EXPECT_EQ(none.mismatches, 100);

    std::string lower = reference(3);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) { return char(c + 32); });
    EXPECT_EQ(NearestReference(lower).mismatches, 100);

    std::string damaged = reference(12);
    damaged[40] = '\0';
    damaged[41] = 'r';
    EXPECT_EQ(NearestReference(damaged).reference, 12);
    EXPECT_EQ(NearestReference(damaged).mismatches, 2);
}

TEST(MatchSignature, missingPositionsMismatchAndExtraCharactersAreNotRead)
{
    EXPECT_EQ(NearestReference("").reference, 0);
    EXPECT_EQ(NearestReference("").mismatches, 100);
    EXPECT_EQ(NearestReference(reference(7) + "RRRRRRRR").reference, 7);
    EXPECT_EQ(NearestReference(reference(7) + "RRRRRRRR").mismatches, 0);
    expectSameAsPlain(reference(7).substr(0, 90));
    expectSameAsPlain(reference(13).substr(0, 3));
    expectSameAsPlain("R");
}

TEST(MatchSignature, bitParallelCountsMatchTheDefinition)
{
    std::mt19937 random(2718);
    auto flip = [&](std::string signature, int flips, const char *alphabet) {
        for (int k = 0; k < flips; ++k) {
            char &c = signature[random() % 100];
            c = alphabet[random() % std::strlen(alphabet)];
        }
        return signature;
    };
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(round);
        // Random, near a rotated reference, with foreign characters, and halfway between two
        // references (ties between any pair).
        std::string noise(100, 'L');
        for (char &c : noise)
            c = random() % (1 + round % 4) ? 'L' : 'R';
        expectSameAsPlain(noise);
        const int r = int(random() % kReferenceCount);
        const std::string near = rotated(reference(r), int(random() % 100));
        expectSameAsPlain(flip(near, int(random() % 30), "LR"));
        expectSameAsPlain(flip(near, int(random() % 30), "LRx"));
        const int a = int(random() % kReferenceCount);
        const int b = int(random() % kReferenceCount);
        int differ = 0;
        for (int j = 0; j < 100; ++j)
            differ += reference(a)[std::size_t(j)] != reference(b)[std::size_t(j)];
        expectSameAsPlain(rotated(between(a, b, differ / 2), int(random() % 100)));
    }
}

// Signatures whose least count is reached at many rotations and by several references at once:
// periodic rows, whose rotations repeat, and rows equidistant from two rotated references.
TEST(MatchSignature, tiesOverRotationsAndReferencesGoAsTheDefinitionSays)
{
    std::mt19937 random(31415);
    for (int round = 0; round < 2000; ++round) {
        SCOPED_TRACE(round);
        const int period = 1 + int(random() % 25);
        std::string unit(std::size_t(period), 'L');
        for (char &c : unit)
            c = random() % 2 ? 'L' : 'R';
        std::string periodic;
        while (periodic.size() < 100)
            periodic += unit;
        expectSameAsPlain(periodic.substr(0, 100));
        const int a = int(random() % kReferenceCount);
        const int b = int(random() % kReferenceCount);
        std::string mixed = rotated(reference(a), int(random() % 100));
        const std::string other = rotated(reference(b), int(random() % 100));
        for (int j = 0; j < 100; ++j) {
            if (random() % 2)
                mixed[std::size_t(j)] = other[std::size_t(j)];
        }
        expectSameAsPlain(mixed);
    }
}
