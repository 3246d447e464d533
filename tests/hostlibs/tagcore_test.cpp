#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "tagcore.h"
#include "tagcore/text_store.hpp"
#include "tagcore/vocabulary.hpp"

namespace {

class ParseAddressesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(RegisterDriver(u"VORNE", &record_), TAGCORE_OK); }

    const ParsedAddressItem& Item(int i) const {
        ParsedAddressItem* items = nullptr;
        std::memcpy(&items, record_->items, sizeof items);
        return items[i];
    }

    ParsedAddressRecord* record_ = nullptr;
};

TEST_F(ParseAddressesTest, FillsPositionsForNamesAliasesAndNumbers) {
    const char16_t* addresses[] = {u"ANALOG-VALUE:7:PRESENT-VALUE:8", u"av:4194303:object-name", u" AV : 0 : 111 "};
    ASSERT_EQ(ParseAddresses(u"1:100", u"", addresses, 3), TAGCORE_OK);
    EXPECT_EQ(record_->objectTypePosition, 2);
    EXPECT_EQ(record_->instanceOffset, -1);
    EXPECT_EQ(Item(0).instance, 7);
    EXPECT_EQ(Item(0).propertyPosition, 3);  // present-value
    EXPECT_EQ(Item(0).priority, 8);
    EXPECT_EQ(Item(1).instance, 4194303);
    EXPECT_EQ(Item(1).propertyPosition, 1);  // object-name
    EXPECT_EQ(Item(1).priority, -1);
    EXPECT_EQ(Item(2).propertyPosition, 6);  // status-flags by number
}

TEST_F(ParseAddressesTest, DevicePositionAndInstanceOffset) {
    const char16_t* addresses[] = {u"DEV:1:SYSTEM-STATUS"};
    ASSERT_EQ(ParseAddresses(nullptr, u"100", addresses, 1), TAGCORE_OK);
    EXPECT_EQ(record_->objectTypePosition, 6);
    EXPECT_EQ(record_->instanceOffset, 100);
}

// Hosts keep their address texts in place from scan to scan, and may
// rewrite one in place: the same place must then give the new address.
TEST_F(ParseAddressesTest, AnAddressRewrittenInPlaceIsParsedAfresh) {
    std::u16string first = u"AV:7:PRESENT-VALUE";
    std::u16string second = u"AV:8:OBJECT-NAME";
    const char16_t* addresses[] = {first.c_str(), second.c_str()};
    ASSERT_EQ(ParseAddresses(nullptr, nullptr, addresses, 2), TAGCORE_OK);
    ASSERT_EQ(ParseAddresses(nullptr, nullptr, addresses, 2), TAGCORE_OK);
    EXPECT_EQ(Item(0).instance, 7);
    EXPECT_EQ(Item(1).propertyPosition, 1);

    first.replace(3, 1, u"9");  // same length, same buffer
    ASSERT_EQ(first.c_str(), addresses[0]);
    ASSERT_EQ(ParseAddresses(nullptr, nullptr, addresses, 2), TAGCORE_OK);
    EXPECT_EQ(Item(0).instance, 9);

    second.replace(5, 11, u"PRIO");  // now malformed: the error, and the last good parse stays
    ASSERT_EQ(second.c_str(), addresses[1]);
    EXPECT_EQ(ParseAddresses(nullptr, nullptr, addresses, 2), TAGCORE_UNKNOWN_PROPERTY);
    EXPECT_EQ(Item(0).instance, 9);
    EXPECT_EQ(Item(1).instance, 8);
}

TEST_F(ParseAddressesTest, DistinctStatusForEachFault) {
    struct Case {
        const char16_t* address;
        int status;
    };
    const Case cases[] = {
        {u"AV:1", TAGCORE_BAD_ADDRESS_FORM},
        {u"AV:1:PRESENT-VALUE:8:9", TAGCORE_BAD_ADDRESS_FORM},
        {u"XX:1:PRESENT-VALUE", TAGCORE_UNKNOWN_OBJECT_TYPE},
        {u"AV:4194304:PRESENT-VALUE", TAGCORE_BAD_INSTANCE},
        {u"AV:-1:PRESENT-VALUE", TAGCORE_BAD_INSTANCE},
        {u"AV::PRESENT-VALUE", TAGCORE_BAD_INSTANCE},
        {u"AV:1:PRESENT_VALUE", TAGCORE_UNKNOWN_PROPERTY},
        {u"AV:1:8", TAGCORE_UNKNOWN_PROPERTY},  // "all" has no position
        {u"AV:1:PRESENT-VALUE:17", TAGCORE_BAD_PRIORITY},
        {u"AV:1:PRESENT-VALUE:0", TAGCORE_BAD_PRIORITY},
    };
    for (const auto& c : cases) {
        const char16_t* addresses[] = {c.address};
        EXPECT_EQ(ParseAddresses(nullptr, nullptr, addresses, 1), c.status);
    }
    const char16_t* mixed[] = {u"AV:1:PRESENT-VALUE", u"AI:1:PRESENT-VALUE"};
    EXPECT_EQ(ParseAddresses(nullptr, nullptr, mixed, 2), TAGCORE_MIXED_OBJECT_TYPES);
    EXPECT_EQ(ParseAddresses(nullptr, nullptr, mixed, 0), TAGCORE_BAD_ITEM_COUNT);
    EXPECT_EQ(ParseAddresses(nullptr, nullptr, nullptr, 1), TAGCORE_BAD_ITEM_COUNT);
    EXPECT_EQ(ParseAddresses(u"", nullptr, mixed, 1), TAGCORE_BAD_HEADER);
    EXPECT_EQ(ParseAddresses(nullptr, u"x", mixed, 1), TAGCORE_BAD_INSTANCE_OFFSET);
    EXPECT_EQ(RegisterDriver(u"OTHER", &record_), TAGCORE_UNKNOWN_DRIVER);
}

TEST(Vocabulary, PositionsMatchTheDriversOrderTables) {
    std::vector<int> seen(200, 0);
    for (int p = 0; p < tagcore::kPropertyPositions; ++p) {
        const auto id = tagcore::PropertyAt(p);
        ASSERT_GE(id, 0);
        ASSERT_LT(id, 200);
        EXPECT_EQ(++seen[static_cast<std::size_t>(id)], 1) << "identifier " << id << " twice";
        EXPECT_FALSE(tagcore::PropertyName(id).empty()) << "no name for " << id;
    }
    EXPECT_EQ(tagcore::ObjectTypeAt(6).objectType, 8);
    EXPECT_EQ(tagcore::ObjectTypeAt(15).alias, "CAL");
    EXPECT_EQ(tagcore::PropertyAt(6), 111);
    EXPECT_EQ(tagcore::PropertyAt(182), 54);
}

TEST(HostText, IpAddressTextsAndHexBytes) {
    for (const char16_t* good : {u"192.168.0.10", u"255.255.255.255", u"0.0.0.0"}) EXPECT_EQ(IsIpAddressText(good), 1);
    for (const char16_t* bad : {u"", u"1.2.3", u"1.2.3.4.5", u"256.1.1.1", u"a.b.c.d", u"1..2.3", u"1.2.3.4 "})
        EXPECT_EQ(IsIpAddressText(bad), 0);
    EXPECT_EQ(IsIpAddressText(nullptr), 0);
    EXPECT_EQ(HexByte(u"0A"), 0x0A);
    EXPECT_EQ(HexByte(u"fF"), 0xFF);
}

TEST(HostText, LongTextsSurvivePlainRecordCopies) {
    const std::u16string longText(10000, u'\u00E9');
    HostValue original{};
    ASSERT_EQ(StoreText(&original, longText.c_str()), TAGCORE_OK);
    EXPECT_EQ(original.kind, 3u);
    HostValue copy;
    std::memcpy(&copy, &original, sizeof copy);
    std::memset(&original, 0, sizeof original);
    std::vector<char16_t> buffer(10001);
    ASSERT_EQ(FetchText(&copy, buffer.data(), 10001), TAGCORE_OK);
    EXPECT_EQ(std::u16string(buffer.data()), longText);

    char16_t small[4];
    FetchText(&copy, small, 4);
    EXPECT_EQ(std::u16string(small), longText.substr(0, 3));

    HostValue shortValue{};
    AssignText(&shortValue, u"SCADA");
    EXPECT_EQ(shortValue.kind, 4u);
    FetchText(&shortValue, buffer.data(), 100);
    EXPECT_EQ(std::u16string(buffer.data()), u"SCADA");

    HostValue empty{};
    EXPECT_EQ(FetchText(&empty, buffer.data(), 100), TAGCORE_NO_TEXT);
    EXPECT_EQ(buffer[0], u'\0');
}

// The pool tests use this executable's own copy of the text store.
TEST(HostText, PollingTheSameLongTextDoesNotGrowMemory) {
    const std::u16string schedule(3000, u'x');
    HostValue value{};
    tagcore::PutText(value, schedule, 3);
    const auto before = tagcore::PooledCharacters();
    for (int scan = 0; scan < 10000; ++scan) tagcore::PutText(value, schedule, 3);
    EXPECT_EQ(tagcore::PooledCharacters(), before);
}

TEST(HostText, ThePoolStaysWithinItsBudget) {
    std::u16string text(100000, u'a');
    for (int i = 0; i < 400; ++i) {
        text[0] = static_cast<char16_t>(u'A' + i % 26);
        text[1] = static_cast<char16_t>(u'A' + i / 26);
        HostValue value{};
        tagcore::PutText(value, text, 3);
    }
    EXPECT_LE(tagcore::PooledCharacters(), tagcore::kPoolCharacterBudget);
}

// Writes text into buffer in place, as a host edits a tag.
void Write(char16_t (&buffer)[32], const std::u16string& text) {
    ASSERT_LT(text.size(), 32u);
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = u'\0';
}

// A group's addresses are recalled from the last parse by their place in the
// host's list and compared with the host's text as it is now: a text changed
// in place, even by one character at its end, or a list in another order,
// must give the addresses as they read now.
TEST_F(ParseAddressesTest, RecallAListInAnotherOrderGivesEachAddressItsOwnParse) {
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

TEST_F(ParseAddressesTest, RecallATextLongerOrShorterAtTheSamePlaceIsParsedAfresh) {
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
