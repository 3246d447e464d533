#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "encoding/application_values.hpp"
#include "encoding/host_value.hpp"
#include "encoding/tags.hpp"
#include "host_values.hpp"
#include "support/hex.hpp"
#include "support/trace_capture.hpp"

namespace {

using encoding::ByteVector;
using testing_support::BytesAre;
using testing_values::Exact;
using testing_values::Integer;
using testing_values::Real;
using testing_values::Text;
using testing_values::TextOf;

constexpr int kDoesNotFit = encoding::kStatusValueDoesNotFit;

struct Decoded {
    bool ok = false;
    HostValue value{};
    std::size_t consumed = 0;
};

Decoded Decode(const char* hex) {
    const auto bytes = Exact(hex);
    Decoded d;
    d.ok = encoding::DecodeApplicationValue(bytes.data(), bytes.size(), d.value, d.consumed);
    return d;
}

// Values as the wire carries them, with the datatype they were read as.
struct WireValue {
    const char* hex;
    std::int32_t datatype;
    std::size_t consumed;
    std::uint32_t kind;
    std::int32_t integer;     // kind 1
    double real;              // kind 2
    const char16_t* text;     // kind 3
};

const WireValue kWireValues[] = {
    {"00", 0, 1, 3, 0, 0, u"NULL"},
    {"10", 1, 1, 1, 0, 0, nullptr},
    {"11", 1, 1, 1, 1, 0, nullptr},
    {"21 ff", 2, 2, 1, 255, 0, nullptr},
    {"22 01 00", 2, 3, 1, 256, 0, nullptr},
    {"24 ff ff ff ff", 2, 5, 1, -1, 0, nullptr},  // 4294967295 travels as the integer -1
    {"31 ff", 3, 2, 1, -1, 0, nullptr},
    {"33 ff ff 7f", 3, 4, 1, -129, 0, nullptr},
    {"34 80 00 00 00", 3, 5, 1, INT32_MIN, 0, nullptr},
    {"91 ff", 9, 2, 1, 255, 0, nullptr},
    {"44 3f 80 00 00", 4, 5, 2, 0, 1.0, nullptr},
    {"44 41 ac 00 00", 4, 5, 2, 0, 21.5, nullptr},
    {"55 08 c0 5e dd 2f 1a 9f be 77", 5, 10, 2, 0, -123.456, nullptr},
    {"63 0a ff 00", 6, 4, 3, 0, 0, u"0A FF 00 "},
    {"60", 6, 1, 3, 0, 0, u""},
    {"74 00 41 42 43", 7, 5, 3, 0, 0, u"ABC"},
    {"75 06 00 c3 a9 74 c3 a9", 7, 8, 3, 0, 0, u"\u00e9t\u00e9"},
    {"82 04 a0", 8, 3, 3, 0, 0, u"1010"},
    {"83 00 ff 01", 8, 4, 3, 0, 0, u"1111111100000001"},
    {"81 00", 8, 2, 3, 0, 0, u""},
    {"a4 7b 0c 05 02", 10, 5, 3, 0, 0, u"5-12-2023"},
    {"a4 ff ff ff ff", 10, 5, 3, 0, 0, u"xx-xx-xxxx"},
    {"a4 7b 0c ff ff", 10, 5, 3, 0, 0, u"xx-12-2023"},
    {"b4 0d 05 00 00", 11, 5, 3, 0, 0, u"13:5:0.0"},
    {"b4 17 3b 3b 63", 11, 5, 3, 0, 0, u"23:59:59.99"},
    {"b4 ff ff ff ff", 11, 5, 3, 0, 0, u"xx:xx:xx.xx"},
    {"c4 02 00 04 d2", 12, 5, 3, 0, 0, u"8:1234"},
    {"c4 ff ff ff ff", 12, 5, 3, 0, 0, u"1023:4194303"},
};

TEST(DecodeApplicationValue, EveryDatatype) {
    for (const auto& w : kWireValues) {
        const Decoded d = Decode(w.hex);
        ASSERT_TRUE(d.ok) << w.hex;
        EXPECT_EQ(d.consumed, w.consumed) << w.hex;
        ASSERT_EQ(d.value.kind, w.kind) << w.hex;
        if (w.kind == encoding::kKindInteger) {
            EXPECT_EQ(encoding::GetInteger(d.value), w.integer) << w.hex;
        }
        if (w.kind == encoding::kKindDouble) {
            EXPECT_EQ(encoding::GetDouble(d.value), w.real) << w.hex;
        }
        if (w.kind == encoding::kKindText) {
            EXPECT_EQ(TextOf(d.value), w.text) << w.hex;
        }
    }
}

TEST(DecodeApplicationValue, ConsumesOnlyTheValueInALongerMessage) {
    const Decoded d = Decode("21 05 3f 49 08");
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.consumed, 2u);
    EXPECT_EQ(encoding::GetInteger(d.value), 5);
}

TEST(DecodeApplicationValue, RefusesTagsAndShortFixedValues) {
    const char* refused[] = {
        "",                              // nothing at all
        "d1 00", "e4 00 00 00 00", "f0",  // tag numbers 13..15
        "21", "24 00 00 00",             // integer shorter than its length
        "44 3f 80 00",                   // real without its last octet
        "41 3f",                         // a real is four octets whatever its length says
        "55 08 00 00 00 00 00 00 00",    // nine bytes in all
        "a4 7b 0c 05", "b1 00", "c4 02 00 04",
    };
    for (const char* hex : refused) {
        const auto bytes = Exact(hex);
        HostValue value = Integer(77);
        std::size_t consumed = 99;
        EXPECT_FALSE(encoding::DecodeApplicationValue(bytes.data(), bytes.size(), value, consumed)) << hex;
        EXPECT_EQ(consumed, 99u) << hex;
        EXPECT_EQ(encoding::GetInteger(value), 77) << hex;
    }
}

TEST(DecodeApplicationValue, BadStringLengthsGiveAnEmptyTextAndAShortCount) {
    const struct { const char* hex; std::size_t consumed; } cases[] = {
        {"63 0a ff", 1},            // three octets announced, two present
        {"75 06 00 41", 2},         // extended length 6, two present
        {"65 fe 01", 2},            // extended length cut inside its octets
        {"85 ff 00 00 01", 2},
        {"75", 1},                  // extended length missing
        {"80", 1},                  // no content at all
        {"81 09", 2},               // more unused bits than bits
        {"75 06 04 41 42 43 44 45", 8},  // character set 4: skipped whole, not shown
    };
    for (const auto& c : cases) {
        const Decoded d = Decode(c.hex);
        ASSERT_TRUE(d.ok) << c.hex;
        EXPECT_EQ(d.consumed, c.consumed) << c.hex;
        EXPECT_EQ(d.value.kind, encoding::kKindText) << c.hex;
        EXPECT_EQ(TextOf(d.value), u"") << c.hex;
    }
}

// Every tag byte with every short tail: whatever is claimed, nothing beyond
// the input is read (the sanitizer watches) and the count stays inside it.
TEST(DecodeApplicationValue, NeverReadsPastTheInput) {
    std::mt19937 random(20240501);
    for (int tagByte = 0; tagByte < 256; ++tagByte) {
        for (std::size_t tail = 0; tail <= 12; ++tail) {
            for (int round = 0; round < 4; ++round) {
                std::vector<std::uint8_t> bytes(1 + tail);
                bytes[0] = static_cast<std::uint8_t>(tagByte);
                for (std::size_t i = 1; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(random());
                // Lengths that point just beyond the end are the telling ones.
                if (tail > 0 && round == 1) bytes[1] = static_cast<std::uint8_t>(tail);
                if (tail > 0 && round == 2) bytes[1] = 0xFE;
                HostValue value{};
                std::size_t consumed = 0;
                if (encoding::DecodeApplicationValue(bytes.data(), bytes.size(), value, consumed)) {
                    EXPECT_GE(consumed, 1u) << tagByte;
                    EXPECT_LE(consumed, bytes.size()) << tagByte;
                }
            }
        }
    }
    HostValue value{};
    std::size_t consumed = 0;
    EXPECT_FALSE(encoding::DecodeApplicationValue(nullptr, 0, value, consumed));
}

// Re-encoding a decoded value with its datatype gives the same bytes, both as
// decoded and after the host has shown it as text and written the text back.
TEST(EncodeApplicationValue, RoundTripsDecodedValuesAndTheirTexts) {
    for (const auto& w : kWireValues) {
        if (w.datatype == encoding::kTagOctetString) continue;  // shown with spaces, written without
        if (w.datatype == encoding::kTagTime && std::u16string(w.text).find(u'x') != std::u16string::npos)
            continue;  // unspecified times cannot be written
        const Decoded d = Decode(w.hex);
        ASSERT_TRUE(d.ok) << w.hex;
        ByteVector direct;
        ASSERT_EQ(encoding::EncodeApplicationValue(direct, d.value, w.datatype), 0) << w.hex;
        EXPECT_TRUE(BytesAre(direct, w.hex));
        ByteVector viaText;
        ASSERT_EQ(encoding::EncodeApplicationValue(viaText, Text(encoding::ValueToText(d.value)), w.datatype), 0)
            << w.hex;
        EXPECT_TRUE(BytesAre(viaText, w.hex));
    }
}

TEST(EncodeApplicationValue, OctetStringsGoBackWithoutSpaces) {
    const Decoded d = Decode("63 0a ff 00");
    ByteVector out;
    EXPECT_EQ(encoding::EncodeApplicationValue(out, d.value, encoding::kTagOctetString), kDoesNotFit);
    out.clear();
    EXPECT_EQ(encoding::EncodeApplicationValue(out, Text(u"0AFF00"), encoding::kTagOctetString), 0);
    EXPECT_TRUE(BytesAre(out, "63 0a ff 00"));
}

TEST(EncodeApplicationValue, ConvertsEachKindToTheDatatype) {
    const struct { HostValue value; std::int32_t datatype; const char* hex; } cases[] = {
        {Text(u"anything"), 0, "00"},
        {Integer(7), 1, "11"},
        {Integer(0), 1, "10"},
        {Real(0.4), 1, "10"},  // truncated to 0 first
        {Text(u"2"), 1, "11"},
        {Real(2.7), 2, "21 02"},
        {Text(u"2.7"), 2, "21 02"},
        {Text(u"-1"), 2, "24 ff ff ff ff"},
        {Integer(0), 2, "21 00"},
        {Integer(1000), 3, "33 00 03 e8"},
        {Real(-1.9), 3, "31 ff"},
        {Text(u"1e3"), 9, "92 03 e8"},
        {Integer(1), 9, "91 01"},
        {Integer(2), 4, "44 40 00 00 00"},
        {Real(0.1), 4, "44 3d cc cc cd"},  // rounded to the nearest single
        {Text(u" 21.5"), 4, "44 41 ac 00 00"},
        {Integer(-1), 5, "55 08 bf f0 00 00 00 00 00 00"},
        {Text(u"0AFF"), 6, "62 0a ff"},
        {Text(u""), 6, "60"},
        {Integer(42), 7, "73 00 34 32"},
        {Real(3.0), 7, "72 00 33"},
        {Text(u""), 7, "71 00"},
        {Text(u"1010"), 8, "82 04 a0"},
        {Text(u""), 8, "81 00"},
        {Text(u"5-12-2023"), 10, "a4 7b 0c 05 02"},
        {Text(u"13:05:00.50"), 11, "b4 0d 05 00 32"},
        {Text(u"8:1234"), 12, "c4 02 00 04 d2"},
    };
    for (const auto& c : cases) {
        ByteVector out;
        EXPECT_EQ(encoding::EncodeApplicationValue(out, c.value, c.datatype), 0) << c.hex;
        EXPECT_TRUE(BytesAre(out, c.hex));
    }
}

TEST(EncodeApplicationValue, RefusesWhatDoesNotFitWithoutAppending) {
    HostValue none{};
    none.kind = 9;
    const struct { HostValue value; std::int32_t datatype; } cases[] = {
        {Text(u"x"), 1}, {Text(u"12a"), 2}, {Text(u""), 3}, {Text(u"1,5"), 4}, {Text(u"inf"), 5},
        {none, 2}, {none, 4}, {Text(u"3"), 9 + 4}, {Integer(1), -1}, {Text(u"12:00"), 11},
        {Text(u"0AF"), 6}, {Text(u"10x"), 8}, {Text(u"5-12"), 10},
    };
    for (const auto& c : cases) {
        ByteVector out{0xAA};
        EXPECT_EQ(encoding::EncodeApplicationValue(out, c.value, c.datatype), kDoesNotFit) << c.datatype;
        EXPECT_TRUE(BytesAre(out, "aa")) << c.datatype;
    }
}

TEST(EncodeApplicationValue, OnlyABadObjectIdentifierIsTraced) {
    testing_support::TraceCapture trace;
    for (const char16_t* text : {u"8:-1", u"8", u"a:1", u"8: 1", u""}) {
        ByteVector out;
        EXPECT_EQ(encoding::EncodeApplicationValue(out, Text(text), encoding::kTagObjectIdentifier), kDoesNotFit);
    }
    ByteVector out;
    encoding::EncodeApplicationValue(out, Text(u"x"), encoding::kTagDate);
    EXPECT_EQ(trace.Lines(), std::vector<std::string>(5, "Invalid format: Object Identifier"));
}

}  // namespace
