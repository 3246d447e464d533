// Byte-exact expectations written as hex strings: "81 0a 00 11 01 04".
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

std::vector<std::uint8_t> Hex(std::string_view text);
std::string ToHex(const std::uint8_t* bytes, std::size_t count);
inline std::string ToHex(const std::vector<std::uint8_t>& bytes) { return ToHex(bytes.data(), bytes.size()); }

// EXPECT_TRUE(BytesAre(actual, "01 04 ...")) prints both sides on a mismatch.
::testing::AssertionResult BytesAre(const std::vector<std::uint8_t>& actual, std::string_view expectedHex);

}  // namespace testing_support
