// Checked conversions: in-range values pass unchanged, out-of-range values
// saturate at the bound they passed, never wrap.
#include "base/checked.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace zvk {
namespace {

constexpr std::uint32_t kU32Max = std::numeric_limits<std::uint32_t>::max();
constexpr std::uint64_t kU64Max = std::numeric_limits<std::uint64_t>::max();

TEST(Checked, SaturateCastBetweenIntegers) {
    struct Case {
        std::int64_t value;
        std::uint32_t u32;
        std::int32_t i32;
        std::uint16_t u16;
    } cases[] = {
        {0, 0, 0, 0},
        {65535, 65535, 65535, 65535},
        {65536, 65536, 65536, 65535},
        {2147483648, 2147483648u, 2147483647, 65535},
        {4294967295, kU32Max, 2147483647, 65535},
        {4294967296, kU32Max, 2147483647, 65535},
        {4294967301, kU32Max, 2147483647, 65535},
        {-1, 0, -1, 0},
        {-2147483649LL, 0, -2147483647 - 1, 0},
        {std::numeric_limits<std::int64_t>::max(), kU32Max, 2147483647, 65535},
        {std::numeric_limits<std::int64_t>::min(), 0, -2147483647 - 1, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(saturate_cast<std::uint32_t>(c.value), c.u32) << c.value;
        EXPECT_EQ(saturate_cast<std::int32_t>(c.value), c.i32) << c.value;
        EXPECT_EQ(saturate_cast<std::uint16_t>(c.value), c.u16) << c.value;
    }
    // Unsigned sources above every signed bound.
    EXPECT_EQ(saturate_cast<std::int64_t>(kU64Max), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(saturate_cast<std::uint32_t>(std::uint64_t{4294967298u}), kU32Max);
    EXPECT_EQ(saturate_cast<std::uint32_t>(std::size_t{7}), 7u);
}

TEST(Checked, SaturateFromFloatTruncatesTowardZero) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        float value;
        std::uint32_t u32;
        std::uint64_t u64;
    } cases[] = {
        {0.0f, 0, 0},
        {-0.0f, 0, 0},
        {0.9f, 0, 0},
        {1.5f, 1, 1},
        {-1.5f, 0, 0},
        {nan, 0, 0},
        {-inf, 0, 0},
        {4294967040.0f, 4294967040u, 4294967040u},  // the largest float below 2^32
        {4294967296.0f, kU32Max, 4294967296u},
        {1e19f, kU32Max, 9999999980506447872u},
        {18446744073709551616.0f, kU32Max, kU64Max},
        {inf, kU32Max, kU64Max},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(saturate_from_float<std::uint32_t>(c.value), c.u32) << c.value;
        EXPECT_EQ(saturate_from_float<std::uint64_t>(c.value), c.u64) << c.value;
    }
}

TEST(Checked, SaturatingAddAndMultiply) {
    EXPECT_EQ(saturating_add<std::uint64_t>(1, 2), 3u);
    EXPECT_EQ(saturating_add<std::uint64_t>(kU64Max - 1, 1), kU64Max);
    EXPECT_EQ(saturating_add<std::uint64_t>(kU64Max, 1), kU64Max);
    EXPECT_EQ(saturating_add<std::uint32_t>(kU32Max, kU32Max), kU32Max);
    EXPECT_EQ(saturating_mul<std::uint64_t>(4294967296u, 4294967295u), 18446744069414584320u);
    EXPECT_EQ(saturating_mul<std::uint64_t>(4294967296u, 4294967296u), kU64Max);
    EXPECT_EQ(saturating_mul<std::uint64_t>(0, kU64Max), 0u);
    EXPECT_EQ(saturating_mul<std::uint32_t>(65536, 65536), kU32Max);
}

}  // namespace
}  // namespace zvk
