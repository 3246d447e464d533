#include "coders/bacnet_event_parameters_coder.hpp"

#include <string>

#include "value_coder_harness.hpp"

namespace {

using namespace value_coder_harness;

// Change of bitstring: time delay 5, bitmask 11, the values 10 and 01.
constexpr const char* kChangeOfBitstring = "0e 09 05 1a 06 c0 2e 82 06 80 82 06 40 2f 0f 3f";
// Change of value, passed over whole: its REAL holds an octet like a closing tag 3.
constexpr const char* kChangeOfValue = "2e 09 0a 1e 1c 3f 80 00 00 1f 2f 3f";

TEST(BACnetEventParametersCoder, DecodesByEventType) {
    coders::BACnetEventParametersCoder coder;
    ExpectDecodes(coder, {
        {kChangeOfBitstring, 3, u"COB|5|11|10;01", 15},
        {"0e 09 05 1a 06 c0 2e 2f 0f 4f", 4, u"COB|5|11|", 9},
        {kChangeOfValue, 3, u"", 11},
        {"ae af 3f", 3, u"", 2},           // buffer ready
        {"6e 09 01 6f 3f", 3, nullptr, 4},  // event types without a text store nothing
        {"ce 09 01 cf 3f", 3, nullptr, 4},
        {"09 05 3f", 3, nullptr, 0},
        {"", 3, nullptr, 0},
    });
}

TEST(BACnetEventParametersCoder, EncodesByEventCode) {
    coders::BACnetEventParametersCoder coder;
    ExpectEncodes(coder, {
        Writes(u"COB|5|11|", "0e 09 05 19 03 2e 2f 0f"), Writes(u"cob|5|11|", "0e 09 05 19 03 2e 2f 0f"),
        Writes(u" Cob | 300 | 111100001 | 101;0; ", "0e 0a 01 2c 1a e1 01 2e 19 05 19 00 19 00 2f 0f"),
        Writes(u"COB|5||", "0e 09 05 19 00 2e 2f 0f"),
        // Forty bits take five octets, given in an extended-length octet.
        Writes((u"COB|0|" + std::u16string(40, u'1') + u"|").c_str(), "0e 09 00 1d 05 ff ff ff ff ff 2e 2f 0f"),
        Writes(u"COS", "0e 0f"), Writes(u"usr|whatever|x", "0e 0f"), Writes(u"EXT|", "0e 0f"),
        Writes(u"XYZ", nullptr), {testing_values::Integer(0), nullptr},
    });
    ExpectRefuses(coder, {u"COB|5|11", u"COB|5|11|1|0", u"COB|x|11|", u"COB|5|12|", u"COB|5|11|10;2", u""});

    // The opening tag is written before the code is looked at.
    encoding::ByteVector out;
    EXPECT_EQ(coder.Encode(out, testing_values::Text(u"XYZ"), -1), 18u);
    EXPECT_TRUE(testing_support::BytesAre(out, "0e"));
}

TEST(BACnetEventParametersCoder, RoundTripsAndCuts) {
    coders::BACnetEventParametersCoder coder;
    // Only bit texts without bits read back alike: written bits carry no unused-bits octet.
    ExpectRoundTrips(coder, {u"COB|5||", u"COB|4294967295||"});
    ExpectCutsStayInside(coder, kChangeOfBitstring, 3);
    ExpectCutsStayInside(coder, kChangeOfValue, 3);
}

}  // namespace
