#include "base/MemoryBudget.h"

#include "base/AppError.h"
#include "base/MemorySize.h"
#include "base/Messages.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>

namespace {

constexpr std::int64_t kGiB = std::int64_t(1) << 30;
constexpr std::int64_t kMaxDefault = 8 * kGiB;

#ifdef UMNOGLAZ_SMALL_PICTURES
// Fuzz builds: the real checks with a small account, so that large declared pictures fail
// quickly through the same paths as they would at full size.
constexpr std::int64_t kFuzzLimit = std::int64_t(24) << 20;
#endif

std::atomic<std::int64_t> g_used {0};
std::atomic<std::int64_t> g_peak {0};
// 0 until first read or set: the default is worked out once, on first use.
std::atomic<std::int64_t> g_limit {0};

std::int64_t physicalMemory()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0)
        return 2 * kGiB;
    return std::int64_t(pages) * std::int64_t(pageSize);
}

} // namespace

namespace MemoryBudget {

std::int64_t defaultLimit()
{
    if (const char *text = std::getenv("UMNOGLAZ_MAX_MEMORY")) {
        if (const std::optional<std::int64_t> bytes = ParseMemorySize(text))
            return *bytes;
    }
#ifdef UMNOGLAZ_SMALL_PICTURES
    return kFuzzLimit;
#else
    const std::int64_t half = physicalMemory() / 2;
    return half < kMaxDefault ? half : kMaxDefault;
#endif
}

std::int64_t limit()
{
    std::int64_t value = g_limit.load(std::memory_order_relaxed);
    if (value == 0) {
        std::int64_t expected = 0;
        g_limit.compare_exchange_strong(expected, defaultLimit(), std::memory_order_relaxed);
        value = g_limit.load(std::memory_order_relaxed);
    }
    return value;
}

void setLimit(std::int64_t bytes)
{
    g_limit.store(bytes > 0 ? bytes : 1, std::memory_order_relaxed);
}

std::int64_t used()
{
    return g_used.load(std::memory_order_relaxed);
}

std::int64_t peak()
{
    return g_peak.load(std::memory_order_relaxed);
}

void resetPeak()
{
    g_peak.store(used(), std::memory_order_relaxed);
}

void charge(std::int64_t bytes)
{
    if (bytes <= 0)
        return;
    const std::int64_t cap = limit();
    std::int64_t now = g_used.load(std::memory_order_relaxed);
    do {
        if (bytes > cap - now)
            throw AppError(kOutOfResources);
    } while (!g_used.compare_exchange_weak(now, now + bytes, std::memory_order_relaxed));
    const std::int64_t after = now + bytes;
    std::int64_t high = g_peak.load(std::memory_order_relaxed);
    while (after > high && !g_peak.compare_exchange_weak(high, after, std::memory_order_relaxed)) {
    }
}

void refund(std::int64_t bytes) noexcept
{
    if (bytes > 0)
        g_used.fetch_sub(bytes, std::memory_order_relaxed);
}

} // namespace MemoryBudget
