// The run's memory limit changed for as long as the object lives, and put back however the
// scope is left, a failed assertion's early return included.
#pragma once

#include "base/MemoryBudget.h"

#include <cstdint>

class ScopedMemoryLimit
{
public:
    explicit ScopedMemoryLimit(std::int64_t bytes)
        : m_saved(MemoryBudget::limit())
    {
        MemoryBudget::setLimit(bytes);
    }
    ~ScopedMemoryLimit() { MemoryBudget::setLimit(m_saved); }
    ScopedMemoryLimit(const ScopedMemoryLimit &) = delete;
    ScopedMemoryLimit &operator=(const ScopedMemoryLimit &) = delete;

    // A limit that leaves `room` bytes beyond what is charged now.
    static std::int64_t above(std::int64_t room) { return MemoryBudget::used() + room; }

private:
    std::int64_t m_saved;
};
