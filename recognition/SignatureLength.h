// How many turns a signature holds: the turn signature's length, and so the length of every
// reference signature and the number of rotations that matching tries.
#pragma once

inline constexpr int kSignatureLength = 100;
