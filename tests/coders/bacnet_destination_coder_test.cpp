#include "coders/bacnet_destination_coder.hpp"

#include <string>

#include "value_coder_harness.hpp"

namespace {

using namespace value_coder_harness;

// Weekdays 8:00 to 17:00 to device 8:1001, process 3, confirmed, all transitions.
constexpr const char* kToDevice = "82 01 f8 b4 08 00 00 00 b4 11 00 00 00 0c 02 00 03 e9 21 03 11 82 05 e0 3f";

// An address recipient (network 5, a three-octet MAC); then no recipient and
// an unspecified start time.
constexpr const char* kToAddressThenNobody =
    "82 01 fe b4 00 00 00 00 b4 17 3b 3b 63 1e 21 05 63 0a 0b 0c 1f 22 01 00 10 82 05 a0"
    "82 01 fe b4 ff ff ff ff b4 17 3b 3b 63 21 07 11 82 05 e0 4f";

TEST(BACnetDestinationCoder, Decodes) {
    coders::BACnetDestinationCoder coder;
    ExpectDecodes(coder, {
        {kToDevice, 3, u"1111100|8:0:0.0 17:0:0.0|0,8,1001|3|1|111", 24},
        {kToAddressThenNobody, 4,
         u"1111111|0:0:0.0 23:59:59.99|1,5,0A 0B 0C |256|0|101;1111111|xx:xx:xx.xx 23:59:59.99||7|1|111", 47},
        {"3f", 3, u"", 0},
        {"82 01 f8 b3 08 00 00 3f", 3, u"1111100|", 7},  // a three-octet time: what was read stays
    });
}

TEST(BACnetDestinationCoder, EncodesAndRefuses) {
    coders::BACnetDestinationCoder coder;
    ExpectEncodes(coder, {
        Writes(u"1111100|8:0:0.0 17:0:0.0|0,8,1001|3|1|111",
               "82 01 f8 b4 08 00 00 00 b4 11 00 00 00 0c 02 00 03 e9 21 03 11 82 05 e0"),
        Writes(u"1111111|0:0:0.0 23:59:59.99|1,5,0A0B0C|256|0|101",
               "82 01 fe b4 00 00 00 00 b4 17 3b 3b 63 1e 21 05 63 0a 0b 0c 1f 22 01 00 10 82 05 a0"),
        // An empty recipient field writes no recipient; spaces around fields and destinations go.
        Writes(u" 1111100 | 8:0:0.0 17:0:0.0 | 0,8,1001 | 3 | 1 | 111 ; 1|0:0:0.0 0:0:0.0|  |7|0|1 ",
               "82 01 f8 b4 08 00 00 00 b4 11 00 00 00 0c 02 00 03 e9 21 03 11 82 05 e0"
               "82 07 80 b4 00 00 00 00 b4 00 00 00 00 21 07 10 82 07 80"),
        {testing_values::Integer(3), nullptr},
    });
    const std::u16string head = u"1111100|8:0:0.0 17:0:0.0|";
    for (const char16_t* rest : {u"0,8,1001|3|1", u"0,8,1001|3|1|111|1", u"2,8,1001|3|1|111", u"0,8|3|1|111",
                                 u"0,1024,1|3|1|111", u"1,5,0A 0B 0C |3|1|111" /* a MAC address as it reads */,
                                 u"0,8,1001|3|2|111", u"0,8,1001|3|1|11a", u"0,8,1001|3|1|111;"})
        ExpectRefuses(coder, {(head + rest).c_str()});
    ExpectRefuses(coder, {u"|8:0:0.0 17:0:0.0|0,8,1001|3|1|111", u"1111100|8:0:0.0|0,8,1001|3|1|111",
                          u"1111100|xx:xx:xx.xx 17:0:0.0|0,8,1001|3|1|111" /* an unspecified time as it reads */});
}

TEST(BACnetDestinationCoder, RoundTripsAndCuts) {
    coders::BACnetDestinationCoder coder;
    ExpectRoundTrips(coder, {u"1111100|8:0:0.0 17:0:0.0|0,8,1001|3|1|111",
                             u"0000011|0:0:0.0 23:59:59.99||4294967295|0|100;1|12:30:15.5 13:0:0.0|0,1023,4194303|0|1|0"});
    ExpectCutsStayInside(coder, kToDevice, 3);
    ExpectCutsStayInside(coder, kToAddressThenNobody, 4);
}

}  // namespace
