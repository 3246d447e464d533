#include "coders/object_property_reference.hpp"

#include "reference_coder_frames.hpp"

namespace {

using namespace reference_frames;

coders::ObjectPropertyReference coder;

TEST(ObjectPropertyReference, DecodesReferencesAndListsBothWays) {
    ExpectFrames(coder,
                 {
                     {"0c 00 00 00 01 19 55 3f", 3, u"0,1|85", 7, true},
                     {"0c 00 00 00 01 19 55 29 03 3f", 3, u"0,1|85|3", 9, true},
                     // A device without index keeps an empty index field.
                     {"0c 00 00 00 01 19 55 3c 02 00 03 e8 3f", 3, u"0,1|85||8,1000", 12, true},
                     {"0c 00 00 00 01 19 55 29 03 3c 02 00 03 e8 4f", 4, u"0,1|85|3|8,1000", 14, true},
                     {"0c 00 00 00 01 19 55 3c 02 00 03 e8 0c 00 80 00 05 19 4b 3f", 3, u"0,1|85||8,1000;2,5|75", 19,
                      true},
                     {"3f", 3, u"", 0, false},
                     // Numbers are unsigned.
                     {"0c ff ff ff ff 1c ff ff ff ff 4f", 4, u"1023,4194303|4294967295", 10, true},
                 },
                 encoding::kKindText);
}

TEST(ObjectPropertyReference, WritesAndRefusesTexts) {
    ExpectWritten(coder, {
                             {u"  0,1|85  ", 0, "0c 00 00 00 01 19 55"},
                             // A non-numeric index and a bad device are left out.
                             {u"0,1|85|x", 0, "0c 00 00 00 01 19 55"},
                             {u"0,1|85|3|1024,1", 0, "0c 00 00 00 01 19 55 29 03"},
                             // Elements with a wrong field count are skipped.
                             {u"0,1", 0, ""},
                             {u"0,1|85|3|8,1000|9;0,2|85", 0, "0c 00 00 00 02 19 55"},
                             {u"   ", 18, ""},
                             {u"0|85", 18, ""},
                             {u"1024,1|85", 18, ""},
                             {u"0,4194304|85", 18, ""},
                             {u"-1,1|85", 18, ""},
                             {u"0,1|85;0,1|x", 18, "0c 00 00 00 01 19 55 0c 00 00 00 01"},
                         });
    ExpectWrittenNumber(coder, 1, 18, "");
}

TEST(ObjectPropertyReference, CutFramesStoreTheTextSoFar) {
    ExpectCutsSafe(coder, "0c 00 00 00 01 19 55 29 03 3c 02 00 03 e8 0c 00 00 00 02 19 55 3c 02 00 03 e8 3f", 3,
                   Partial::TextSoFar);
}

}  // namespace
