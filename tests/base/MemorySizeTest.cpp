#include "base/MemorySize.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(MemorySize, sizesReadWithTheirSuffixes)
{
    EXPECT_EQ(ParseMemorySize("512M"), std::int64_t(512) << 20);
    EXPECT_EQ(ParseMemorySize("2G"), std::int64_t(2) << 30);
    EXPECT_EQ(ParseMemorySize("3kiB"), 3072);
    EXPECT_EQ(ParseMemorySize("4096"), 4096);
    for (const char *bad : {"", "0", "M", "12X", "-1G", "1.5G", "99999999999999999999"})
        EXPECT_FALSE(ParseMemorySize(bad).has_value()) << bad;
}

} // namespace
