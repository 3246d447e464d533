#include "coders/enumerated_list_coder.hpp"

#include "reference_coder_frames.hpp"

namespace {

using namespace reference_frames;

coders::EnumeratedListCoder coder;

TEST(EnumeratedListCoder, ReadsAndWritesEnumeratedValues) {
    ExpectFrames(coder,
                 {
                     {"91 00 91 01 91 03 3f", 3, u"0|1|3", 6, true},
                     {"3e 91 02 92 01 00 4f", 4, u"2|256", 6, false},
                 },
                 encoding::kKindText);
    ExpectWritten(coder, {{u"0|1|256", 0, "91 00 91 01 92 01 00"}, {u"abc", 0, "91 00"}});
    ExpectCutsSafe(coder, "91 00 91 01 91 03 3f", 3, Partial::Nothing);
}

}  // namespace
