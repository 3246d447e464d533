#include "coders/list_unsigned_coder.hpp"

#include "reference_coder_frames.hpp"

namespace {

using namespace reference_frames;

coders::ListUnsignedCoder coder;

TEST(ListUnsignedCoder, DecodesElementsAsExactIntegers) {
    ExpectFrames(coder,
                 {
                     {"21 01 21 03 21 07 3f", 3, u"1|3|7", 6, true},
                     {"3e 21 01 22 01 00 3f", 3, u"1|256", 6, false},
                     {"3f", 3, u"", 0, false},
                     {"24 ff ff ff ff 4f", 4, u"4294967295", 5, false},  // exactly, beyond 31 bits
                     // A real is truncated, a number text read, any other text is 0.
                     {"44 40 20 00 00 74 00 31 32 33 72 00 41 00 3f", 3, u"2|123|0|0", 14, false},
                 },
                 encoding::kKindText);
}

TEST(ListUnsignedCoder, StoresNothingForBadCutOrLongLists) {
    for (const char* hex : {"21 01 d1 00 3f", "21 01 44 00 00 3f", "21 01 75 09 00 41 3f"}) {
        EXPECT_FALSE(DecodeHex(coder, hex, 3).stored) << hex;
    }
    ExpectCutsSafe(coder, "3e 21 01 22 01 00 24 ff ff ff ff 3f", 3, Partial::Nothing);
    // Forty elements, the last of two digits (80 characters) or three (81).
    for (const std::uint8_t last : {10, 100}) {
        encoding::ByteVector bytes;
        for (int i = 0; i < 39; ++i) bytes.insert(bytes.end(), {0x21, 0x09});
        bytes.insert(bytes.end(), {0x21, last, 0x3f});
        EXPECT_EQ(DecodeBytes(coder, bytes, bytes.size(), 3).stored, last == 10);
    }
}

TEST(ListUnsignedCoder, WritesEveryPieceAndNeverFails) {
    ExpectWritten(coder, {
                             {u"1|3|7", 0, "21 01 21 03 21 07"},
                             {u"", 0, "21 00"},
                             {u"x|2.9|-1|256|4294967295", 0, "21 00 21 02 24 ff ff ff ff 22 01 00 24 ff ff ff ff"},
                         });
    ExpectWrittenNumber(coder, 5, 0, "21 05");
}

}  // namespace
