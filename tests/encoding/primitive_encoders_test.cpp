#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "encoding/tags.hpp"
#include "support/hex.hpp"

namespace {

using encoding::ByteVector;
using testing_support::BytesAre;

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

TEST(PrimitiveEncoding, AppendsTaggedValues) {
    using namespace encoding;
    const struct { void (*encode)(ByteVector&); const char* hex; } cases[] = {
        {[](ByteVector& o) { EncodeUnsigned(o, 0); }, "21 00"},
        {[](ByteVector& o) { EncodeUnsigned(o, 65535); }, "22 ff ff"},
        {[](ByteVector& o) { EncodeUnsigned(o, 65536); }, "23 01 00 00"},
        {[](ByteVector& o) { EncodeUnsigned(o, 16777216); }, "24 01 00 00 00"},
        {[](ByteVector& o) { EncodeEnumerated(o, 255); }, "91 ff"},
        {[](ByteVector& o) { EncodeUnsignedWithTag(o, 256, MakeContextTag(1, 2)); }, "1a 01 00"},
        {[](ByteVector& o) { EncodeSigned(o, -128); }, "31 80"},
        {[](ByteVector& o) { EncodeSigned(o, 128); }, "33 00 00 80"},
        {[](ByteVector& o) { EncodeSigned(o, -129); }, "33 ff ff 7f"},
        {[](ByteVector& o) { EncodeSigned(o, -8388608); }, "33 80 00 00"},
        {[](ByteVector& o) { EncodeSigned(o, 8388608); }, "34 00 80 00 00"},
        {[](ByteVector& o) { EncodeSigned(o, kMin); }, "34 80 00 00 00"},
        {[](ByteVector& o) { EncodeSigned(o, 1, 0, true); }, "34 00 00 00 01"},
        {[](ByteVector& o) { EncodeSigned(o, -1, MakeContextTag(2, 1)); }, "29 ff"},
        {[](ByteVector& o) { EncodeReal(o, -123.456f); }, "44 c2 f6 e9 79"},
        {[](ByteVector& o) { EncodeReal(o, 1.5f, MakeContextTag(2, 4)); }, "2c 3f c0 00 00"},
        {[](ByteVector& o) { EncodeDouble(o, -123.456); }, "55 08 c0 5e dd 2f 1a 9f be 77"},
        {[](ByteVector& o) { EncodeObjectIdentifier(o, 8, 1234); }, "c4 02 00 04 d2"},
        {[](ByteVector& o) { EncodeObjectIdentifier(o, 1024 + 8, 4194304 + 1234); }, "c4 02 00 04 d2"},
        {[](ByteVector& o) { EncodeObjectIdentifierWithTag(o, 1023, 4194303, MakeContextTag(0, 4)); },
         "0c ff ff ff ff"},
        {[](ByteVector& o) { EncodeBoolean(o, true); }, "11"},
        {[](ByteVector& o) { EncodeCharacterString(o, u""); }, "71 00"},
        {[](ByteVector& o) { EncodeCharacterString(o, u"abc"); }, "74 00 61 62 63"},
        {[](ByteVector& o) { EncodeCharacterString(o, u"abcd"); }, "75 05 00 61 62 63 64"},
        {[](ByteVector& o) { EncodeCharacterString(o, u"\u00B0C"); }, "74 00 c2 b0 43"},  // UTF-8 bytes count
        {[](ByteVector& o) { EncodeOctetStringBytes(o, 4); }, "64"},
        {[](ByteVector& o) { EncodeOctetStringBytes(o, 300); }, "65 fe 01 2c"},
        {[](ByteVector& o) { EncodeBitStringBits(o, 2, 4); }, "82 04"},
        {[](ByteVector& o) { EncodeBitStringBits(o, 6, 3); }, "85 06 03"},
    };
    for (const auto& c : cases) {
        ByteVector out{0xAB};  // what is already there stays
        c.encode(out);
        EXPECT_TRUE(BytesAre(out, std::string("ab ") + c.hex));
    }
}

TEST(PrimitiveEncoding, LongCharacterStringRoundTrips) {
    const std::u16string text(300, u'x');
    ByteVector out;
    encoding::EncodeCharacterString(out, text);
    ASSERT_EQ(out[0], 0x75);
    std::size_t consumed = 0;
    const std::uint32_t n = encoding::DecodeLength(out.data() + 1, out.size() - 1, 5, consumed);
    ASSERT_EQ(n, 301u);
    ASSERT_EQ(out.size(), 1 + consumed + n);
    EXPECT_EQ(encoding::DecodeCharacterString(out.data() + 1 + consumed, n), text);
}

TEST(PrimitiveEncoding, DatesGetTheirWeekday) {
    const struct { std::int32_t day, month, year; const char* hex; } cases[] = {
        {1, 1, 2024, "a4 7c 01 01 01"},   {7, 1, 2024, "a4 7c 01 07 07"},   {1, 1, 1900, "a4 00 01 01 01"},
        {255, 12, 2023, "a4 7b 0c ff ff"}, {5, 255, 2023, "a4 7b ff 05 ff"}, {5, 12, 255, "a4 ff 0c 05 ff"},
        {5, 12, 2155, "a4 ff 0c 05 ff"},  // its year octet means "unspecified"
        {31, 2, 2023, "a4 7b 02 1f ff"},  // no such day, so no weekday
    };
    for (const auto& c : cases) {
        ByteVector out;
        EXPECT_EQ(encoding::EncodeDate(out, c.day, c.month, c.year), encoding::kStatusOk);
        EXPECT_TRUE(BytesAre(out, c.hex));
    }
}

TEST(PrimitiveEncoding, OutOfRangeDateOrTimeAppendsNothing) {
    ByteVector out;
    EXPECT_EQ(encoding::EncodeDate(out, 1, 1, 2156), 18);
    EXPECT_EQ(encoding::EncodeDate(out, 1, 1, 1899), 18);
    EXPECT_EQ(encoding::EncodeDate(out, 1, 13, 2024), 18);
    EXPECT_EQ(encoding::EncodeDate(out, 0, 1, 2024), 18);
    EXPECT_EQ(encoding::EncodeDate(out, 32, 1, 2024), 18);
    EXPECT_EQ(encoding::EncodeTime(out, 24, 0, 0, 0), 18);
    EXPECT_EQ(encoding::EncodeTime(out, 0, 60, 0, 0), 18);
    EXPECT_EQ(encoding::EncodeTime(out, 0, 0, 60, 0), 18);
    EXPECT_EQ(encoding::EncodeTime(out, 0, 0, 0, 100), 18);
    EXPECT_EQ(encoding::EncodeTime(out, -1, 0, 0, 0), 18);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(encoding::EncodeTime(out, 23, 59, 59, 99), encoding::kStatusOk);
    EXPECT_TRUE(BytesAre(out, "b4 17 3b 3b 63"));
}

}  // namespace
