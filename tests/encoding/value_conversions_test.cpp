#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "encoding/host_value.hpp"
#include "encoding/number_text.hpp"
#include "encoding/tags.hpp"
#include "encoding/value_conversions.hpp"
#include "host_values.hpp"

namespace {

using testing_values::Integer;
using testing_values::Real;
using testing_values::Text;

constexpr int kDoesNotFit = encoding::kStatusValueDoesNotFit;

TEST(ParseNumber, WholeTextAsADecimalNumber) {
    const struct { const char16_t* text; bool ok; std::int32_t value; } cases[] = {
        {u"12", true, 12}, {u"12.9", true, 12}, {u"-12.9", true, -12}, {u"1e3", true, 1000},
        {u" 7", true, 7}, {u"\t+7", true, 7}, {u"-0", true, 0}, {u".5", true, 0}, {u"5.", true, 5},
        {u"2.5E+1", true, 25}, {u"1e-400", true, 0}, {u"0.000000000000000000000000000000000000000000000000"
                                                        u"00000000000000000000000000000000000000000000000000"
                                                        u"00000000000000000000000000000000000000000000000000"
                                                        u"00000000000000000000000000000000000000000000000000"
                                                        u"00000000000000000000000000000000000000000000000000"
                                                        u"00000000000000000000000000000000000000000000000000"
                                                        u"00000000000000000000000000000000000000000000000000"
                                                        u"1", true, 0},
        {u"", false, 0}, {u"12a", false, 0}, {u"12 ", false, 0}, {u"x", false, 0}, {u"+-5", false, 0},
        {u"- 5", false, 0}, {u".", false, 0}, {u"1e", false, 0}, {u"1e+", false, 0}, {u"1.2.3", false, 0},
        {u"0x10", false, 0}, {u"inf", false, 0}, {u"nan", false, 0}, {u"1e400", false, 0},
        {u"1,5", false, 0}, {u"\uFF11", false, 0},
    };
    for (const auto& c : cases) {
        std::int32_t value = -99;
        EXPECT_EQ(encoding::ParseNumber(c.text, value), c.ok) << std::u16string(c.text).size();
        if (c.ok) {
            EXPECT_EQ(value, c.value);
        }
    }
}

TEST(ParseNumber, OutOfRangeSaturates) {
    std::int32_t s = 0;
    EXPECT_TRUE(encoding::ParseNumber(u"2147483648", s));
    EXPECT_EQ(s, std::numeric_limits<std::int32_t>::max());
    EXPECT_TRUE(encoding::ParseNumber(u"-1e20", s));
    EXPECT_EQ(s, std::numeric_limits<std::int32_t>::min());
    const struct { const char16_t* text; std::uint32_t value; } unsignedCases[] = {
        {u"4294967295", 4294967295u}, {u"3e9", 3000000000u}, {u"1e20", 4294967295u},
        {u"-1", 4294967295u}, {u"-2.5", 4294967294u}, {u"-1e20", 0x80000000u},
    };
    for (const auto& c : unsignedCases) {
        std::uint32_t u = 0;
        EXPECT_TRUE(encoding::ParseUnsignedNumber(c.text, u));
        EXPECT_EQ(u, c.value);
    }
    std::uint32_t u = 7;
    EXPECT_FALSE(encoding::ParseUnsignedNumber(u"7 ", u));
    EXPECT_EQ(u, 7u);
}

TEST(ValueToText, EachKind) {
    HostValue none{};
    HostValue unknown{};
    unknown.kind = 5;
    HostValue assigned{};
    ::AssignText(&assigned, u"assigned");
    const struct { HostValue value; const char16_t* text; } cases[] = {
        {Integer(-5), u"-5"}, {Integer(INT32_MIN), u"-2147483648"}, {none, u"0"},
        {Real(1.25), u"1.25"}, {Real(2.5), u"2.5"}, {Real(3.0), u"3"}, {Real(100.0), u"100"},
        {Real(0.000001), u"0.000001"}, {Real(0.0000004), u"0"}, {Real(-0.5), u"-0.5"},
        {Real(1234567.125), u"1234567.125"}, {Real(1e20), u"100000000000000000000"},
        {Text(u"text"), u"text"}, {assigned, u"assigned"}, {unknown, u""},
    };
    for (const auto& c : cases) EXPECT_EQ(encoding::ValueToText(c.value), c.text);
}

TEST(ValueToText, LongValuesAreCut) {
    const std::u16string longText(2000, u'a');
    EXPECT_EQ(encoding::ValueToText(Text(longText)), longText.substr(0, 1024));
    // "%f" of a huge number into an 80-character buffer.
    const std::u16string huge = encoding::ValueToText(Real(1e300));
    EXPECT_EQ(huge.size(), 79u);
    EXPECT_EQ(huge.substr(0, 4), u"1000");
}

TEST(ValueToNumber, EachKind) {
    HostValue none{};
    encoding::SetInteger(none, 6);
    none.kind = encoding::kKindNone;
    HostValue unknown{};
    unknown.kind = 7;
    const struct { HostValue value; int unsignedStatus; std::uint32_t asUnsigned; int doubleStatus; double asDouble; } cases[] = {
        {Integer(5), 0, 5, 0, 5.0},
        {Integer(-1), 0, 0xFFFFFFFFu, 0, -1.0},
        {none, 0, 6, 0, 6.0},
        {Real(2.7), 0, 2, 0, 2.7},
        {Real(-2.7), 0, 0xFFFFFFFEu, 0, -2.7},
        {Real(std::nan("")), kDoesNotFit, 0, 0, std::nan("")},
        {Text(u"2.7"), 0, 2, 0, 2.7},
        {Text(u"-1"), 0, 0xFFFFFFFFu, 0, -1.0},
        {Text(u"1e-3"), 0, 0, 0, 0.001},
        {Text(u"12a"), kDoesNotFit, 0, kDoesNotFit, 0},
        {Text(u""), kDoesNotFit, 0, kDoesNotFit, 0},
        {unknown, kDoesNotFit, 0, kDoesNotFit, 0},
    };
    for (const auto& c : cases) {
        std::uint32_t u = 0;
        double d = 0;
        EXPECT_EQ(encoding::ValueToUnsigned(c.value, u), c.unsignedStatus) << c.asDouble;
        if (c.unsignedStatus == 0) {
            EXPECT_EQ(u, c.asUnsigned) << c.asDouble;
        }
        EXPECT_EQ(encoding::ValueToDouble(c.value, d), c.doubleStatus) << c.asDouble;
        if (c.doubleStatus == 0 && !std::isnan(c.asDouble)) {
            EXPECT_EQ(d, c.asDouble);
        }
    }
}

TEST(ValueToBoolean, NonzeroIsTrueAndFailuresPassThrough) {
    const struct { HostValue value; int status; bool flag; } cases[] = {
        {Integer(0), 0, false}, {Integer(-1), 0, true}, {Real(0.9), 0, false}, {Real(1.0), 0, true},
        {Text(u"2"), 0, true}, {Text(u"0.5"), 0, false}, {Text(u"true"), kDoesNotFit, false},
    };
    for (const auto& c : cases) {
        bool flag = !c.flag;
        EXPECT_EQ(encoding::ValueToBoolean(c.value, flag), c.status);
        if (c.status == 0) {
            EXPECT_EQ(flag, c.flag);
        }
    }
}

}  // namespace
