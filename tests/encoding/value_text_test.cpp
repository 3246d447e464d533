#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "encoding/date_time_text.hpp"
#include "encoding/primitive_text.hpp"
#include "encoding/tags.hpp"
#include "support/hex.hpp"

namespace {

using encoding::ByteVector;
using testing_support::BytesAre;

using TextEncoder = int (*)(ByteVector&, std::u16string_view);

// A text and what its encoder makes of it: the bytes, or 18 and nothing
// appended when the bytes are nullptr.
struct TextCase {
    const char16_t* text;
    const char* hex;
};

void ExpectEncodings(TextEncoder encode, std::initializer_list<TextCase> cases) {
    for (const auto& c : cases) {
        ByteVector out;
        const int status = encode(out, c.text);
        const std::u16string text = c.text;
        if (c.hex == nullptr) {
            EXPECT_EQ(status, encoding::kStatusValueDoesNotFit) << std::string(text.begin(), text.end());
            EXPECT_TRUE(out.empty()) << std::string(text.begin(), text.end());
        } else {
            EXPECT_EQ(status, 0) << std::string(text.begin(), text.end());
            EXPECT_TRUE(BytesAre(out, c.hex)) << std::string(text.begin(), text.end());
        }
    }
}

TEST(TextToDate, GrammarAndRanges) {
    ExpectEncodings(encoding::TextToDate, {
        {u"5-12-2023", "a4 7b 0c 05 02"}, {u"7-1-2024", "a4 7c 01 07 07"}, {u"1-1-1900", "a4 00 01 01 01"},
        {u"05-012-2023.0", "a4 7b 0c 05 02"},  // fields are numbers, not digit patterns
        {u"xx-12-2023", "a4 7b 0c ff ff"}, {u"5-12-xxxx", "a4 ff 0c 05 ff"}, {u"xx-xx-xxxx", "a4 ff ff ff ff"},
        {u"31-12-2155", "a4 ff 0c 1f ff"},     // the last year shares its octet with "unspecified"
        {u"5-12", nullptr}, {u"5-12-2023-1", nullptr}, {u"", nullptr}, {u"XX-12-2023", nullptr},
        {u"xxxx-12-2023", nullptr}, {u"5-12-xx", nullptr}, {u"0-12-2023", nullptr}, {u"32-12-2023", nullptr},
        {u"5-13-2023", nullptr}, {u"5-12-1899", nullptr}, {u"5-12-2156", nullptr}, {u"5-12-23", nullptr},
        {u"5-12-2023 ", nullptr},
    });
    ByteVector out{0x0E};
    EXPECT_EQ(encoding::TextToContextDate(out, u"5-12-2023", 0, 4), 0);
    EXPECT_TRUE(BytesAre(out, "0e 0c 7b 0c 05 02"));
}

TEST(TextToTime, GrammarAndRanges) {
    ExpectEncodings(encoding::TextToTime, {
        {u"13:05:00.50", "b4 0d 05 00 32"}, {u"0:0:0.0", "b4 00 00 00 00"}, {u" 1:2:3.4", "b4 01 02 03 04"},
        {u"23:59:59.99", "b4 17 3b 3b 63"}, {u"13:05:00", nullptr}, {u"12:00", nullptr},
        {u"13:05:00.50.1", nullptr}, {u"13:05:00:50", nullptr}, {u"xx:xx:xx.xx", nullptr},
        {u"24:00:00.00", nullptr}, {u"23:60:00.00", nullptr}, {u"23:00:60.00", nullptr},
        {u"23:00:00.100", nullptr}, {u"-1:00:00.00", nullptr}, {u"13:05:00.", nullptr},
    });
}

TEST(TextToOctetString, HexPairs) {
    ExpectEncodings(encoding::TextToOctetString, {
        {u"0AFF", "62 0a ff"}, {u"0aff00", "63 0a ff 00"}, {u"", "60"}, {u"0102030405", "65 05 01 02 03 04 05"},
        {u"0AF", nullptr}, {u"0G", nullptr}, {u"0A FF", nullptr}, {u"0x", nullptr},
    });
}

TEST(TextToBitString, BitsInTransmissionOrder) {
    ExpectEncodings(encoding::TextToBitString, {
        {u"1010", "82 04 a0"}, {u"", "81 00"}, {u"1", "82 07 80"}, {u"11111111", "82 00 ff"},
        {u"000000001", "83 07 00 80"},
        {u"0000000000001011100000000011000001100000", "85 06 00 00 0b 80 30 60"},
        {u"10x", nullptr}, {u"1 0", nullptr},
    });
}

TEST(TextToObjectIdentifier, DigitsOnly) {
    ExpectEncodings(encoding::TextToObjectIdentifier, {
        {u"8:1234", "c4 02 00 04 d2"}, {u"008:01234", "c4 02 00 04 d2"}, {u"1023:4194303", "c4 ff ff ff ff"},
        {u"1024:4194304", "c4 00 00 00 00"},  // cut to the identifier's bits
        {u"8:-1", nullptr}, {u"8", nullptr}, {u"a:1", nullptr}, {u"8:1:2", nullptr}, {u":1", nullptr},
        {u"8:", nullptr}, {u"+8:1", nullptr}, {u"8: 1", nullptr}, {u"8.0:1", nullptr},
    });
}

}  // namespace
