#include "coders/priority_array_coder.hpp"

#include "reference_coder_frames.hpp"

namespace {

using namespace reference_frames;

// Slot 8 holds the Real 72.5, slot 10 the Enumerated 1, slot 16 the Unsigned 300.
constexpr const char* kSlotsHex = "00 00 00 00 00 00 00 44 42 91 00 00 00 91 01 00 00 00 00 00 22 01 2c 3f";
constexpr const char16_t* kSlotsText = u"NULL|NULL|NULL|NULL|NULL|NULL|NULL|72.5|NULL|1|NULL|NULL|NULL|NULL|NULL|300";

TEST(PriorityArrayCoder, DecodesSlotsBothWays) {
    coders::PriorityArrayCoder coder;
    ExpectFrames(coder, {{kSlotsHex, 3, kSlotsText, 23, true}}, encoding::kKindText);
    coder.SelectProperty(coders::PriorityArrayCoder::kPriority);
    ExpectFrames(coder, {{"00 21 05 75 04 00 61 62 63 4f", 4, u"NULL|5|abc", 9, false}}, encoding::kKindText);
    EXPECT_FALSE(DecodeHex(coder, "00 44 42 91 3f", 3).stored);
    ExpectCutsSafe(coder, kSlotsHex, 3, Partial::NothingOrTextSoFar);
}

TEST(PriorityArrayCoder, PicksADatatypePerPiece) {
    coders::PriorityArrayCoder coder;
    ExpectWritten(coder, {
                             {u"NULL|null|0|1|2|-2|2.5|1e3|abc|NULL|NULL|NULL|NULL|NULL|NULL|NULL", 0,
                              "00 75 05 00 6e 75 6c 6c 91 00 91 01 21 02 24 ff ff ff fe 44 40 20 00 00 22 03 e8 "
                              "74 00 61 62 63 00 00 00 00 00 00 00"},
                             {u"NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL", 18, ""},
                             {u"NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL",
                              18, ""},
                         });
}

TEST(PriorityArrayCoder, SelectionDecidesTheSlotCount) {
    coders::PriorityArrayCoder coder;
    ExpectWritten(coder, {{u"NULL|NULL|2.5", 18, ""}});
    coder.SelectProperty(coders::PriorityArrayCoder::kPriority);
    ExpectWritten(coder, {{u"NULL|NULL|2.5", 0, "00 00 44 40 20 00 00"}, {kSlotsText, 18, ""}});
    coder.SelectProperty(coders::PriorityArrayCoder::kPriorityArray);
    ExpectWritten(coder, {{u"NULL|NULL|2.5", 18, ""}});
}

}  // namespace
