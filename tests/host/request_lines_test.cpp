#include "host/request_lines.hpp"

#include <gtest/gtest.h>

namespace host {
namespace {

TEST(RequestLinesTest, EveryTripleKeepsItsOwnLineThroughGrowth) {
    RequestLines lines;
    EXPECT_EQ(lines.Find(2, 1, 85), nullptr);
    // Enough triples to grow the table several times; neighbours differ in one member only.
    for (std::int32_t instance = 0; instance < 3000; ++instance) {
        lines.Set(2, instance, 85, {instance, 7});
        lines.Set(2, instance, 104, {instance + 5000, 7});
    }
    ASSERT_EQ(lines.Size(), 6000u);
    for (std::int32_t instance = 0; instance < 3000; ++instance) {
        const auto* presentValue = lines.Find(2, instance, 85);
        const auto* relinquish = lines.Find(2, instance, 104);
        ASSERT_NE(presentValue, nullptr);
        ASSERT_NE(relinquish, nullptr);
        EXPECT_EQ(presentValue->line, instance);
        EXPECT_EQ(relinquish->line, instance + 5000);
    }
    EXPECT_EQ(lines.Find(3, 0, 85), nullptr);
    EXPECT_EQ(lines.Find(2, 3000, 85), nullptr);
}

TEST(RequestLinesTest, ALaterScanOverwritesLineAndScanWithoutAddingAnEntry) {
    RequestLines lines;
    lines.Set(0, 4194303, 85, {3, 1});
    lines.Set(0, 4194303, 85, {0, 2});
    ASSERT_EQ(lines.Size(), 1u);
    const auto* found = lines.Find(0, 4194303, 85);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->line, 0);
    EXPECT_EQ(found->scan, 2u);
}

}  // namespace
}  // namespace host
