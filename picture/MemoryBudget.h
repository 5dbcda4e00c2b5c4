// The memory budget of the whole run: one process-wide account against which everything that
// grows with the picture is charged before it is allocated (rasters, the row table, the region
// table and its point lists, outline arrays, the headless command's results and report).
// Going over throws "Out of system resources" and allocates nothing. The account is a pair of
// atomics, so charges may come from any thread; a MemoryReservation gives its charge back when
// it is destroyed, so no failure path can leak budget.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace MemoryBudget {

// The budget in bytes. Until set, it is DefaultLimit().
std::int64_t limit();
void setLimit(std::int64_t bytes);
// Bytes charged now, and the most charged at once since the last resetPeak().
std::int64_t used();
std::int64_t peak();
void resetPeak();

// Charges bytes, or throws AppError "Out of system resources" and charges nothing when the
// account would go over the limit. Negative or zero requests charge nothing.
void charge(std::int64_t bytes);
void refund(std::int64_t bytes) noexcept;

// UMNOGLAZ_MAX_MEMORY when it holds a valid size; otherwise half of physical memory, at most
// 8 GiB (fuzz builds: a few MiB, so that the out-of-memory paths are reached).
std::int64_t DefaultLimit();

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

} // namespace MemoryBudget

// "512M", "2G", "1024K", "300000" (bytes): a whole number with an optional K, M, G or T
// suffix (powers of 1024, either case, an optional trailing "B" or "iB"). Empty on anything
// else, on 0, and on sizes beyond 2^62.
std::optional<std::int64_t> ParseMemorySize(std::string_view text);

// A charge held for as long as the object lives, resized as what it covers grows or shrinks.
class MemoryReservation
{
public:
    MemoryReservation() = default;
    explicit MemoryReservation(std::int64_t bytes) { resize(bytes); }
    ~MemoryReservation() { MemoryBudget::refund(m_bytes); }
    MemoryReservation(MemoryReservation &&other) noexcept
        : m_bytes(other.m_bytes)
    {
        other.m_bytes = 0;
    }
    MemoryReservation &operator=(MemoryReservation &&other) noexcept
    {
        if (this != &other) {
            MemoryBudget::refund(m_bytes);
            m_bytes = other.m_bytes;
            other.m_bytes = 0;
        }
        return *this;
    }
    void swap(MemoryReservation &other) noexcept
    {
        const std::int64_t bytes = m_bytes;
        m_bytes = other.m_bytes;
        other.m_bytes = bytes;
    }

    std::int64_t bytes() const { return m_bytes; }
    // Charges the growth first (throwing, unchanged, when over budget) or refunds the shrink.
    void resize(std::int64_t bytes)
    {
        if (bytes > m_bytes)
            MemoryBudget::charge(bytes - m_bytes);
        else
            MemoryBudget::refund(m_bytes - bytes);
        m_bytes = bytes;
    }
    // Makes sure that at least `total` bytes are charged, growing in steps of at least `step`
    // so that covering many small pieces costs few atomic operations.
    void cover(std::int64_t total, std::int64_t step = std::int64_t(1) << 20)
    {
        if (total > m_bytes)
            resize(total - m_bytes > step ? total : m_bytes + step);
    }
    void clear() noexcept
    {
        MemoryBudget::refund(m_bytes);
        m_bytes = 0;
    }

private:
    std::int64_t m_bytes = 0;
};
