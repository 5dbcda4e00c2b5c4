// Reference matching: the digit of the reference signature nearest to a turn signature under
// every cyclic rotation. Stateless; the reference table is a constant of the program.
#pragma once

#include <string_view>

inline constexpr int kReferenceCount = 15;

// The 15 reference signatures, 100 characters each, and the digit each one stands for.
extern const char *const kReferenceSignatures[kReferenceCount];
inline constexpr std::string_view kClassMap = "011234444577789";

// The class digit of the reference with the least mismatch count over all rotations of the
// signature; ties go to the lower-numbered reference. Characters other than L and R mismatch.
char MatchSignature(std::string_view signature);
