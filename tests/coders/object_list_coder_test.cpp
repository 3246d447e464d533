#include "coders/object_list_coder.hpp"

#include <string>

#include "encoding/tags.hpp"
#include "reference_coder_frames.hpp"

namespace {

using namespace reference_frames;

coders::ObjectListCoder coder;

TEST(ObjectListCoder, DecodesIdentifiersBothWays) {
    ExpectFrames(coder,
                 {
                     {"c4 02 00 03 e8 c4 00 00 00 01 c4 00 00 00 02 3f", 3, u"(8:1000)(0:1)(0:2)", 15, true},
                     {"c4 ff ff ff ff 4f", 4, u"(1023:4194303)", 5, true},
                     {"3f", 3, u"", 0, false},
                     // Any other tag ends the list.
                     {"c4 00 00 00 01 21 05 3f", 3, u"(0:1)", 5, false},
                 },
                 encoding::kKindAssignedText);
    ExpectCutsSafe(coder, "c4 02 00 03 e8 c4 00 00 00 01 c4 00 00 00 02 3f", 3, Partial::TextSoFar);
}

// count objects of one type from firstInstance on: the bytes and the text.
std::pair<encoding::ByteVector, std::u16string> LongList(std::uint32_t count, std::uint32_t firstInstance) {
    std::pair<encoding::ByteVector, std::u16string> list;
    for (std::uint32_t instance = firstInstance; instance < firstInstance + count; ++instance) {
        encoding::EncodeObjectIdentifier(list.first, 2, instance);
        const std::string entry = "(2:" + std::to_string(instance) + ")";
        list.second += std::u16string(entry.begin(), entry.end());
    }
    list.first.push_back(0x3F);
    return list;
}

TEST(ObjectListCoder, DecodesLongListsUpToTheTextLimit) {
    const auto [bytes, text] = LongList(1000, 1);
    const Decoded d = DecodeBytes(coder, bytes, bytes.size(), 3);
    EXPECT_EQ(d.text, text);
    EXPECT_EQ(d.consumed, 5000u);
    // Ten characters per object: the text ends at the last whole object
    // within 9,999 characters, but every object is consumed.
    const auto [longBytes, longText] = LongList(1200, 100000);
    const Decoded cut = DecodeBytes(coder, longBytes, longBytes.size(), 3);
    EXPECT_EQ(cut.text, longText.substr(0, 9990));
    EXPECT_EQ(cut.consumed, 6000u);
}

TEST(ObjectListCoder, WritesAndRefusesTexts) {
    ExpectWritten(coder, {
                             {u"x(8:1000), (0:1)y", 0, "c4 02 00 03 e8 c4 00 00 00 01"},
                             {u"(8:1000", 0, "c4 02 00 03 e8"},
                             {u"8:1000", 18, ""},
                             {u"()", 18, ""},
                             {u"(8:1000)(8)", 18, "c4 02 00 03 e8"},
                             {u"(8:x)", 18, ""},
                         });
}

}  // namespace
