// The memory budget of the whole run: one process-wide account against which everything that
// grows with the picture is charged before it is allocated (rasters, the row table, the region
// table and its point lists, outline arrays, the headless command's results and report).
// Going over throws "Out of system resources" and allocates nothing. The account is a pair of
// atomics, so charges may come from any thread; a MemoryReservation gives its charge back when
// it is destroyed, so no failure path can leak budget.
#pragma once

#include <cstddef>
#include <cstdint>

namespace MemoryBudget {

// The budget in bytes. Until set, it is defaultLimit().
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
std::int64_t defaultLimit();

} // namespace MemoryBudget

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
