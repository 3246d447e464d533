#include "coders/device_object_reference_list_coder.hpp"

#include "reference_coder_frames.hpp"

namespace {

using namespace reference_frames;

coders::DeviceObjectReferenceListCoder coder;

TEST(DeviceObjectReferenceListCoder, DecodesPairsOfIdentifiers) {
    ExpectFrames(coder,
                 {
                     {"0c 02 00 00 64 1c 00 00 00 01 0c 02 00 00 64 1c 00 00 00 02 3f", 3, u"8:100,0:1|8:100,0:2",
                      20, true},
                     // The list may still stand inside an opening tag 3.
                     {"3e 0c 02 00 00 64 1c 00 00 00 01 3f", 3, u"8:100,0:1", 11, false},
                     // Pairs go by position: a lone object shows as the first of a pair.
                     {"1c 00 00 00 01 3f", 3, u"0:1,", 5, false},
                     {"3f", 3, u"", 0, false},
                 },
                 encoding::kKindText);
}

TEST(DeviceObjectReferenceListCoder, StoresNothingForEntriesItCannotRead) {
    for (const char* hex : {"2c 00 00 00 01 3f", "0c 02 00 00 64 19 55 3f", "0c 02 00 00 64 1c 00 00 00 01"}) {
        EXPECT_FALSE(DecodeHex(coder, hex, 3).stored) << hex;
    }
    ExpectCutsSafe(coder, "3e 0c 02 00 00 64 1c 00 00 00 01 0c 02 00 00 64 3f", 3, Partial::Nothing);
}

TEST(DeviceObjectReferenceListCoder, WritesAndRefusesTexts) {
    ExpectWritten(coder, {
                             {u" 0:1 ", 0, "0c 00 00 00 01"},
                             {u"8:100,0:1,0:2", 0, "0c 02 00 00 64 1c 00 00 00 01 1c 00 00 00 02"},
                             {u"", 18, ""},
                             {u"8:100,0:x", 18, "0c 02 00 00 64"},
                             {u"8:100,0", 18, "0c 02 00 00 64"},
                             {u"8:100|", 18, "0c 02 00 00 64"},
                         });
}

}  // namespace
