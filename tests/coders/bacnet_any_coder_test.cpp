#include "coders/bacnet_any_coder.hpp"

#include "value_coder_harness.hpp"

namespace {

using namespace value_coder_harness;

TEST(BACnetAnyCoder, DecodesTagAndValueText) {
    coders::BACnetAnyCoder coder;
    ExpectDecodes(coder, {
        {"44 41 ac 00 00 3f", 3, u"4:21.5", 5}, {"00 3f", 3, u"0:NULL", 1}, {"11 4f", 4, u"1:1", 1},
        {"91 03 3f", 3, u"9:3", 2}, {"b4 0c 1e 00 00 3f", 3, u"11:12:30:0.0", 5},
        {"c4 02 00 04 d2 3f", 3, u"12:8:1234", 5}, {"75 06 00 48 65 6c 6c 6f 3f", 3, u"7:Hello", 8},
        {"d1 00 3f", 3, u"", 0},  // no application datatype
        {"44 41 ac", 3, u"", 0},
    });
    // The text goes in through the second text operation.
    EXPECT_EQ(DecodeExact(coder, testing_support::Hex("21 05 3f"), 3, 3).kind, encoding::kKindAssignedText);
}

TEST(BACnetAnyCoder, EncodesByLeadingDatatype) {
    coders::BACnetAnyCoder coder;
    ExpectEncodes(coder, {
        Writes(u"11:12:30:00.0", "b4 0c 1e 00 00"),  // the value text keeps its colons
        Writes(u"4:21.5", "44 41 ac 00 00"), Writes(u" 4: 21.5 ", "44 41 ac 00 00"), Writes(u"0:NULL", "00"),
        Writes(u"2:200", "21 c8"), Writes(u"7:a:b", "74 00 61 3a 62"), Writes(u"12:8:1234", "c4 02 00 04 d2"),
        Writes(u"x:5", "00"), Writes(u"9abc:2", "91 02"), {testing_values::Integer(4), nullptr},
    });
    ExpectRefuses(coder, {u"21.5", u"", u"11:25:00:00.0", u"13:1", u"12:8:-1", u"2:ten"});
}

TEST(BACnetAnyCoder, RoundTripsAndCuts) {
    coders::BACnetAnyCoder coder;
    ExpectRoundTrips(coder, {u"4:21.5", u"0:NULL", u"1:1", u"9:3", u"11:12:30:0.0", u"12:8:1234", u"7:Hello",
                             u"10:5-12-2023", u"8:1010"});
    ExpectCutsStayInside(coder, "75 06 00 48 65 6c 6c 6f 3f", 3);
}

}  // namespace
