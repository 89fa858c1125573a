#include "platform/Saturating.hpp"
#include "model/DiskNode.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace ambertrove {
namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
constexpr std::uint64_t kUMax = std::numeric_limits<std::uint64_t>::max();

TEST(Saturating, SignedSumsStopAtEitherEnd) {
    struct Case {
        std::int64_t a, b, expected;
    };
    const Case cases[] = {
        {2, 3, 5},        {-2, -3, -5},         {kMax, 0, kMax},  {kMax - 1, 1, kMax},
        {kMax, 1, kMax},  {kMax, kMax, kMax},   {kMin, -1, kMin}, {kMin, kMin, kMin},
        {kMin, kMax, -1}, {kMax, -1, kMax - 1}, {1, kMax, kMax},  {-1, kMin, kMin},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Saturating::add(c.a, c.b), c.expected) << c.a << " + " << c.b;
        EXPECT_EQ(saturatingAdd(c.a, c.b), c.expected) << c.a << " + " << c.b;
    }
}

TEST(Saturating, UnsignedSumsAndByteCounts) {
    EXPECT_EQ(Saturating::sum(2, 3), 5u);
    EXPECT_EQ(Saturating::sum(kUMax - 1, 1), kUMax);
    EXPECT_EQ(Saturating::sum(kUMax, 1), kUMax);
    EXPECT_EQ(Saturating::bytes(3, 4096), 12288);
    EXPECT_EQ(Saturating::bytes(kUMax, 0), 0);
    EXPECT_EQ(Saturating::bytes(std::uint64_t(1) << 62, 2), kMax);
    EXPECT_EQ(Saturating::signedCount(std::uint64_t(kMax)), kMax);
    EXPECT_EQ(Saturating::signedCount(kUMax), kMax);
}

} // namespace
} // namespace ambertrove
