#include "coders/bacnet_read_access_result_coder.hpp"

#include "reference_coder_frames.hpp"

namespace {

using namespace reference_frames;

coders::BACnetReadAccessResultCoder coder;

// 8:1 with property 85 = bits 0110 and property 28 at index 3 failing with
// class 2, code 31; then 0:5 with property 85 = bit 1.
constexpr const char* kResultsHex =
    "0c 02 00 00 01 1e 29 55 4e 82 04 60 4f 29 1c 39 03 5e 91 02 91 1f 5f 1f "
    "0c 00 00 00 05 1e 29 55 4e 82 07 80 4f 1f 3f";

TEST(BACnetReadAccessResultCoder, DecodesValuesAndErrorsBothWays) {
    ExpectFrames(coder,
                 {
                     {kResultsHex, 3, u"8:1-85:0110,28:3'2'31|0:5-85:1", 38, true},
                     {"0c 02 00 00 01 1e 29 55 4e 81 00 4f 1f 4f", 4, u"8:1-85:", 13, true},
                     {"0c 02 00 00 01 1e 1f 4f", 4, u"8:1", 7, true},
                     // Forms without a written text: a value behind an index,
                     // an error without index.
                     {"0c 02 00 00 01 1e 29 55 39 02 4e 82 04 60 4f 29 1c 5e 91 02 91 1f 5f 1f 3f", 3,
                      u"8:1-85:2:0110,28:'2'31", 24, false},
                     // A constructed value is stepped over whole.
                     {"0c 02 00 00 01 1e 29 55 4e 0e 21 01 0f 4f 29 4d 4e 82 07 80 4f 1f 3f", 3, u"8:1-85:,77:1", 22,
                      false},
                 },
                 encoding::kKindText);
    ExpectCutsSafe(coder, kResultsHex, 3, Partial::TextSoFar);
}

TEST(BACnetReadAccessResultCoder, WritesAndRefusesTexts) {
    ExpectWritten(coder, {
                             {u"0:5 - 85 : 1 , 28:3 ' 2 ' 31", 0,
                              "0c 00 00 00 05 1e 29 55 4e 82 07 80 4f 29 1c 39 03 5e 91 02 91 1f 5f 1f"},
                             {u"8:1-85:012", 18, "0c 02 00 00 01 1e 29 55 4e"},
                             {u"8:1-85'2'31", 18, "0c 02 00 00 01 1e"},
                             {u"8:1-85:3'2", 18, "0c 02 00 00 01 1e"},
                             {u"8:1-85:3'x'31", 18, "0c 02 00 00 01 1e 29 55 39 03 5e"},
                             {u"8:1-85:x'2'31", 18, "0c 02 00 00 01 1e 29 55"},
                             {u"8:1-85:01,", 18, "0c 02 00 00 01 1e 29 55 4e 82 06 40 4f"},
                             {u"1024:1-85:1", 18, ""},
                         });
}

}  // namespace
