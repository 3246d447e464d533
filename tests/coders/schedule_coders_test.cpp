// Date, time and schedule values both ways. Every decode runs on a heap
// block of exactly the bytes given, so the address sanitizer reports any
// read behind them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "coders/bacnet_daily_scheduler_array_coder.hpp"
#include "coders/bacnet_daily_scheduler_coder.hpp"
#include "coders/bacnet_date_time_coder.hpp"
#include "coders/calendar_entry_list.hpp"
#include "coders/effective_period_coder.hpp"
#include "coders/event_time_stamps_coder.hpp"
#include "coders/exception_scheduler_coder.hpp"
#include "encoding/host_value.hpp"
#include "encoding/host_values.hpp"
#include "support/hex.hpp"

namespace {

using encoding::ByteVector;
using testing_support::BytesAre;
using testing_support::Hex;
using testing_values::Integer;
using testing_values::Real;

// A host value that Decode leaves alone still holds this integer.
constexpr std::int32_t kUntouched = -4242;
// Host value kinds of a text stored with StoreText and with AssignText.
constexpr std::uint32_t kStored = 3;
constexpr std::uint32_t kAssigned = 4;

std::string Narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

struct Decoded {
    std::optional<std::u16string> text;  // nothing when no text was stored
    std::uint32_t kind = 0;
    std::uint32_t consumed = 0;
};

Decoded DecodePrefix(coders::IPropertyCoder& coder, const ByteVector& bytes, std::size_t n, std::int32_t closingTag) {
    const std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[n]);
    std::copy_n(bytes.begin(), n, exact.get());
    HostValue value = Integer(kUntouched);
    Decoded d;
    coder.Decode(exact.get(), static_cast<std::uint32_t>(n), value, closingTag, d.consumed);
    d.kind = value.kind;
    if (encoding::IsTextKind(value.kind)) {
        d.text = testing_values::TextOf(value);
    } else {
        EXPECT_EQ(encoding::GetInteger(value), kUntouched);
    }
    return d;
}

// Received bytes (the value, mostly with the closing tag behind it), the
// text stored (nullptr: none) and the consumed count.
struct DecodeCase { const char* hex; std::int32_t closingTag; const char16_t* text; std::uint32_t consumed; };

void ExpectDecodes(coders::IPropertyCoder& coder, std::uint32_t kind, std::initializer_list<DecodeCase> cases) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hex);
        const auto bytes = Hex(c.hex);
        const Decoded d = DecodePrefix(coder, bytes, bytes.size(), c.closingTag);
        if (c.text == nullptr) {
            EXPECT_FALSE(d.text.has_value()) << Narrow(d.text.value_or(u""));
        } else {
            EXPECT_EQ(d.text, std::u16string(c.text)) << Narrow(d.text.value_or(u"(nothing)"));
            EXPECT_EQ(d.kind, kind);
        }
        EXPECT_EQ(d.consumed, c.consumed);
    }
}

// A host value to write and the bytes it gives; nullptr: refused with 18.
struct EncodeCase { HostValue value; const char* hex; };

EncodeCase Writes(const char16_t* text, const char* hex) { return {testing_values::Text(text), hex}; }

void ExpectEncodes(coders::IPropertyCoder& coder, std::initializer_list<EncodeCase> cases) {
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(encoding::IsTextKind(c.value.kind) ? testing_values::TextOf(c.value) : u"(number)"));
        ByteVector out;
        const std::uint32_t status = coder.Encode(out, c.value, -1);
        if (c.hex == nullptr) {
            EXPECT_EQ(status, 18u);
        } else {
            EXPECT_EQ(status, 0u);
            EXPECT_TRUE(BytesAre(out, c.hex));
        }
    }
}

// Each text writes bytes that, with a closing tag behind, read back as the
// same text up to that tag.
void ExpectRoundTrips(coders::IPropertyCoder& coder, std::initializer_list<const char16_t*> texts) {
    for (const char16_t* text : texts) {
        SCOPED_TRACE(Narrow(text));
        ByteVector out;
        ASSERT_EQ(coder.Encode(out, testing_values::Text(text), -1), 0u);
        const std::size_t size = out.size();
        out.push_back(0x3F);
        const Decoded d = DecodePrefix(coder, out, out.size(), 3);
        EXPECT_EQ(d.text, std::u16string(text));
        EXPECT_EQ(d.consumed, size);
    }
}

// Every cut of a whole frame keeps consumed inside the cut. Cuts shorter
// than textFrom store nothing and longer ones the whole frame's text; with
// prefixes, a cut may store any start of it.
void ExpectCuts(coders::IPropertyCoder& coder, const char* hex, std::int32_t closingTag, std::size_t textFrom,
                bool prefixes = false) {
    const auto bytes = Hex(hex);
    const Decoded whole = DecodePrefix(coder, bytes, bytes.size(), closingTag);
    ASSERT_TRUE(whole.text.has_value());
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        SCOPED_TRACE(testing_support::ToHex(bytes.data(), n));
        const Decoded cut = DecodePrefix(coder, bytes, n, closingTag);
        EXPECT_LE(cut.consumed, n);
        if (prefixes) {
            if (cut.text) {
                EXPECT_EQ(whole.text->compare(0, cut.text->size(), *cut.text), 0) << Narrow(*cut.text);
            }
        } else if (n < textFrom) {
            EXPECT_FALSE(cut.text.has_value()) << Narrow(cut.text.value_or(u""));
        } else {
            EXPECT_EQ(cut.text, whole.text);
        }
    }
}

constexpr const char* kMondayOnly =
    "0e b4 08 00 00 00 44 41 ac 00 00 b4 11 00 00 00 00 0f 0e 0f 0e 0f 0e 0f 0e 0f 0e 0f 0e 0f 3f";
constexpr const char* kDateList = "0c 7c 0c 18 02 1e a4 7c 01 01 01 a4 7c 01 02 02 1f 2b ff ff 01 3f";
constexpr const char* kTwoEvents =
    "0e 0c 7c 0c 18 02 0f 2e b4 08 00 00 00 44 41 90 00 00 b4 11 00 00 00 00 2f 39 0a"
    "0e 1e a4 7c 01 01 01 a4 7c 01 06 06 1f 0f 2e b4 00 00 00 00 91 00 2f 39 10 3f";

TEST(BACnetDateTimeCoder, BothWays) {
    coders::BACnetDateTimeCoder coder;
    ExpectDecodes(coder, kStored, {
        {"a4 7b 0c 05 02 b4 0d 00 00 00 3f", 3, u"5-12-2023 13:0:0.0", 10},
        {"a4 ff ff ff ff b4 ff ff ff ff 4f", 4, u"xx-xx-xxxx xx:xx:xx.xx", 10},
        {"21 05 44 41 ac 00 00 3f", 3, u"5 21.5", 7},  // whatever two values stand there
        {"3f", 3, u"", 0}, {"4f", 4, u"", 0}, {"0f", 3, u"", 0},
        {"31 05 21 01 3f", 3, u"", 0},                 // a first tag number equal to the closing tag means absent
        {"31 05 21 01 4f", 4, u"5 1", 4},
        {"a4 7b 0c 05 02 3f", 3, nullptr, 0},         // the time is missing
        {"e4 00 00 00 00 b4 0d 00 00 00 3f", 3, nullptr, 0},
    });
    ExpectEncodes(coder, {
        Writes(u"5-12-2023 13:0:0.0", "a4 7b 0c 05 02 b4 0d 00 00 00"),
        Writes(u"  5-12-2023 13:0:0.0 ", "a4 7b 0c 05 02 b4 0d 00 00 00"),
        Writes(u"xx-12-xxxx 8:0:0.0", "a4 ff 0c ff ff b4 08 00 00 00"),
        Writes(u"5-12-2023  13:0:0.0", nullptr), Writes(u"5-12-2023", nullptr), Writes(u"", nullptr),
        Writes(u"   ", nullptr), Writes(u"5-12-2023 xx:xx:xx.xx", "a4 7b 0c 05 02 b4 ff ff ff ff"), Writes(u"5-12-2023 13:0:0", nullptr),
        Writes(u"5-13-2023 13:0:0.0", nullptr), Writes(u"5-12-2023 13:0:0.0 x", nullptr),
        {Integer(5), nullptr}, {Real(5.5), nullptr},
    });
    ExpectRoundTrips(coder, {u"5-12-2023 13:5:0.50", u"xx-12-xxxx 0:0:0.0", u"29-2-2024 23:59:59.99"});
    ExpectCuts(coder, "a4 7b 0c 05 02 b4 0d 00 00 00 3f", 3, 10);
}

TEST(EffectivePeriodCoder, BothWays) {
    coders::EffectivePeriodCoder coder;
    ExpectDecodes(coder, kStored, {
        {"a4 7c 01 01 01 a4 7c 0c 1f 02 3f", 3, u"1-1-2024|31-12-2024", 10},
        {"a4 7c 01 01 01 3f", 3, nullptr, 5},  // only one date: nothing shown
        {"a4 7c 01 01 01 4f", 4, nullptr, 5},
        {"a4 7c 01 01 01 4f", 3, nullptr, 5},
        {"3f", 3, nullptr, 0},
    });
    ExpectEncodes(coder, {
        Writes(u"1-1-2024|31-12-2024", "a4 7c 01 01 01 a4 7c 0c 1f 02"),
        Writes(u"xx-xx-xxxx|xx-xx-xxxx", "a4 ff ff ff ff a4 ff ff ff ff"),
        Writes(u"1-1-2024", nullptr), Writes(u"1-1-2024|2-1-2024|3-1-2024", nullptr), Writes(u"1-1-2024|", nullptr),
        Writes(u"1-1-2024|1-13-2024", nullptr), Writes(u"1-1-2024,31-12-2024", nullptr), {Integer(5), nullptr},
    });
    ExpectRoundTrips(coder, {u"1-1-2024|31-12-2024", u"xx-1-xxxx|31-xx-2100"});
    ExpectCuts(coder, "a4 7c 01 01 01 a4 7c 0c 1f 02 3f", 3, 10);
}

TEST(EventTimeStampsCoder, BothWays) {
    coders::EventTimeStampsCoder coder;
    ExpectDecodes(coder, kStored, {
        {"2e a4 7b 0c 05 02 b4 0d 05 00 00 2f 2e a4 ff ff ff ff b4 ff ff ff ff 2f"
         "2e a4 7b 0c 06 03 b4 08 1e 00 00 2f 3f", 3,
         u"2|5-12-2023 13:5:0.0;2|xx-xx-xxxx xx:xx:xx.xx;2|6-12-2023 8:30:0.0", 36},
        {"0e b4 08 00 00 00 0f 1e 24 00 01 00 00 1f 2e a4 7b 0c 05 02 b4 0d 00 00 00 2f 4f", 4,
         u"0|8:0:0.0;1|65536;2|5-12-2023 13:0:0.0", 26},
        {"3e a4 7b 0c 05 02 b4 0d 00 00 00 3f 4f", 4, u"2|5-12-2023 13:0:0.0", 12},  // other choices: date-time
        {"0e b4 08 00 00 00 1f 3f", 3, u"0|8:0:0.0", 7},    // the closing tag's number is not looked at
        {"0e b4 08 00 00 00 0f 1e 21 05 1f 3f", 3, u"0|8:0:0.0;1|5", 11},  // stops where the items stop
        {"0e b4 08 00 00 00 21 05", 3, u"0|8:0:0.0", 6},     // no closing tag behind the item
        {"0c 08 00 00 00 3f", 3, u"", 0},                    // context-tagged primitives are not read
        {"3f", 3, u"", 0}, {"4f", 4, u"", 0}, {"0f", 4, u"", 0},
    });
    ExpectEncodes(coder, {
        Writes(u"2|5-12-2023 13:0:0.0;1|0;0|8:0:0.0",
               "2e a4 7b 0c 05 02 b4 0d 00 00 00 2f 1e 21 00 1f 0e b4 08 00 00 00 0f"),
        Writes(u" 1|300;1|1;1|70000 ", "1e 22 01 2c 1f 1e 21 01 1f 1e 23 01 11 70 1f"),
        // Unspecified fields are written as read.
        Writes(u"2|5-12-2023 13:0:0.0;2|xx-xx-xxxx xx:xx:xx.xx;1|7",
               "2e a4 7b 0c 05 02 b4 0d 00 00 00 2f 2e a4 ff ff ff ff b4 ff ff ff ff 2f 1e 21 07 1f"),
        Writes(u"1|0;1|0", nullptr), Writes(u"1|0;1|0;1|0;1|0", nullptr), Writes(u"1|0;1|0;3|0", nullptr),
        Writes(u"1|0;1|0;a|0", nullptr), Writes(u"1|0;1|0;1", nullptr), Writes(u"1|0;1|0;1|0|0", nullptr),
        Writes(u"1|0;1|0;1|x", nullptr), Writes(u"1|0;1|0;0|8:0:0", nullptr), Writes(u"", nullptr),
        {Integer(1), nullptr},
    });
    ExpectRoundTrips(coder, {u"2|5-12-2023 13:0:0.0;1|0;0|8:0:0.0", u"1|65535;0|23:59:59.99;2|xx-xx-xxxx 0:0:0.0"});
    ExpectCuts(coder, "2e a4 7b 0c 05 02 b4 0d 00 00 00 2f 1e 21 00 1f 0e b4 08 00 00 00 0f 3f", 3, 0, true);
}

TEST(BACnetDailySchedulerCoder, BothWays) {
    coders::BACnetDailySchedulerCoder coder;
    ExpectDecodes(coder, kAssigned, {
        {"b4 08 00 00 00 44 41 ac 00 00 b4 11 00 00 00 00 0f", 0, u"8:0:0.0,4,21.5;17:0:0.0,0,NULL", 16},
        {"b4 08 00 00 00 10 0f", 0, u"8:0:0.0,1,0", 6},
        {"bc 08 00 00 00 21 05 0f", 0, u"8:0:0.0,2,5", 7},  // the class bit is not looked at
        {"b4 08 00 00 00 91 01 21 05 0f", 0, u"8:0:0.0,9,1", 7},  // a day is pairs while times come
        {"21 05 0f", 0, nullptr, 0}, {"0f", 0, nullptr, 0}, {"b4 08 00 00 00", 0, nullptr, 0},
    });
    ExpectEncodes(coder, {
        Writes(u"8:0:0.0,4,21.5", "b4 08 00 00 00 44 41 ac 00 00"),
        Writes(u"17:0:0.0,0,NULL", "b4 11 00 00 00 00"),
        Writes(u"7:30:0.0,9,1;7:30:0.0,1,1;7:30:0.0,+2,5;0:0:0.0,x,5",
               "b4 07 1e 00 00 91 01 b4 07 1e 00 00 11 b4 07 1e 00 00 21 05 b4 00 00 00 00 00"),
        Writes(u"6:0:0.0,7,Hello", "b4 06 00 00 00 75 06 00 48 65 6c 6c 6f"),
        Writes(u"", nullptr), Writes(u"8:0:0.0,4", nullptr), Writes(u"8:0:0.0,4,21.5,1", nullptr),
        Writes(u"8:0:0.0,4,abc", nullptr), Writes(u"8:0:0,4,1", nullptr), Writes(u"25:0:0.0,2,1", nullptr),
        Writes(u"8:0:0.0,13,1", nullptr), Writes(u"8:0:0.0,4,1;", nullptr),
    });
    ExpectCuts(coder, "b4 08 00 00 00 44 41 ac 00 00 b4 11 00 00 00 00 0f", 0, 0, true);
}

TEST(BACnetDailySchedulerArrayCoder, BothWays) {
    coders::BACnetDailySchedulerArrayCoder coder;
    ExpectDecodes(coder, kAssigned, {
        {kMondayOnly, 3, u"8:0:0.0,4,21.5;17:0:0.0,0,NULL||||||", 30},
        {"0e 0f 0e 0f 0e 0f 0e 0f 0e 0f 0e 0f 0e 0f 4f", 4, u"||||||", 14},
        {"0e 0f 0e 0f 0e 0f 0e 0f 0e 0f 0e 0f 3f", 3, nullptr, 0},        // six days
        {"0e 21 05 0f 0e 0f 0e 0f 0e 0f 0e 0f 0e 0f 0e 0f 3f", 3, nullptr, 0},  // a day without time
        {"0e b4 08 00 00 00 21 05 1f 0e 0f 0e 0f 0e 0f 0e 0f 0e 0f 0e 0f 3f", 3, nullptr, 0},
        {"1e 0f 0e 0f 0e 0f 0e 0f 0e 0f 0e 0f 0e 0f 3f", 3, nullptr, 0},
        {"3f", 3, nullptr, 0},
    });
    ExpectCuts(coder, kMondayOnly, 3, 30);
    ExpectEncodes(coder, {
        Writes(u"8:0:0.0,4,21.5;17:0:0.0,0,NULL||||||",
               "0e b4 08 00 00 00 44 41 ac 00 00 b4 11 00 00 00 00 0f 0e 0f 0e 0f 0e 0f 0e 0f 0e 0f 0e 0f"),
        Writes(u"||||||", "0e 0f 0e 0f 0e 0f 0e 0f 0e 0f 0e 0f 0e 0f"),
        Writes(u"|||||", nullptr), Writes(u"|||||||", nullptr), Writes(u"x||||||", nullptr),
        Writes(u"8:0:0.0,4||||||", nullptr), {Integer(7), nullptr},
    });
    ExpectRoundTrips(coder, {
        u"7:0:0.0,4,21.5;18:30:0.0,0,NULL|7:0:0.0,4,21.5;18:30:0.0,0,NULL|7:0:0.0,4,21.5;18:30:0.0,0,NULL|"
        u"7:0:0.0,4,21.5;18:30:0.0,0,NULL|7:0:0.0,4,21.5;18:30:0.0,0,NULL|9:0:0.0,9,1;13:0:0.0,9,0|",
        u"6:0:0.0,1,1;22:0:0.0,1,0||||||0:0:0.0,2,65535;12:0:0.0,7,Lunch",
    });
}

TEST(BACnetDailySchedulerArrayCoder, AHundredPairsADayAtMost) {
    coders::BACnetDailySchedulerArrayCoder coder;
    for (const std::size_t pairs : {100u, 101u}) {
        encoding::ByteVector bytes{0x0E};
        for (std::size_t i = 0; i < pairs; ++i) bytes.insert(bytes.end(), {0xB4, 0x08, 0x00, 0x00, 0x00, 0x00});
        bytes.push_back(0x0F);
        for (int day = 1; day < 7; ++day) bytes.insert(bytes.end(), {0x0E, 0x0F});
        bytes.push_back(0x3F);
        const auto d = DecodePrefix(coder, bytes, bytes.size(), 3);
        EXPECT_EQ(d.text.has_value(), pairs == 100) << pairs;
    }
}

TEST(CalendarEntryList, BothWays) {
    coders::CalendarEntryList coder;
    ExpectDecodes(coder, kStored, {
        {kDateList, 3, u"24-12-2024|1-1-2024,2-1-2024|FF#FF#1", 21},
        {"0c ff 0c ff ff 2b 0c 05 07 4f", 4, u"xx-12-xxxx|C#5#7", 9},
        {"1e a4 7c 01 01 01 a4 7c 01 02 02 0f 3f", 3, u"1-1-2024,2-1-2024", 12},  // any closing tag ends a range
        {"0c 7c 0c 18 02 0f", 3, u"24-12-2024", 5},
        {"3f", 3, u"", 0}, {"4f", 4, u"", 0}, {"3e", 3, u"", 0},
        {"0c 7c 0c", 3, nullptr, 0},
        {"0c 7c 0c 18 02 2b ff ff 01", 3, nullptr, 0},  // the bytes end before a closing tag
        {"1e a4 7c 01 01 01 a4 7c 01 02 02 2b ff ff 01 3f", 3, nullptr, 0},
        {"1e a4 7c 01 01 01 3f", 3, nullptr, 0},
    });
    ExpectCuts(coder, kDateList, 3, 22);
    ExpectEncodes(coder, {
        Writes(u"FF#FF#1", "2b ff ff 01"), Writes(u"c#1#", "2b 0c 01 00"), Writes(u"1FF#2#3", "2b ff 02 03"),
        Writes(u"1-1-2024,2-1-2024", "1e a4 7c 01 01 01 a4 7c 01 02 02 1f"),
        Writes(u"xx-12-XXXX", "0c ff 0c ff ff"), Writes(u"XX-xx-2024", "0c 7c ff ff ff"),
        Writes(u"24-12-2024", "0c 7c 0c 18 02"),
        Writes(u" 24-12-2024 | FF#FF#1 ||", "0c 7c 0c 18 02 2b ff ff 01"), Writes(u"|", ""),
        Writes(u"", nullptr), Writes(u"  ", nullptr), {Integer(1), nullptr},
        Writes(u"1-1-2024,2-1-2024,3-1-2024", nullptr), Writes(u"XX-1-2024,2-1-2024", nullptr),
        Writes(u"1-1-2024,", nullptr), Writes(u"G#1#1", nullptr), Writes(u"1#1", nullptr),
        Writes(u"-1#1#1", nullptr), Writes(u"xX-1-2024", nullptr), Writes(u"32-1-2024", nullptr),
        Writes(u"1-1-1899", nullptr), Writes(u"1-1-255", nullptr), Writes(u"1-1", nullptr),
        Writes(u"24-12-2024|1-13-2024", nullptr),
    });
    ExpectRoundTrips(coder, {u"24-12-2024|1-1-2024,2-1-2024|FF#FF#1", u"xx-12-xxxx|C#5#7|1-xx-2025"});
}

TEST(ExceptionSchedulerCoder, BothWays) {
    coders::ExceptionSchedulerCoder coder;
    ExpectDecodes(coder, kStored, {
        {kTwoEvents, 3, u"24-12-2024;8:0:0.0/4:18,17:0:0.0/0:NULL;10|1-1-2024,6-1-2024;0:0:0.0/9:0;16", 52},
        {"0e 0c 7c 0c 18 02 0f 2e 2f 4f", 3, u"24-12-2024;;", 9},  // no priority; either value closing tag
        {"3f", 3, u"", 0}, {"4f", 3, u"", 0}, {"5f", 3, nullptr, 0},
        {"0e 1b ff ff 01 0f 2e 2f 39 01 3f", 3, nullptr, 0},                // week-n-day periods are not read
        {"0e 0c 7c 0c 18 02 0f 2e 2f 39 0a 21 05 3f", 3, nullptr, 0},
        {"0e 1e a4 7c 01 01 01 a4 7c 01 06 06 0f 2e 2f 39 0a 3f", 3, nullptr, 0},
        {"0e 0c 7c 0c 18 02 0f 39 0a 3f", 3, nullptr, 0},
        {"0e 0c 7c 0c 18 02 0f 2e b4 08 00 00 00 2f 3f", 3, nullptr, 0},  // a time without value
    });
    ExpectCuts(coder, kTwoEvents, 3, 53);
    ExpectEncodes(coder, {
        Writes(u"24-12-2024;8:0:0.0/4:18;10", "0e 0c 7c 0c 18 02 0f 2e b4 08 00 00 00 44 41 90 00 00 2f 39 0a"),
        // Bad dates become zero dates.
        Writes(u"x;8:0:0.0/4:18;10", "0e 0c 00 00 00 00 0f 2e b4 08 00 00 00 44 41 90 00 00 2f 39 0a"),
        Writes(u"1-1-2024,bad;;16", "0e 1e a4 7c 01 01 01 a4 00 00 00 00 1f 0f 2e 2f 39 10"),
        Writes(u"1-1-2024,2-1-2024,3-1-2024;;1", "0e 1e a4 7c 01 01 01 a4 7c 01 02 02 1f 0f 2e 2f 39 01"),
        // Values keep their own colons.
        Writes(u"1-1-2024;0:0:0.0/12:8:1234,6:0:0.0/11:12:0:0.0;16",
               "0e 0c 7c 01 01 01 0f 2e b4 00 00 00 00 c4 02 00 04 d2 b4 06 00 00 00 b4 0c 00 00 00 2f 39 10"),
        // Items out of shape are skipped or cut short, values that do not encode left out.
        Writes(u"1-1-2024;8:0:0.0,9:0:0.0/2:5;1", "0e 0c 7c 01 01 01 0f 2e b4 09 00 00 00 21 05 2f 39 01"),
        Writes(u"1-1-2024;8:0:0.0/5;1", "0e 0c 7c 01 01 01 0f 2e b4 08 00 00 00 2f 39 01"),
        Writes(u"1-1-2024;8:0:0.0/4:abc;1", "0e 0c 7c 01 01 01 0f 2e b4 08 00 00 00 2f 39 01"),
        Writes(u"1-1-2024;25:0:0.0/4:1;1", "0e 0c 7c 01 01 01 0f 2e 44 3f 80 00 00 2f 39 01"),
        Writes(u"1-1-2024;;300", "0e 0c 7c 01 01 01 0f 2e 2f 39 2c"),
        Writes(u"", ""), Writes(u"||", ""),
        Writes(u"1-1-2024;8:0:0.0/4:18", nullptr), Writes(u"a;b;c;d", nullptr),
        Writes(u"24-12-2024;8:0:0.0/4:18;10|1-1-2024", nullptr), {Integer(5), nullptr},
    });
    ExpectRoundTrips(coder, {
        u"24-12-2024;8:0:0.0/4:18,17:0:0.0/0:NULL;10|1-1-2024,6-1-2024;0:0:0.0/9:0;16",
        u"xx-12-xxxx;6:30:0.0/12:8:1234,7:0:0.0/11:12:0:0.0,8:0:0.0/7:On;1",
    });
}

// Random bytes, mostly the tags these values are made of so that decoding
// gets deep before they end.
TEST(ScheduleCodersBounds, RandomBytesStayWithinLength) {
    coders::BACnetDateTimeCoder dateTime;
    coders::EffectivePeriodCoder period;
    coders::EventTimeStampsCoder stamps;
    coders::BACnetDailySchedulerCoder day;
    coders::BACnetDailySchedulerArrayCoder week;
    coders::CalendarEntryList dates;
    coders::ExceptionSchedulerCoder exceptions;
    coders::IPropertyCoder* const all[] = {&dateTime, &period, &stamps, &day, &week, &dates, &exceptions};
    const std::uint8_t likely[] = {0x0e, 0x0f, 0x1e, 0x1f, 0x2e, 0x2f, 0x0c, 0x2b, 0x39, 0x3f, 0x4f, 0x1b,
                                   0xa4, 0xb4, 0x00, 0x10, 0x21, 0x44, 0x55, 0x75, 0x65, 0x82, 0x91, 0xc4};
    std::mt19937 random(6202);
    for (int round = 0; round < 1500; ++round) {
        ByteVector bytes(random() % 48);
        for (auto& b : bytes) b = random() % 3 ? likely[random() % sizeof likely] : static_cast<std::uint8_t>(random());
        for (coders::IPropertyCoder* coder : all) {
            for (const std::int32_t closingTag : {3, 4})
                ASSERT_LE(DecodePrefix(*coder, bytes, bytes.size(), closingTag).consumed, bytes.size())
                    << testing_support::ToHex(bytes);
        }
    }
}

}  // namespace
