#include "coders/bacnet_scale_coder.hpp"

#include <limits>

#include "value_coder_harness.hpp"

namespace {

using namespace value_coder_harness;

TEST(BACnetScaleCoder, DecodesFloatAndIntegerScales) {
    coders::BACnetScaleCoder coder;
    ExpectDecodes(coder, {
        {"0c 40 20 00 00 3f", 3, u"2.500000", 5}, {"0c c2 c8 00 00 4f", 4, u"-100.000000", 5},
        {"19 c8 3f", 3, u"200", 2}, {"1c ff ff ff fe 3f", 3, u"-2", 5},
        {"19 fe 3f", 3, u"254", 2},  // a short integer never reads negative
        {"1a 01", 3, u"", 0}, {"", 3, u"", 0},
    });
}

TEST(BACnetScaleCoder, EncodesByPointOrKind) {
    coders::BACnetScaleCoder coder;
    ExpectEncodes(coder, {
        Writes(u"2", "19 02"), Writes(u"200", "19 c8"), Writes(u"-2", "1c ff ff ff fe"), Writes(u"1e3", "1a 03 e8"),
        Writes(u"2.0", "0c 40 00 00 00"), Writes(u"2.5e1", "0c 41 c8 00 00"), Writes(u"-0.5", "0c bf 00 00 00"),
        {testing_values::Real(3.0), "0c 40 40 00 00"}, {testing_values::Integer(-1), "1c ff ff ff ff"},
        {testing_values::Integer(70000), "1b 01 11 70"},
        {testing_values::Real(std::numeric_limits<double>::quiet_NaN()), nullptr},
    });
    ExpectRefuses(coder, {u"x", u"2.x", u"", u"2 ", u"1.0e39"});
}

TEST(BACnetScaleCoder, RoundTripsAndCuts) {
    coders::BACnetScaleCoder coder;
    ExpectRoundTrips(coder, {u"2.500000", u"0.125000", u"-3.000000", u"200", u"-2", u"0", u"2147483647"});
    ExpectCutsStayInside(coder, "0c 40 20 00 00 3f", 3);
    ExpectCutsStayInside(coder, "1c ff ff ff fe 3f", 3);
}

}  // namespace
