// Sizes of memory as a person writes them, for the budget's limit on the command line and in
// the environment.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// "512M", "2G", "1024K", "300000" (bytes): a whole number with an optional K, M, G or T
// suffix (powers of 1024, either case, an optional trailing "B" or "iB"). Empty on anything
// else, on 0, and on sizes beyond 2^62.
std::optional<std::int64_t> ParseMemorySize(std::string_view text);
