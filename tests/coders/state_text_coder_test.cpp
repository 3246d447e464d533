#include "coders/state_text_coder.hpp"

#include <string>

#include "reference_coder_frames.hpp"

namespace {

using namespace reference_frames;

coders::StateTextCoder coder;

TEST(StateTextCoder, DecodesTextsJoinedByBars) {
    ExpectFrames(coder,
                 {
                     {"74 00 4f 66 66 73 00 4f 6e 75 05 00 41 75 74 6f 3f", 3, u"Off|On|Auto", 16, true},
                     {"3e 74 00 4f 66 66 73 00 4f 6e 4f", 4, u"Off|On", 10, false},
                     {"73 00 c3 a9 71 00 3f", 3, u"\u00e9|", 6, true},
                     // A number holds no text and shows as an empty state.
                     {"74 00 4f 66 66 21 05 3f", 3, u"Off|", 7, false},
                 },
                 encoding::kKindText);
    // Each text is cut to 80 characters.
    encoding::ByteVector bytes = {0x75, 101, 0x00};
    bytes.insert(bytes.end(), 100, 'a');
    bytes.insert(bytes.end(), {0x72, 0x00, 'b', 0x3f});
    EXPECT_EQ(DecodeBytes(coder, bytes, bytes.size(), 3).text, std::u16string(80, u'a') + u"|b");
}

TEST(StateTextCoder, StoresNothingForBadOrCutLists) {
    EXPECT_FALSE(DecodeHex(coder, "74 00 4f 66 66 e1 00 3f", 3).stored);
    ExpectCutsSafe(coder, "3e 74 00 4f 66 66 73 00 4f 6e 75 05 00 41 75 74 6f 3f", 3, Partial::Nothing);
}

TEST(StateTextCoder, WritesEveryPieceAsACharacterString) {
    ExpectWritten(coder, {{u"", 0, "71 00"}, {u"A||B", 0, "72 00 41 71 00 72 00 42"}});
    ExpectWrittenNumber(coder, 5, 0, "72 00 35");
}

}  // namespace
