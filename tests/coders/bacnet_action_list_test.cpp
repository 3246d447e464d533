#include "coders/bacnet_action_list.hpp"

#include "value_coder_harness.hpp"

namespace {

using namespace value_coder_harness;

// One list: a command with device, no index, no post delay and a Real value,
// then one without device with an Enumerated value.
constexpr const char* kTwoCommands =
    "0e 0c 02 00 00 01 1c 00 00 00 05 29 55 4e 44 42 91 00 00 4f 59 08 79 00 89 01"
    "   1c 00 00 00 06 29 55 4e 91 01 4f 79 00 89 01 0f 3f";

// Two lists: a Signed value and a four-octet post delay (both read raw), an
// Unsigned above 2^31, and a character string whose octets hold 0x4f.
constexpr const char* kTwoLists =
    "0e 1c 00 c0 00 01 29 55 39 02 4e 31 ff 4f 59 10 6c 80 00 00 00 79 01 89 00 0f"
    "0e 1c 01 00 00 02 29 4d 4e 24 ff ff ff ff 4f 79 00 89 00"
    "   1c 01 00 00 03 29 4d 4e 75 04 00 4f 6e 21 4f 79 00 89 00 0f 4f";

TEST(BACnetActionList, DecodesFieldByField) {
    coders::BACnetActionList coder;
    ExpectDecodes(coder, {
        {kTwoCommands, 3, u"8:1,0:5,85,,72.5,8,,0,1;,0:6,85,,1,,,0,1", 42},
        {kTwoLists, 4, u",3:1,85,2,255,16,-2147483648,1,0|,4:2,77,,4294967295,,,0,0;,4:3,77,,On!,,,0,0", 65},
        // An empty list, then a command without object identifier: nothing is written for it.
        {"0e 0f 0e 29 55 4e 91 01 4f 79 00 89 01 0f 3f", 3, u"|,85,,1,,,0,1", 14},
        {"0e 9c 00 00 00 01 0f 3f", 3, u"", 1},  // a tag that fits no field ends the value
        {"0e 0c 02 00 00 01 1c 00 00 00 05 29 55 4e 91 01 91 02 4f 0f 3f", 3, u"8:1,0:5,85,,", 16},
        {"3f", 3, u"", 0},
    });
}

TEST(BACnetActionList, EncodesAndRefuses) {
    coders::BACnetActionList coder;
    ExpectEncodes(coder, {
        Writes(u"8:1,0:5,85,,72.5,8,,0,1;,0:6,85,,1,,,0,1",
               "0e 0c 02 00 00 01 1c 00 00 00 05 29 55 4e 91 48 4f 59 08 79 00 89 01"
               "   1c 00 00 00 06 29 55 4e 91 01 4f 79 00 89 01 0f"),
        Writes(u",3:1,85,2,7,16,200,1,0|,4:2,77,,300,,,0,0",
               "0e 1c 00 c0 00 01 29 55 39 02 4e 91 07 4f 59 10 69 c8 79 01 89 00 0f"
               "0e 1c 01 00 00 02 29 4d 4e 92 01 2c 4f 79 00 89 00 0f"),
        Writes(u"  8:1 , 0:5 , 85 ,, 1 ,,, 0 , 1  ",
               "0e 0c 02 00 00 01 1c 00 00 00 05 29 55 4e 91 01 4f 79 00 89 01 0f"),
        {testing_values::Integer(1), nullptr},
    });
    ExpectRefuses(coder, {u"8:1,0:5,85,,1,,,0", u"8:1,0:5,85,,1,,,0,1,1", u"1,2,3,4,5,6,7,8,9", u"",
                          u"8:1,0:5,85,,1,,,0,1;", u"8:1,0:5,85,,1,,,0,1||8:1,0:5,85,,1,,,0,1",
                          u"8:1,1024:5,85,,1,,,0,1", u"8:1,0:4194304,85,,1,,,0,1", u"8,0:5,85,,1,,,0,1",
                          u"8:1,0:5,x,,1,,,0,1"});
}

TEST(BACnetActionList, RoundTripsAndCuts) {
    coders::BACnetActionList coder;
    ExpectRoundTrips(coder, {u"8:1,0:5,85,,72,8,,0,1;,0:6,85,,1,,,0,1",
                             u",3:1,85,2,7,16,200,1,0|8:4194303,1023:4194303,4294967295,1,0,,,1,1"});
    ExpectCutsStayInside(coder, kTwoCommands, 3);
    ExpectCutsStayInside(coder, kTwoLists, 4);
}

}  // namespace
