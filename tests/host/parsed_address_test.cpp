// The driver reads its parse from its own copy, taken when Tagcore returns:
// whatever Tagcore does with its record afterwards (another instance's parse,
// moved items) changes nothing the driver resolves.
#include <gtest/gtest.h>

#include <cstring>

#include "host/driver_state.hpp"
#include "host/parsed_address.hpp"
#include "tables/vocabulary.hpp"
#include "tagcore.h"

namespace {

TEST(ParsedAddressTest, ItemsComeFromTheCopyTakenWhenTheParseReturned) {
    tables::BuildTypeTables();
    ASSERT_EQ(RegisterDriver(u"VORNE", &host::Driver().parsedAddress), 0);
    const char16_t* addresses[] = {u"AV:7:PRESENT-VALUE", u"AV:9:RELINQUISH-DEFAULT:8"};
    ASSERT_EQ(host::ParseTagAddresses(nullptr, u"100", addresses, 2), 0);

    // Tagcore's record now says something else entirely.
    ParsedAddressRecord& record = *host::Driver().parsedAddress;
    const ParsedAddressRecord saved = record;
    ParsedAddressItem other[2]{};
    other[0].instance = other[1].instance = 4000;
    const ParsedAddressItem* moved = other;
    std::memcpy(record.items, &moved, sizeof moved);
    record.objectTypePosition = 0;
    record.instanceOffset = -1;

    const host::ResolvedItem first = host::ResolveParsedItem(0);
    const host::ResolvedItem second = host::ResolveParsedItem(1);
    record = saved;
    EXPECT_EQ(first.objectType, 2);  // analog-value
    EXPECT_EQ(first.instance, 107);
    EXPECT_EQ(first.property, 85);
    EXPECT_EQ(first.priority, -1);
    EXPECT_EQ(second.instance, 109);
    EXPECT_EQ(second.property, 104);
    EXPECT_EQ(second.priority, 8);

    // Beyond the parse, and after a parse that failed: nothing.
    EXPECT_EQ(host::ResolveParsedItem(2).instance, 0);
    const char16_t* bad[] = {u"AV:x:PRESENT-VALUE"};
    EXPECT_NE(host::ParseTagAddresses(nullptr, nullptr, bad, 1), 0);
    EXPECT_EQ(host::ResolveParsedItem(0).property, 0);
}

}  // namespace
