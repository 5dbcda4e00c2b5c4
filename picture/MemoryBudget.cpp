#include "MemoryBudget.h"

#include "AppError.h"
#include "Messages.h"

#include <unistd.h>
#ifdef __linux__
#include <sys/mman.h>
#endif
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <atomic>
#include <cstdlib>

namespace {

constexpr std::int64_t kGiB = std::int64_t(1) << 30;
constexpr std::int64_t kMaxDefault = 8 * kGiB;
constexpr std::int64_t kMaxSize = std::int64_t(1) << 62;

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

std::int64_t DefaultLimit()
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

std::int64_t limit()
{
    std::int64_t value = g_limit.load(std::memory_order_relaxed);
    if (value == 0) {
        std::int64_t expected = 0;
        g_limit.compare_exchange_strong(expected, DefaultLimit(), std::memory_order_relaxed);
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

std::optional<std::int64_t> ParseMemorySize(std::string_view text)
{
    std::int64_t value = 0;
    std::size_t i = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        // Checked before it is made: a long run of digits must not overflow.
        if (value > (kMaxSize - (text[i] - '0')) / 10)
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    if (i == 0)
        return std::nullopt;
    std::string_view rest = text.substr(i);
    int shift = 0;
    if (!rest.empty()) {
        switch (rest.front()) {
        case 'k':
        case 'K':
            shift = 10;
            break;
        case 'm':
        case 'M':
            shift = 20;
            break;
        case 'g':
        case 'G':
            shift = 30;
            break;
        case 't':
        case 'T':
            shift = 40;
            break;
        default:
            break;
        }
        if (shift != 0)
            rest.remove_prefix(1);
    }
    if (rest == "iB" && shift != 0)
        rest = {};
    if (rest == "B" || rest == "b")
        rest = {};
    if (!rest.empty() || value == 0 || value > (kMaxSize >> shift))
        return std::nullopt;
    return value << shift;
}
