// Reference matching: the digit of the reference signature nearest to a turn signature under
// every cyclic rotation. Stateless; the reference table and the class map are constants of the
// program.
#pragma once

#include <string_view>

inline constexpr int kReferenceCount = 15;

// The 15 reference signatures, 100 characters of "L" and "R" each, and the digit each one
// stands for: character r of the class map is the digit of reference r. No reference stands
// for 6.
extern const char *const kReferenceSignatures[kReferenceCount];
inline constexpr std::string_view kClassMap = "011234444577789";

// The nearest reference and its least mismatch count over all rotations of the signature.
struct SignatureMatch
{
    int reference = 0;
    int mismatches = 0;
};

// The mismatch count of reference r against the signature rotated by s is the number of
// positions j (0 to 99) at which character j of the reference differs from character
// (j + s) mod 100 of the signature. The nearest reference has the least count over all 100
// rotations; ties go to the lower-numbered reference. A character other than "L" or "R"
// mismatches every reference character, and so does a position that a signature shorter than
// 100 characters lacks; characters beyond 100 are not read.
SignatureMatch NearestReference(std::string_view signature);

// The digit that a match stands for: kClassMap[match.reference].
char ClassDigit(const SignatureMatch &match);

// The class digit of the nearest reference: ClassDigit(NearestReference(signature)).
char MatchSignature(std::string_view signature);
