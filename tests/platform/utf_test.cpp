#include <gtest/gtest.h>

#include "platform/utf.hpp"

namespace {

TEST(Utf, RoundTripsTextsOutsideTheBasicPlane) {
    const std::u16string text = u"Temp \u00B0C \u20AC \U0001F321 end";
    const std::string utf8 = platform::Utf16ToUtf8(text);
    EXPECT_EQ(utf8, "Temp \xC2\xB0" "C \xE2\x82\xAC \xF0\x9F\x8C\xA1 end");
    EXPECT_EQ(platform::Utf8ToUtf16(utf8), text);
}

TEST(Utf, ReplacesMalformedInputInsteadOfFailing) {
    // Unpaired surrogates on the way out, truncated, overlong and stray bytes on the way in.
    EXPECT_EQ(platform::Utf16ToUtf8(std::u16string(1, u'\xD800') + u"a"), "\xEF\xBF\xBD" "a");
    EXPECT_EQ(platform::Utf8ToUtf16("\xE2\x82"), u"\uFFFD\uFFFD");
    EXPECT_EQ(platform::Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");
    EXPECT_EQ(platform::Utf8ToUtf16("a\x80" "b"), u"a\uFFFDb");
    EXPECT_EQ(platform::Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");
}

TEST(Utf, BoundedLengthStopsAtTheLimit) {
    EXPECT_EQ(platform::BoundedLength(nullptr, 10), 0u);
    EXPECT_EQ(platform::BoundedLength(u"abc", 10), 3u);
    EXPECT_EQ(platform::BoundedLength(u"abcdef", 4), 4u);
}

}  // namespace
