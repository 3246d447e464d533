// The short road for the numbers answers carry most must leave exactly the
// record DecodePrimitiveValue leaves, and take nothing it cannot read whole.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <set>
#include <vector>

#include "encoding/application_values.hpp"
#include "encoding/common_numbers.hpp"

namespace {

// Content octets that cover the sign bit, the 31-bit edge and zero.
const std::vector<std::vector<std::uint8_t>> kContents = {
    {0x00, 0x00, 0x00, 0x00, 0x00}, {0x7F, 0xFF, 0xFF, 0xFF, 0x01}, {0x80, 0x00, 0x00, 0x00, 0x02},
    {0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, {0x42, 0x91, 0x00, 0x00, 0x4F}, {0x01, 0x23, 0x45, 0x67, 0x89},
};

bool SameBytes(const HostValue& a, const HostValue& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Every tag byte, every content, every length of input (in a block of exactly
// that size): where the short road takes a value, the general decoding takes
// it too, uses as many octets, and leaves the same record, also when the
// short road writes over a record that held another number before.
TEST(CommonNumbers, TakeOnlyWhatTheGeneralDecodingTakesAndLeaveTheSameRecord) {
    std::set<int> taken;
    for (int tagByte = 0; tagByte < 256; ++tagByte) {
        for (const auto& content : kContents) {
            for (std::size_t available = 0; available <= 1 + content.size(); ++available) {
                auto bytes = std::make_unique<std::uint8_t[]>(available == 0 ? 1 : available);
                if (available > 0) bytes[0] = static_cast<std::uint8_t>(tagByte);
                for (std::size_t i = 1; i < available; ++i) bytes[i] = content[i - 1];
                const std::uint8_t* data = available == 0 ? nullptr : bytes.get();

                HostValue fresh{};
                const std::size_t used = encoding::DecodeCommonNumber(data, available, fresh);
                if (used == 0) {
                    EXPECT_TRUE(SameBytes(fresh, HostValue{})) << "tag byte " << tagByte << " touched the record";
                    continue;
                }
                taken.insert(tagByte);
                HostValue general{};
                std::size_t consumed = 0;
                ASSERT_EQ(encoding::DecodePrimitiveValue(data, available, general, consumed),
                          encoding::ValueDecode::kValue)
                    << "tag byte " << tagByte << ", " << available << " octets";
                EXPECT_EQ(used, consumed) << "tag byte " << tagByte;
                EXPECT_TRUE(SameBytes(fresh, general)) << "tag byte " << tagByte << ", " << available << " octets";

                HostValue reused{};
                encoding::SetDouble(reused, -1.0 / 3.0);
                ASSERT_EQ(encoding::DecodeCommonNumber(data, available, reused), used);
                EXPECT_TRUE(SameBytes(reused, general)) << "tag byte " << tagByte << " over an earlier number";
            }
        }
    }
    // Boolean false and true; Unsigned, Signed and Enumerated of 1 to 4 octets; Real.
    const std::set<int> expected = {0x10, 0x11, 0x21, 0x22, 0x23, 0x24, 0x31, 0x32,
                                    0x33, 0x34, 0x91, 0x92, 0x93, 0x94, 0x44};
    EXPECT_EQ(taken, expected);
}

// The shapes the short road must leave to the general decoding.
TEST(CommonNumbers, LeaveEveryOtherShapeAlone) {
    const std::vector<std::vector<std::uint8_t>> others = {
        {0x00},                                            // Null: a text
        {0x12},                                            // Boolean with a length
        {0x20},                                            // Unsigned of no octets
        {0x25, 0x05, 1, 2, 3, 4, 5},                       // Unsigned of five octets
        {0x43, 1, 2, 3},                                   // Real of three octets
        {0x55, 0x08, 0x3F, 0xF0, 0, 0, 0, 0, 0, 0},        // Double
        {0x75, 0x03, 0x00, 'a', 'b'},                      // CharacterString
        {0x29, 0x55},                                      // context tag 2: a property identifier
        {0x4E},                                            // opening tag
        {0xA4, 0x7B, 0x01, 0x01, 0x05},                    // Date
        {0xC4, 0x00, 0x80, 0x00, 0x01},                    // object identifier
    };
    for (const auto& bytes : others) {
        HostValue value{};
        EXPECT_EQ(encoding::DecodeCommonNumber(bytes.data(), bytes.size(), value), 0u) << int{bytes[0]};
    }
}

}  // namespace
