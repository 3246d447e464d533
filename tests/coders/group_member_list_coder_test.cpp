#include "coders/group_member_list_coder.hpp"

#include "reference_coder_frames.hpp"

namespace {

using namespace reference_frames;

coders::BACnetReadAccessSpecificationCoder coder;

constexpr const char* kMembersHex = "0c 02 00 00 01 1e 09 55 09 1c 19 02 1f 0c 00 00 00 05 1e 09 55 1f 3f";

TEST(BACnetReadAccessSpecificationCoder, DecodesGroupMembersBothWays) {
    ExpectFrames(coder,
                 {
                     {kMembersHex, 3, u"8:1-85,28:2|0:5-85", 22, true},
                     {"0c 02 00 00 01 1e 1f 4f", 4, u"8:1", 7, true},
                     {"0c 02 00 00 01 3f", 3, u"8:1", 5, false},
                     {"0c ff ff ff ff 1e 0c ff ff ff ff 1c ff ff ff ff 1f 4f", 4,
                      u"1023:4194303-4294967295:4294967295", 17, true},
                 },
                 encoding::kKindText);
    ExpectCutsSafe(coder, kMembersHex, 3, Partial::TextSoFar);
}

TEST(BACnetReadAccessSpecificationCoder, WritesAndRefusesTexts) {
    ExpectWritten(coder, {
                             {u" 8 : 1 - 85 , 28 : 2 | 0:5-85 ", 0,
                              "0c 02 00 00 01 1e 09 55 09 1c 19 02 1f 0c 00 00 00 05 1e 09 55 1f"},
                             {u"8:1-", 0, "0c 02 00 00 01 1e 1f"},
                             {u"", 18, ""},
                             {u"8:1|", 18, "0c 02 00 00 01 1e 1f"},
                             {u"8:1-85-3", 18, ""},
                             {u"8-85", 18, ""},
                             {u"1024:1-85", 18, ""},
                             {u"8:4194304-85", 18, ""},
                             {u"8:1-85,,28", 18, "0c 02 00 00 01 1e 09 55"},
                             {u"8:1-85:2:3", 18, "0c 02 00 00 01 1e"},
                             {u"8:1-85:x", 18, "0c 02 00 00 01 1e 09 55"},
                         });
}

}  // namespace
