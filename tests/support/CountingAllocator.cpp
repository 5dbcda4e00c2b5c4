// Replaces malloc, free and the rest of their family for the whole program, as glibc allows:
// each wrapper calls glibc's own entry point and counts the block's usable size.
#include "tests/support/CountingAllocator.h"

#include <malloc.h>

#include <atomic>
#include <cerrno>
#include <cstddef>

#if defined(__SANITIZE_ADDRESS__)
#define UMNOGLAZ_COUNTING 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define UMNOGLAZ_COUNTING 0
#endif
#endif
#ifndef UMNOGLAZ_COUNTING
#define UMNOGLAZ_COUNTING 1
#endif

namespace {

std::atomic<std::int64_t> g_live {0};
std::atomic<std::int64_t> g_peak {0};

[[maybe_unused]] void *counted(void *block)
{
    if (block) {
        const std::int64_t now =
            g_live.fetch_add(std::int64_t(malloc_usable_size(block)), std::memory_order_relaxed) +
            std::int64_t(malloc_usable_size(block));
        std::int64_t high = g_peak.load(std::memory_order_relaxed);
        while (now > high && !g_peak.compare_exchange_weak(high, now, std::memory_order_relaxed)) {
        }
    }
    return block;
}

[[maybe_unused]] void uncounted(void *block)
{
    if (block)
        g_live.fetch_sub(std::int64_t(malloc_usable_size(block)), std::memory_order_relaxed);
}

} // namespace

namespace CountingAllocator {

bool available()
{
    return UMNOGLAZ_COUNTING;
}

std::int64_t live()
{
    return g_live.load(std::memory_order_relaxed);
}

std::int64_t peak()
{
    return g_peak.load(std::memory_order_relaxed);
}

void resetPeak()
{
    g_peak.store(live(), std::memory_order_relaxed);
}

} // namespace CountingAllocator

#if UMNOGLAZ_COUNTING
extern "C" {

void *__libc_malloc(std::size_t);
void __libc_free(void *);
void *__libc_calloc(std::size_t, std::size_t);
void *__libc_realloc(void *, std::size_t);
void *__libc_memalign(std::size_t, std::size_t);
void *__libc_valloc(std::size_t);
void *__libc_pvalloc(std::size_t);

void *malloc(std::size_t bytes)
{
    return counted(__libc_malloc(bytes));
}

void free(void *block)
{
    uncounted(block);
    __libc_free(block);
}

void *calloc(std::size_t count, std::size_t bytes)
{
    return counted(__libc_calloc(count, bytes));
}

void *realloc(void *block, std::size_t bytes)
{
    const std::int64_t before = block ? std::int64_t(malloc_usable_size(block)) : 0;
    void *moved = __libc_realloc(block, bytes);
    if (moved || bytes == 0) {
        g_live.fetch_sub(before, std::memory_order_relaxed);
        counted(moved);
    }
    return moved;
}

void *memalign(std::size_t alignment, std::size_t bytes)
{
    return counted(__libc_memalign(alignment, bytes));
}

void *aligned_alloc(std::size_t alignment, std::size_t bytes)
{
    return counted(__libc_memalign(alignment, bytes));
}

int posix_memalign(void **block, std::size_t alignment, std::size_t bytes)
{
    if (alignment < sizeof(void *) || (alignment & (alignment - 1)) != 0)
        return EINVAL;
    void *made = counted(__libc_memalign(alignment, bytes));
    if (!made && bytes != 0)
        return ENOMEM;
    *block = made;
    return 0;
}

void *valloc(std::size_t bytes)
{
    return counted(__libc_valloc(bytes));
}

void *pvalloc(std::size_t bytes)
{
    return counted(__libc_pvalloc(bytes));
}

} // extern "C"
#endif
