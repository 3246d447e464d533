#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "encoding/number_text.hpp"
#include "encoding/tags.hpp"
#include "encoding/value_conversions.hpp"
#include "host_values.hpp"

namespace {

using namespace testing_values;

constexpr int kDoesNotFit = encoding::kStatusValueDoesNotFit;

TEST(ParseNumber, WholeTextAsADecimalNumber) {
    const std::u16string tiny = u"0." + std::u16string(400, u'0') + u"1";
    const struct { std::u16string text; bool ok; std::int32_t value; } cases[] = {
        {u"12", true, 12}, {u"12.9", true, 12}, {u"-12.9", true, -12}, {u"1e3", true, 1000}, {u" 7", true, 7},
        {u"\t+7", true, 7}, {u".5", true, 0}, {u"5.", true, 5}, {u"2.5E+1", true, 25}, {u"1e-400", true, 0},
        {tiny, true, 0}, {u"2147483648", true, INT32_MAX}, {u"-1e20", true, INT32_MIN},
        {u"", false, 0}, {u"12a", false, 0}, {u"12 ", false, 0}, {u"x", false, 0}, {u"+-5", false, 0},
        {u"- 5", false, 0}, {u".", false, 0}, {u"1e", false, 0}, {u"1.2.3", false, 0}, {u"0x10", false, 0},
        {u"inf", false, 0}, {u"nan", false, 0}, {u"1e400", false, 0}, {u"1,5", false, 0},
    };
    for (const auto& c : cases) {
        std::int32_t value = -99;
        EXPECT_EQ(encoding::ParseNumber(c.text, value), c.ok) << std::string(c.text.begin(), c.text.end());
        EXPECT_EQ(value, c.ok ? c.value : -99) << std::string(c.text.begin(), c.text.end());
    }
    const struct { const char16_t* text; std::uint32_t value; } unsignedCases[] = {
        {u"4294967295", 4294967295u}, {u"1e20", 4294967295u}, {u"-1", 4294967295u}, {u"-1e20", 0x80000000u},
    };
    for (const auto& c : unsignedCases) {
        std::uint32_t value = 0;
        EXPECT_TRUE(encoding::ParseUnsignedNumber(c.text, value));
        EXPECT_EQ(value, c.value);
    }
}

TEST(ValueToText, EachKind) {
    HostValue unknownKind{};
    unknownKind.kind = 5;
    HostValue assigned{};
    ::AssignText(&assigned, u"assigned");
    const struct { HostValue value; std::u16string text; } cases[] = {
        {Integer(-5), u"-5"}, {Integer(INT32_MIN), u"-2147483648"}, {HostValue{}, u"0"}, {Real(1.25), u"1.25"},
        {Real(3.0), u"3"}, {Real(100.0), u"100"}, {Real(0.000001), u"0.000001"}, {Real(0.0000004), u"0"},
        {Real(-0.5), u"-0.5"}, {Real(1e20), u"100000000000000000000"}, {Text(u"text"), u"text"},
        {assigned, u"assigned"}, {unknownKind, u""},
        {Text(std::u16string(2000, u'a')), std::u16string(1024, u'a')},
    };
    for (const auto& c : cases) EXPECT_EQ(encoding::ValueToText(c.value), c.text);
    // "%f" into 80 characters: cut, and without a point nothing is trimmed.
    const std::u16string huge = encoding::ValueToText(Real(1e300));
    EXPECT_EQ(huge.size(), 79u);
    EXPECT_EQ(huge.substr(0, 16), u"1000000000000000");
}

TEST(ValueToNumber, EachKind) {
    HostValue kindZero = Integer(6);
    kindZero.kind = encoding::kKindNone;
    HostValue unknownKind{};
    unknownKind.kind = 7;
    const struct { HostValue value; int unsignedStatus; std::uint32_t asUnsigned; int doubleStatus; double asDouble; } cases[] = {
        {Integer(-1), 0, 0xFFFFFFFFu, 0, -1.0}, {kindZero, 0, 6, 0, 6.0}, {Real(2.7), 0, 2, 0, 2.7},
        {Real(-2.7), 0, 0xFFFFFFFEu, 0, -2.7}, {Real(std::nan("")), kDoesNotFit, 0, 0, 0},
        {Text(u"2.7"), 0, 2, 0, 2.7}, {Text(u"-1"), 0, 0xFFFFFFFFu, 0, -1.0}, {Text(u"1e-3"), 0, 0, 0, 0.001},
        {Text(u"12a"), kDoesNotFit, 0, kDoesNotFit, 0}, {unknownKind, kDoesNotFit, 0, kDoesNotFit, 0},
    };
    for (const auto& c : cases) {
        std::uint32_t u = 0;
        double d = 0;
        EXPECT_EQ(encoding::ValueToUnsigned(c.value, u), c.unsignedStatus) << c.asDouble;
        EXPECT_EQ(u, c.asUnsigned) << c.asDouble;
        EXPECT_EQ(encoding::ValueToDouble(c.value, d), c.doubleStatus) << c.asDouble;
        if (!std::isnan(d)) {
            EXPECT_EQ(d, c.asDouble);
        }
    }
    bool flag = true;
    EXPECT_EQ(encoding::ValueToBoolean(Real(0.9), flag), 0);
    EXPECT_FALSE(flag);
    EXPECT_EQ(encoding::ValueToBoolean(Text(u"true"), flag), kDoesNotFit);
}

}  // namespace
