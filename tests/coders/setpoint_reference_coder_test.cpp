#include "coders/setpoint_reference_coder.hpp"

#include "reference_coder_frames.hpp"

namespace {

using namespace reference_frames;

coders::SetpointReferenceCoder coder;

TEST(SetpointReferenceCoder, DecodesTheReferenceInsideTagZero) {
    ExpectFrames(coder,
                 {
                     {"0e 0c 00 00 00 01 19 55 0f 3f", 3, u"0,1|85", 9, true},
                     {"0e 0c 00 80 00 05 19 55 3c 02 00 03 e8 0f 4f", 4, u"2,5|85||8,1000", 14, true},
                     // No reference: the optional field is left out.
                     {"3f", 3, u"", 0, false},
                     {"1e 0c 00 00 00 01 19 55 1f 3f", 3, u"", 0, false},
                 },
                 encoding::kKindText);
    ExpectCutsSafe(coder, "0e 0c 00 80 00 05 19 55 29 0a 3c 02 00 03 e8 0f 3f", 3, Partial::TextSoFar);
}

TEST(SetpointReferenceCoder, WritesAndRefusesTexts) {
    ExpectWritten(coder, {
                             {u"0,1|85|x|8", 0, "0e 0c 00 00 00 01 19 55 0f"},
                             {u"0,1", 18, ""},
                             {u"0,1|85|3|8,1000|9", 18, ""},
                             {u"0,1;0,2|85", 18, "0e"},
                         });
    // Only a stored text is taken, not an assigned one.
    encoding::ByteVector out;
    EXPECT_EQ(coder.Encode(out, TextValue(u"0,1|85", true), -1), 18u);
}

}  // namespace
