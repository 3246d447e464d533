#include "coders/bacnet_prescale_coder.hpp"

#include "value_coder_harness.hpp"

namespace {

using namespace value_coder_harness;

TEST(BACnetPrescaleCoder, DecodesRawValues) {
    coders::BACnetPrescaleCoder coder;
    ExpectDecodes(coder, {
        {"09 01 1a 03 e8 3f", 3, u"1;1000", 5},
        {"0c ff ff ff ff 19 02 4f", 4, u"-1;2", 7},
        {"0a 01 00 1b 80 00 00 3f", 3, u"256;8388608", 7},  // only four octets read negative
        {"09 01", 3, u"1", 2},
        {"0e 0f 3f", 3, u"", 0},
    });
}

TEST(BACnetPrescaleCoder, EncodesWholeNumbersOfTheStoredTextKindOnly) {
    coders::BACnetPrescaleCoder coder;
    HostValue assigned{};
    ::AssignText(&assigned, u"1;1000");
    ExpectEncodes(coder, {
        Writes(u"1;1000", "09 01 1a 03 e8"), Writes(u"-1;5", "0c ff ff ff ff 19 05"),
        Writes(u"2.0;1e3", "09 02 1a 03 e8"), Writes(u" 7; 8", "09 07 19 08"), Writes(u"0;-0", "09 00 19 00"),
        Writes(u"16777217;1", "0c 01 00 00 00 19 01"),  // read at single precision
        {assigned, nullptr}, {testing_values::Integer(5), nullptr},
    });
    ExpectRefuses(coder, {u"1", u"1;2;3", u"1.5;2", u"1;x", u"1 ;2", u"1;", u"5e9;1", u"1;1e39"});
}

TEST(BACnetPrescaleCoder, RoundTripsAndCuts) {
    coders::BACnetPrescaleCoder coder;
    ExpectRoundTrips(coder, {u"1;1000", u"-1;5", u"70000;3", u"-2147483648;0"});
    ExpectCutsStayInside(coder, "0c ff ff ff ff 1a 03 e8 3f", 3);
}

}  // namespace
