#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "encoding/application_values.hpp"
#include "encoding/tags.hpp"
#include "host_values.hpp"
#include "support/hex.hpp"
#include "support/trace_capture.hpp"

namespace {

using encoding::ByteVector;
using testing_support::BytesAre;
using namespace testing_values;

constexpr int kDoesNotFit = encoding::kStatusValueDoesNotFit;

struct Decoded {
    bool ok = false;
    HostValue value{};
    std::size_t consumed = 99;
};

// The bytes are copied into an allocation of their exact size, so that a read
// past the end trips the address sanitizer.
Decoded Decode(const char* hex) {
    const std::vector<std::uint8_t> parsed = testing_support::Hex(hex);
    const std::vector<std::uint8_t> bytes(parsed.begin(), parsed.end());
    Decoded d;
    d.ok = encoding::DecodeApplicationValue(bytes.data(), bytes.size(), d.value, d.consumed);
    return d;
}

// Wire values with their datatype and decoded form: a text, or the number
// that kind 1 (integer) or kind 2 (double) holds.
struct WireValue {
    const char* hex;
    std::int32_t datatype;
    std::size_t consumed;
    const char16_t* text;
    double number;
};

const WireValue kWireValues[] = {
    {"00", 0, 1, u"NULL", 0}, {"10", 1, 1, nullptr, 0}, {"11", 1, 1, nullptr, 1},
    {"21 ff", 2, 2, nullptr, 255}, {"22 01 00", 2, 3, nullptr, 256},
    {"24 ff ff ff ff", 2, 5, nullptr, 4294967295.0},  // beyond 31 bits a double, exactly
    {"31 ff", 3, 2, nullptr, -1}, {"33 ff ff 7f", 3, 4, nullptr, -129}, {"34 80 00 00 00", 3, 5, nullptr, INT32_MIN},
    {"91 ff", 9, 2, nullptr, 255}, {"44 3f 80 00 00", 4, 5, nullptr, 1.0}, {"44 41 ac 00 00", 4, 5, nullptr, 21.5},
    {"55 08 c0 5e dd 2f 1a 9f be 77", 5, 10, nullptr, -123.456},
    {"63 0a ff 00", 6, 4, u"0A FF 00 ", 0}, {"60", 6, 1, u"", 0},
    {"74 00 41 42 43", 7, 5, u"ABC", 0}, {"75 06 00 c3 a9 74 c3 a9", 7, 8, u"\u00e9t\u00e9", 0},
    {"82 04 a0", 8, 3, u"1010", 0}, {"83 00 ff 01", 8, 4, u"1111111100000001", 0}, {"81 00", 8, 2, u"", 0},
    {"a4 7b 0c 05 02", 10, 5, u"5-12-2023", 0}, {"a4 ff ff ff ff", 10, 5, u"xx-xx-xxxx", 0},
    {"a4 7b 0c ff ff", 10, 5, u"xx-12-2023", 0}, {"a4 7b ff 05 ff", 10, 5, u"5-xx-2023", 0},
    {"b4 0d 05 00 00", 11, 5, u"13:5:0.0", 0}, {"b4 17 3b 3b 63", 11, 5, u"23:59:59.99", 0},
    {"b4 ff 00 ff 07", 11, 5, u"xx:0:xx.7", 0},
    {"c4 02 00 04 d2", 12, 5, u"8:1234", 0}, {"c4 ff ff ff ff", 12, 5, u"1023:4194303", 0},
};

// Each wire value decodes to its form, and re-encoding gives the same bytes,
// both as decoded and after the host has shown it as text and written that
// text back.
TEST(ApplicationValues, DecodeAndRoundTripEveryDatatype) {
    for (const auto& w : kWireValues) {
        const Decoded d = Decode(w.hex);
        ASSERT_TRUE(d.ok) << w.hex;
        EXPECT_EQ(d.consumed, w.consumed) << w.hex;
        const bool real = w.datatype == encoding::kTagReal || w.datatype == encoding::kTagDouble || w.number > INT32_MAX;
        EXPECT_EQ(d.value.kind, w.text ? encoding::kKindText : real ? encoding::kKindDouble : encoding::kKindInteger);
        if (w.text != nullptr) {
            EXPECT_EQ(TextOf(d.value), w.text) << w.hex;
        } else {
            EXPECT_EQ(real ? encoding::GetDouble(d.value) : encoding::GetInteger(d.value), w.number) << w.hex;
        }

        ByteVector direct, viaText;
        const int status = encoding::EncodeApplicationValue(direct, d.value, w.datatype);
        // Octet strings are shown with spaces but written without; unspecified times cannot be written.
        if ((w.datatype == encoding::kTagOctetString && w.consumed > 1) ||
            (w.datatype == encoding::kTagTime && std::u16string(w.text).find(u'x') != std::u16string::npos)) {
            EXPECT_EQ(status, kDoesNotFit) << w.hex;
            continue;
        }
        ASSERT_EQ(status, 0) << w.hex;
        EXPECT_TRUE(BytesAre(direct, w.hex));
        ASSERT_EQ(encoding::EncodeApplicationValue(viaText, Text(encoding::ValueToText(d.value)), w.datatype), 0);
        EXPECT_TRUE(BytesAre(viaText, w.hex));
    }
}

TEST(DecodeApplicationValue, RefusesUnknownTagsAndShortFixedValues) {
    for (const char* hex : {"", "d1 00", "e4 00 00 00 00", "f0", "21", "24 00 00 00", "44 3f 80 00",
                            "41 3f",  // a real is four octets whatever its length says
                            "55 08 00 00 00 00 00 00 00", "a4 7b 0c 05", "b1 00", "c4 02 00 04"}) {
        const Decoded d = Decode(hex);
        EXPECT_FALSE(d.ok) << hex;
        EXPECT_EQ(d.consumed, 99u) << hex;
    }
}

// A string whose length runs past the input is an empty text that stops behind
// the length octets; the caller's check of what follows rejects the message.
TEST(DecodeApplicationValue, BadStringLengthsGiveAnEmptyTextAndAShortCount) {
    const struct { const char* hex; std::size_t consumed; } cases[] = {
        {"63 0a ff", 1}, {"75 06 00 41", 2}, {"65 fe 01", 2}, {"85 ff 00 00 01", 2}, {"75", 1}, {"80", 1},
        {"81 09", 2},                    // more unused bits than bits
        {"75 06 04 41 42 43 44 45", 8},  // character set 4: skipped whole, not shown
    };
    for (const auto& c : cases) {
        const Decoded d = Decode(c.hex);
        ASSERT_TRUE(d.ok) << c.hex;
        EXPECT_EQ(d.consumed, c.consumed) << c.hex;
        EXPECT_EQ(TextOf(d.value), u"") << c.hex;
    }
}

// Every tag byte with short random tails, some with a length pointing just
// past the end: nothing beyond the input is read, the count stays inside it.
TEST(DecodeApplicationValue, NeverReadsPastTheInput) {
    std::mt19937 random(20240501);
    for (int tagByte = 0; tagByte < 256; ++tagByte) {
        for (std::size_t size = 1; size <= 13; ++size) {
            for (int round = 0; round < 4; ++round) {
                std::vector<std::uint8_t> bytes(size);
                for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
                bytes[0] = static_cast<std::uint8_t>(tagByte);
                if (size > 1 && round < 2) bytes[1] = round == 0 ? static_cast<std::uint8_t>(size - 1) : 0xFE;
                HostValue value{};
                std::size_t consumed = 0;
                if (encoding::DecodeApplicationValue(bytes.data(), bytes.size(), value, consumed)) {
                    EXPECT_TRUE(consumed >= 1 && consumed <= size) << tagByte << " " << consumed;
                }
            }
        }
    }
}

// Each kind of host value as each datatype: the bytes, or 18 with nothing
// appended when the bytes are nullptr.
TEST(EncodeApplicationValue, ConvertsEachKindToTheDatatype) {
    HostValue unknownKind{};
    unknownKind.kind = 9;
    const struct { HostValue value; std::int32_t datatype; const char* hex; } cases[] = {
        {Text(u"anything"), 0, "00"}, {Integer(7), 1, "11"}, {Real(0.4), 1, "10"}, {Text(u"2"), 1, "11"},
        {Real(2.7), 2, "21 02"}, {Text(u"2.7"), 2, "21 02"}, {Text(u"-1"), 2, "24 ff ff ff ff"},
        {Integer(1000), 3, "33 00 03 e8"}, {Real(-1.9), 3, "31 ff"}, {Text(u"1e3"), 9, "92 03 e8"},
        {Integer(2), 4, "44 40 00 00 00"}, {Real(0.1), 4, "44 3d cc cc cd"}, {Text(u" 21.5"), 4, "44 41 ac 00 00"},
        {Integer(-1), 5, "55 08 bf f0 00 00 00 00 00 00"}, {Text(u"0AFF"), 6, "62 0a ff"}, {Text(u""), 6, "60"},
        {Integer(42), 7, "73 00 34 32"}, {Real(3.0), 7, "72 00 33"}, {Text(u""), 7, "71 00"},
        {Text(u""), 8, "81 00"}, {Text(u"13:05:00.50"), 11, "b4 0d 05 00 32"},
        {Text(u"x"), 1, nullptr}, {Text(u"12a"), 2, nullptr}, {Text(u""), 3, nullptr}, {Text(u"1,5"), 4, nullptr},
        {Text(u"inf"), 5, nullptr}, {unknownKind, 2, nullptr}, {unknownKind, 4, nullptr}, {Text(u"3"), 13, nullptr},
        {Integer(1), -1, nullptr}, {Text(u"12:00"), 11, nullptr}, {Text(u"0AF"), 6, nullptr},
        {Text(u"10x"), 8, nullptr}, {Text(u"5-12"), 10, nullptr},
    };
    for (const auto& c : cases) {
        ByteVector out;
        EXPECT_EQ(encoding::EncodeApplicationValue(out, c.value, c.datatype), c.hex ? 0 : kDoesNotFit) << c.datatype;
        EXPECT_TRUE(BytesAre(out, c.hex ? c.hex : "")) << c.datatype;
    }
}

TEST(EncodeApplicationValue, OnlyABadObjectIdentifierIsTraced) {
    testing_support::TraceCapture trace;
    ByteVector out;
    for (const char16_t* text : {u"8:-1", u"8", u"a:1"})
        EXPECT_EQ(encoding::EncodeApplicationValue(out, Text(text), encoding::kTagObjectIdentifier), kDoesNotFit);
    EXPECT_EQ(encoding::EncodeApplicationValue(out, Text(u"x"), encoding::kTagDate), kDoesNotFit);
    EXPECT_EQ(trace.Lines(), std::vector<std::string>(3, "Invalid format: Object Identifier"));
}

}  // namespace
