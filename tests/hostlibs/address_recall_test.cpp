// A group's addresses are recalled from the last parse by their place in the
// host's list and compared with the host's text as it is now: a text changed
// in place, even by one character at its end, or a list in another order,
// must give the addresses as they read now.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tagcore.h"

namespace {

class AddressRecallTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(RegisterDriver(u"VORNE", &record_), TAGCORE_OK); }

    const ParsedAddressItem& Item(int i) const {
        ParsedAddressItem* items = nullptr;
        std::memcpy(&items, record_->items, sizeof items);
        return items[i];
    }

    // Writes text into buffer in place, as a host edits a tag.
    static void Write(char16_t (&buffer)[32], const std::u16string& text) {
        ASSERT_LT(text.size(), 32u);
        std::copy(text.begin(), text.end(), buffer);
        buffer[text.size()] = u'\0';
    }

    ParsedAddressRecord* record_ = nullptr;
};

TEST_F(AddressRecallTest, AListInAnotherOrderGivesEachAddressItsOwnParse) {
    const char16_t* a = u"AV:7:PRESENT-VALUE";
    const char16_t* b = u"AV:8:OBJECT-NAME:3";
    const char16_t* forward[] = {a, b};
    const char16_t* backward[] = {b, a};
    ASSERT_EQ(ParseAddresses(nullptr, nullptr, forward, 2), TAGCORE_OK);
    ASSERT_EQ(ParseAddresses(nullptr, nullptr, backward, 2), TAGCORE_OK);
    EXPECT_EQ(Item(0).instance, 8);
    EXPECT_EQ(Item(0).propertyPosition, 1);
    EXPECT_EQ(Item(0).priority, 3);
    EXPECT_EQ(Item(1).instance, 7);
    EXPECT_EQ(Item(1).propertyPosition, 3);
    EXPECT_EQ(Item(1).priority, -1);

    // One place twice in a list, and a list shorter than the last.
    const char16_t* twice[] = {a, a};
    ASSERT_EQ(ParseAddresses(nullptr, nullptr, twice, 2), TAGCORE_OK);
    EXPECT_EQ(Item(1).instance, 7);
    const char16_t* one[] = {b};
    ASSERT_EQ(ParseAddresses(nullptr, nullptr, one, 1), TAGCORE_OK);
    EXPECT_EQ(Item(0).instance, 8);
}

TEST_F(AddressRecallTest, ATextLongerOrShorterAtTheSamePlaceIsParsedAfresh) {
    char16_t buffer[32];
    const char16_t* list[] = {buffer};
    Write(buffer, u"AV:7:PRESENT-VALUE");
    ASSERT_EQ(ParseAddresses(nullptr, nullptr, list, 1), TAGCORE_OK);
    ASSERT_EQ(ParseAddresses(nullptr, nullptr, list, 1), TAGCORE_OK);
    EXPECT_EQ(Item(0).priority, -1);

    // The text parsed before is the start of the new one.
    Write(buffer, u"AV:7:PRESENT-VALUE:9");
    ASSERT_EQ(ParseAddresses(nullptr, nullptr, list, 1), TAGCORE_OK);
    EXPECT_EQ(Item(0).priority, 9);

    // The new text is the start of the one parsed before.
    Write(buffer, u"AV:7:PRESENT-VALUE");
    ASSERT_EQ(ParseAddresses(nullptr, nullptr, list, 1), TAGCORE_OK);
    EXPECT_EQ(Item(0).priority, -1);

    // Cut short to something malformed: refused, whatever was parsed there before.
    Write(buffer, u"AV:7");
    EXPECT_EQ(ParseAddresses(nullptr, nullptr, list, 1), TAGCORE_BAD_ADDRESS_FORM);
    Write(buffer, u"");
    EXPECT_EQ(ParseAddresses(nullptr, nullptr, list, 1), TAGCORE_BAD_ADDRESS_FORM);
    const char16_t* none[] = {nullptr};
    EXPECT_EQ(ParseAddresses(nullptr, nullptr, none, 1), TAGCORE_BAD_ADDRESS_FORM);
}

}  // namespace
