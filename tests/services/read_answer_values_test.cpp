// What a device's answer becomes at the host: numbers of any width the
// standard allows arrive exactly or not at all, and an answer that breaks
// the encoding never becomes a value. Through the driver's entries, against
// a scripted device.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "encoding/host_value.hpp"
#include "encoding/value_conversions.hpp"
#include "platform/utf.hpp"
#include "support/scripted_device.hpp"

namespace {

using testing_support::FinishedScan;
using testing_support::NumberOf;

constexpr std::int32_t kQualityGood = 192;
constexpr std::int32_t kMalformedAnswer = 2;
constexpr std::int32_t kOtherReadError = 19;

// A ReadProperty-ACK for MSV:3 present-value whose value is valueHex.
std::string ReadPropertyAck(const std::string& valueHex) {
    return "30 %ID% 0c 0c 04 c0 00 03 19 55 3e " + valueHex + " 3f";
}

class ReadAnswerValuesTest : public testing_support::ScriptedDeviceTest {
protected:
    FinishedScan ReadOne(const std::string& valueHex) {
        return ReadAnswered({u"MSV:3:PRESENT-VALUE"}, ReadPropertyAck(valueHex));
    }
    bool Logged(const std::string& line) const {
        const auto lines = LogLines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
};

struct WideNumber {
    const char* valueHex;
    double number;
    std::uint32_t kind;
    const char16_t* text;
};

TEST_F(ReadAnswerValuesTest, NumbersOfEveryWidthArriveExactlyAndFittingOnesStayIntegers) {
    const WideNumber cases[] = {
        {"25 05 01 ff ff ff ff", 8589934591.0, encoding::kKindDouble, u"8589934591"},      // five-octet Unsigned
        {"24 ff ff ff ff", 4294967295.0, encoding::kKindDouble, u"4294967295"},            // Unsigned above 2^31
        {"94 80 00 00 00", 2147483648.0, encoding::kKindDouble, u"2147483648"},            // Enumerated 2^31
        {"25 07 20 00 00 00 00 00 00", 9007199254740992.0, encoding::kKindDouble, u"9007199254740992"},  // 2^53
        {"35 05 fe 00 00 00 00", -8589934592.0, encoding::kKindDouble, u"-8589934592"},    // five-octet Signed
        {"35 06 ff ff ff ff ff f9", -7.0, encoding::kKindInteger, u"-7"},                  // wide but small
        {"24 7f ff ff ff", 2147483647.0, encoding::kKindInteger, u"2147483647"},
        {"34 80 00 00 00", -2147483648.0, encoding::kKindInteger, u"-2147483648"},
    };
    for (const WideNumber& expected : cases) {
        SCOPED_TRACE(expected.valueHex);
        const FinishedScan scan = ReadOne(expected.valueHex);
        ASSERT_TRUE(scan.finished);
        EXPECT_EQ(scan.status, kStatusUntouched);
        EXPECT_EQ(scan.values[0].quality, kQualityGood);
        EXPECT_EQ(scan.values[0].kind, expected.kind);
        EXPECT_EQ(NumberOf(scan.values[0]), expected.number);
        EXPECT_EQ(platform::Utf16ToUtf8(encoding::ValueToText(scan.values[0])),
                  platform::Utf16ToUtf8(expected.text));
    }
}

TEST_F(ReadAnswerValuesTest, AWideNumberInAGroupCostsNoOtherLine) {
    const FinishedScan scan = ReadAnswered(
        {u"MSV:3:PRESENT-VALUE", u"MSV:4:PRESENT-VALUE", u"MSV:3:OBJECT-NAME"},
        "30 %ID% 0e 0c 04 c0 00 03 1e 29 55 4e 25 05 01 ff ff ff ff 4f 29 4d 4e 74 00 41 42 43 4f 1f "
        "0c 04 c0 00 04 1e 29 55 4e 21 05 4f 1f");
    ASSERT_TRUE(scan.finished);
    EXPECT_EQ(scan.status, kStatusUntouched);
    for (const HostValue& value : scan.values) EXPECT_EQ(value.quality, kQualityGood);
    EXPECT_EQ(NumberOf(scan.values[0]), 8589934591.0);
    EXPECT_EQ(NumberOf(scan.values[1]), 5.0);
    EXPECT_EQ(platform::Utf16ToUtf8(encoding::ValueToText(scan.values[2])), "ABC");
}

TEST_F(ReadAnswerValuesTest, ANumberBeyondExactRangeIsNotDeliveredAndTheOtherLinesAre) {
    const FinishedScan alone = ReadOne("25 08 ff ff ff ff ff ff ff ff");
    ASSERT_TRUE(alone.finished);
    EXPECT_EQ(alone.status, kOtherReadError);
    EXPECT_NE(alone.values[0].quality, kQualityGood);
    EXPECT_TRUE(Logged("Warning: Number beyond exact range not delivered: 18446744073709551615"));

    const FinishedScan group = ReadAnswered({u"MSV:3:PRESENT-VALUE", u"MSV:4:PRESENT-VALUE"},
                                            "30 %ID% 0e 0c 04 c0 00 03 1e 29 55 4e 35 08 80 00 00 00 00 00 00 01 4f 1f "
                                            "0c 04 c0 00 04 1e 29 55 4e 21 05 4f 1f");
    ASSERT_TRUE(group.finished);
    EXPECT_EQ(group.status, kOtherReadError);
    EXPECT_NE(group.values[0].quality, kQualityGood);
    EXPECT_EQ(group.values[1].quality, kQualityGood);
    EXPECT_EQ(NumberOf(group.values[1]), 5.0);
    EXPECT_TRUE(Logged("Warning: Number beyond exact range not delivered: -9223372036854775807"));
}

TEST_F(ReadAnswerValuesTest, AMalformedReadPropertyAnswerGivesNoValueButTheMalformedStatus) {
    const char* malformed[] = {
        "7e",                    // a context opening tag where the value stands
        "1e",
        "0e",
        "3e 3e 44 44 7a 70 00",  // nested opening tags around a Real
        "",                      // no value at all
        "75 21",                 // a character string longer than the datagram
        "65 f0",                 // an octet string longer than the datagram
        "65 fe 00",              // its two-octet length cut short
        "76 00",                 // an application tag with an opening tag's length field
    };
    for (const char* valueHex : malformed) {
        SCOPED_TRACE(valueHex);
        const FinishedScan scan = ReadOne(valueHex);
        ASSERT_TRUE(scan.finished);
        EXPECT_EQ(scan.status, kMalformedAnswer);
        EXPECT_NE(scan.values[0].quality, kQualityGood);
    }
    EXPECT_TRUE(Logged("Error: 2"));
}

TEST_F(ReadAnswerValuesTest, AMalformedValueInAReadPropertyMultipleAnswerGivesNoValue) {
    for (const char* valueHex : {"7e", "75 21", "0e"}) {
        SCOPED_TRACE(valueHex);
        const FinishedScan scan = ReadAnswered({u"AV:3:PRESENT-VALUE", u"AV:3:OBJECT-NAME"},
                                               std::string("30 %ID% 0e 0c 00 80 00 03 1e 29 55 4e 44 41 ac 00 00 4f "
                                                           "29 4d 4e ") +
                                                   valueHex + " 4f 1f");
        ASSERT_TRUE(scan.finished);
        EXPECT_EQ(scan.status, kMalformedAnswer);
        EXPECT_EQ(scan.values[0].quality, kQualityGood);
        EXPECT_EQ(NumberOf(scan.values[0]), 21.5);
        EXPECT_NE(scan.values[1].quality, kQualityGood);
    }
}

}  // namespace
