#include "base/HeapTuning.h"

#ifdef __linux__
#include <sys/mman.h>
#endif
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <cstdint>

void SetHeapThresholds()
{
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 4 << 20);
    mallopt(M_TRIM_THRESHOLD, 16 << 20);
#endif
}

void AskForHugePages(void *begin, std::size_t bytes)
{
#ifdef __linux__
    constexpr std::uintptr_t kHugePage = std::uintptr_t(2) << 20;
    if (begin == nullptr || bytes < 2 * kHugePage)
        return;
    const auto at = reinterpret_cast<std::uintptr_t>(begin);
    const std::uintptr_t first = (at + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t last = (at + bytes) & ~(kHugePage - 1);
    if (last > first)
        ::madvise(reinterpret_cast<void *>(first), last - first, MADV_HUGEPAGE);
#else
    (void)begin;
    (void)bytes;
#endif
}
