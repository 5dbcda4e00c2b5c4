// How the program asks the C library and the kernel for its memory: heap thresholds fixed once
// at start, and huge pages for large stores that are about to be filled. Neither changes what
// is allocated or charged, only how the pages behind it are laid out.
#pragma once

#include <cstddef>

// Fixes the heap's thresholds. glibc otherwise raises its mmap threshold (up to 32 MiB) as
// large blocks are freed, and the earlier buffers of every table that grows by doubling then
// stay resident as holes in the heap: a region table of single pixels cost a fifth more. Blocks
// of 4 MiB and more are mapped, and go back to the system when freed; up to 16 MiB free at the
// heap's top is kept for reuse, which spares page faults. The program calls this first thing.
void SetHeapThresholds();

// Asks the kernel for huge pages over the whole 2 MiB pages inside bytes from begin, which are
// not touched yet; it gives them only on request here. Filling a large store page by page
// otherwise costs a fault every 4 KiB. Does nothing below 4 MiB, or off Linux.
void AskForHugePages(void *begin, std::size_t bytes);
