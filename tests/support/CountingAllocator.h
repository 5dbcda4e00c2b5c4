// The heap as the C library hands it out, counted: the bytes of every live block (its usable
// size, what it really costs) and the most live at once since the last reset. A program that
// links CountingAllocator.cpp has its malloc family replaced by counting wrappers around
// glibc's own; the sanitizer builds keep theirs, and there available() is false.
#pragma once

#include <cstdint>

namespace CountingAllocator {

bool available();
std::int64_t live();
std::int64_t peak();
// The peak starts again from what is live now.
void resetPeak();

} // namespace CountingAllocator
