#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "encoding/tags.hpp"
#include "support/hex.hpp"

namespace {

using encoding::ByteVector;

// Allocated exactly as long as the bytes, so that a read past the end trips
// the address sanitizer instead of landing in spare capacity.
std::vector<std::uint8_t> Exact(const char* hex) {
    const std::vector<std::uint8_t> bytes = testing_support::Hex(hex);
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

TEST(TagBytes, ComposeAndSplit) {
    EXPECT_EQ(encoding::MakeContextTag(3, encoding::kLvtOpening), 0x3E);
    // Oversized fields are cut to their bits rather than spilling into the neighbours.
    EXPECT_EQ(encoding::MakeApplicationTag(1, 9), 0x11);
    EXPECT_EQ(encoding::MakeContextTag(17, 0), 0x18);
    const struct { std::uint8_t byte, tagNumber, lvt; } cases[] = {{0x3E, 3, 6}, {0x0C, 0, 4}, {0xF5, 15, 5}};
    for (const auto& c : cases) {
        EXPECT_EQ(encoding::SplitTagByte(c.byte).tagNumber, c.tagNumber) << int(c.byte);
        EXPECT_EQ(encoding::SplitTagByte(c.byte).lvt, c.lvt) << int(c.byte);
    }
}

TEST(TagBytes, ExtendedLengthWrittenAndDecoded) {
    const struct { std::uint32_t n; const char* hex; } written[] = {
        {4, ""}, {5, "05"}, {253, "fd"}, {254, "fe 00 fe"}, {65535, "fe ff ff"}, {65536, "ff 00 01 00 00"},
    };
    for (const auto& c : written) {
        ByteVector out;
        encoding::WriteExtendedLength(out, c.n);
        EXPECT_TRUE(testing_support::BytesAre(out, c.hex)) << c.n;
    }
    constexpr std::size_t kUntouched = 99;
    // Input is what follows the tag byte.
    const struct { const char* hex; std::uint8_t lvt; std::uint32_t length; std::size_t consumed; } decoded[] = {
        {"aa", 3, 3, kUntouched}, {"", 3, 0, kUntouched}, {"fd", 5, 253, 1}, {"fe 01 00", 5, 256, 3},
        {"ff 00 01 00 00", 5, 65536, 5}, {"fe 01", 5, 0, 1}, {"ff 00 01 00", 5, 0, 1},
    };
    for (const auto& c : decoded) {
        const auto bytes = Exact(c.hex);
        std::size_t consumed = kUntouched;
        EXPECT_EQ(encoding::DecodeLength(bytes.data(), bytes.size(), c.lvt, consumed), c.length) << c.hex;
        EXPECT_EQ(consumed, c.consumed) << c.hex;
    }
}

TEST(PrimitiveDecoding, IntegersAndBooleans) {
    const struct { const char* hex; std::uint32_t asUnsigned; std::int32_t asSigned; } cases[] = {
        {"ff", 255, -1}, {"7f", 127, 127}, {"ff 7f", 65407, -129}, {"ff ff 7f", 16777087, -129},
        {"80 00 00 00", 0x80000000u, std::numeric_limits<std::int32_t>::min()}, {"", 0, 0},
    };
    for (const auto& c : cases) {
        const auto bytes = Exact(c.hex);
        const int n = static_cast<int>(bytes.size());
        EXPECT_EQ(encoding::DecodeUnsigned(bytes.data(), n), c.asUnsigned) << c.hex;
        EXPECT_EQ(encoding::DecodeSigned(bytes.data(), n), c.asSigned) << c.hex;
    }
    EXPECT_TRUE(encoding::DecodeBoolean(0x11));
    for (std::uint8_t tagByte : {0x10, 0x12, 0x19}) EXPECT_FALSE(encoding::DecodeBoolean(tagByte)) << int(tagByte);
}

TEST(PrimitiveDecoding, FixedSizeValuesAndText) {
    const auto id = encoding::DecodeObjectIdentifier(Exact("ff ff ff ff").data());
    EXPECT_EQ(id.type, 1023u);
    EXPECT_EQ(id.instance, 4194303u);
    EXPECT_EQ(encoding::DecodeReal(Exact("c2 f6 e9 79").data()), -123.456f);
    EXPECT_EQ(encoding::DecodeDouble(Exact("08 c0 5e dd 2f 1a 9f be 77").data()), -123.456);

    const struct { const char* hex; std::u16string text; } texts[] = {
        {"00 41 c2 b0 43", u"A\u00B0C"}, {"00", u""}, {"", u""}, {"04 41 42", u""},
    };
    for (const auto& c : texts) {
        const auto bytes = Exact(c.hex);
        EXPECT_EQ(encoding::DecodeCharacterString(bytes.data(), bytes.size()), c.text) << c.hex;
    }
}

}  // namespace
