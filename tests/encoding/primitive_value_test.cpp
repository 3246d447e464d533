// A primitive property value as an answer carries it (strict) and as an
// element of a constructed value (lenient): where the two part ways.
#include <gtest/gtest.h>

#include <vector>

#include "encoding/application_values.hpp"
#include "encoding/date_time_text.hpp"
#include "encoding/host_value.hpp"
#include "encoding/tags.hpp"
#include "host_values.hpp"
#include "support/hex.hpp"

namespace {

using encoding::ValueDecode;

struct Outcome {
    ValueDecode strict;
    bool lenient;
    HostValue value{};
};

// The bytes sit in a block of exactly their size, so that a read past the end is caught.
Outcome Decode(const char* hex) {
    const std::vector<std::uint8_t> bytes = testing_support::Hex(hex);
    Outcome o;
    std::size_t used = 0;
    HostValue ignored{};
    o.strict = encoding::DecodePrimitiveValue(bytes.data(), bytes.size(), o.value, used);
    o.lenient = encoding::DecodeApplicationValue(bytes.data(), bytes.size(), ignored, used);
    return o;
}

TEST(PrimitiveValue, ContextTagsAndCutStringsAreMalformedOnlyWhereAPrimitiveStands) {
    // Coders read these (the class bit not looked at, an empty text for a cut string).
    for (const char* hex : {"7e", "0e", "1e", "3e 3e 44 44 7a 70 00", "bc 08 00 00 00", "75 21",
                            "65 f0", "65 fe 00", "76 00",
                            // fixed sizes the length field contradicts
                            "01", "16", "41 3f 80 00 00", "a2 7b 0c 05 02", "55 04 00 00 00 00 00 00 00 00"}) {
        const Outcome o = Decode(hex);
        EXPECT_EQ(o.strict, ValueDecode::kMalformed) << hex;
        EXPECT_TRUE(o.lenient) << hex;
    }
}

TEST(PrimitiveValue, IntegersBeyondTheExactRangeKeepTheirDigitsAndWiderOnesAreMalformed) {
    const Outcome unsignedMax = Decode("25 08 ff ff ff ff ff ff ff ff");
    EXPECT_EQ(unsignedMax.strict, ValueDecode::kBeyondExactRange);
    EXPECT_EQ(testing_values::TextOf(unsignedMax.value), u"18446744073709551615");
    const Outcome justAbove = Decode("25 07 20 00 00 00 00 00 01");  // 2^53 + 1
    EXPECT_EQ(justAbove.strict, ValueDecode::kBeyondExactRange);
    EXPECT_EQ(testing_values::TextOf(justAbove.value), u"9007199254740993");
    const Outcome signedMin = Decode("35 08 80 00 00 00 00 00 00 00");
    EXPECT_EQ(testing_values::TextOf(signedMin.value), u"-9223372036854775808");
    EXPECT_TRUE(signedMin.lenient);

    for (const char* hex : {"25 09 00 00 00 00 00 00 00 00 01", "25 05 00 00 00 00", "25", "95 fe 00"}) {
        const Outcome o = Decode(hex);
        EXPECT_EQ(o.strict, ValueDecode::kMalformed) << hex;
        EXPECT_FALSE(o.lenient) << hex;
    }
}

TEST(PrimitiveValue, UnspecifiedTimeFieldsAreWrittenOnlyWhereTheyAreAllowed) {
    encoding::ByteVector out;
    EXPECT_EQ(encoding::TextToTimeWithWildcards(out, u"xx:30:xx.xx"), 0);
    EXPECT_TRUE(testing_support::BytesAre(out, "b4 ff 1e ff ff"));
    for (const char16_t* text : {u"24:xx:xx.xx", u"xx:60:xx.xx", u"x:0:0.0", u"xx:xx:xx"}) {
        out.clear();
        EXPECT_EQ(encoding::TextToTimeWithWildcards(out, text), encoding::kStatusValueDoesNotFit);
        EXPECT_TRUE(out.empty());
    }
    EXPECT_EQ(encoding::TextToTime(out, u"xx:30:0.0"), encoding::kStatusValueDoesNotFit);
}

}  // namespace
