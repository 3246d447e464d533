#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "tables/name_tables.hpp"

namespace {

using tables::NameOf;
using tables::NameTable;
using tables::NameTableEntries;

std::size_t TrailingSpaces(const std::u16string& name) {
    const auto last = name.find_last_not_of(u' ');
    return last == std::u16string::npos ? name.size() : name.size() - last - 1;
}

std::size_t NonEmptyCount(NameTable table) {
    const auto& map = NameTableEntries(table);
    return static_cast<std::size_t>(std::count_if(map.begin(), map.end(), [](const auto& e) { return !e.second.empty(); }));
}

class NameTables : public ::testing::Test {
protected:
    void SetUp() override { tables::BuildNameTables(); }
};

TEST_F(NameTables, HoldTheirNumbers) {
    // Lookups of unknown numbers add empty entries, so count the named ones.
    EXPECT_EQ(NonEmptyCount(NameTable::kErrorClass), 7u);
    EXPECT_EQ(NonEmptyCount(NameTable::kErrorCode), 51u);
    EXPECT_EQ(NonEmptyCount(NameTable::kObjectType), 26u);
    EXPECT_EQ(NonEmptyCount(NameTable::kProperty), 187u);
    EXPECT_FALSE(NameOf(NameTable::kErrorCode, 50).empty());
    EXPECT_FALSE(NameOf(NameTable::kProperty, 192).empty());
    for (const std::int32_t absent : {18, 51, 95, 101, 138, 165}) EXPECT_EQ(NameOf(NameTable::kProperty, absent), u"") << absent;
}

TEST_F(NameTables, KeepTheirSpacesInTellingRows) {
    EXPECT_EQ(NameOf(NameTable::kErrorClass, 1), u" BACNET_CLASS_ERROR_OBJECT ");
    EXPECT_EQ(NameOf(NameTable::kErrorCode, 2), u" BACNET_ERRORCODE_CONFIGURATION_IN_PROGRESS  ");
    EXPECT_EQ(NameOf(NameTable::kErrorCode, 33), u" BACNET_ERRORCODE___THIS ENUMERATION_WAS_REMOVED  ");
    EXPECT_EQ(NameOf(NameTable::kErrorCode, 49), u" BACNET_ERRORCODE___DUPLICATE_OBJECT_ID  ");
    EXPECT_EQ(NameOf(NameTable::kObjectType, -1), u" BACNET_OBJECT_TYPE_ALL");
    EXPECT_EQ(NameOf(NameTable::kObjectType, 0), u" BACNET_OBJECT_TYPE_ANALOG_INPUT   ");
    EXPECT_EQ(NameOf(NameTable::kObjectType, 24), u" BACNET_OBJECT_TYPE_PULSE_CONVERTER  ");
    EXPECT_EQ(NameOf(NameTable::kProperty, 85), u"  BACNET_PROPERTY_IDENTIFIER_PRESENT_VALUE  ");
    EXPECT_EQ(NameOf(NameTable::kProperty, 17), u"  BACNET_PROPERTY_IDENTIFIER_NOTIFICATION_CLASS   ");
    EXPECT_EQ(NameOf(NameTable::kProperty, 123), u"  BACNET_PROPERTY_IDENTIFIER_WEEKLY_SCHEDULE ");
}

TEST_F(NameTables, ErrorCodesShareOneForm) {
    std::size_t doubleUnderscored = 0;
    for (const auto& [code, name] : NameTableEntries(NameTable::kErrorCode)) {
        if (name.empty()) continue;
        EXPECT_EQ(name.rfind(u" BACNET_ERRORCODE_", 0), 0u) << code;
        EXPECT_EQ(TrailingSpaces(name), 2u) << code;
        if (name.rfind(u" BACNET_ERRORCODE___", 0) == 0) ++doubleUnderscored;
    }
    EXPECT_EQ(doubleUnderscored, 9u);  // eight codes and 33
}

TEST_F(NameTables, ObjectTypeTrailingSpacesVary) {
    std::size_t byTrailing[4] = {};
    for (const auto& [type, name] : NameTableEntries(NameTable::kObjectType)) {
        if (name.empty()) continue;
        EXPECT_EQ(name.rfind(u" BACNET_OBJECT_TYPE_", 0), 0u) << type;
        const auto trailing = TrailingSpaces(name);
        ASSERT_LT(trailing, 4u) << type;
        ++byTrailing[trailing];
    }
    EXPECT_EQ(byTrailing[0], 1u);
    EXPECT_EQ(byTrailing[1], 0u);
    EXPECT_EQ(byTrailing[2], 14u);
    EXPECT_EQ(byTrailing[3], 11u);
}

TEST_F(NameTables, PropertyNamesHaveTwoSpacesExceptSix) {
    const std::set<std::int32_t> three = {17, 83, 129};
    const std::set<std::int32_t> one = {123, 147, 148};
    for (const auto& [property, name] : NameTableEntries(NameTable::kProperty)) {
        if (name.empty()) continue;
        EXPECT_EQ(name.rfind(u"  BACNET_PROPERTY_IDENTIFIER_", 0), 0u) << property;
        const std::size_t expected = three.count(property) ? 3u : one.count(property) ? 1u : 2u;
        EXPECT_EQ(TrailingSpaces(name), expected) << property;
    }
}

TEST_F(NameTables, LookupOfAnUnnamedNumberAddsAnEmptyEntry) {
    const auto& properties = NameTableEntries(NameTable::kProperty);
    EXPECT_EQ(NameOf(NameTable::kProperty, 165), u"");
    ASSERT_EQ(properties.count(165), 1u);
    EXPECT_EQ(properties.at(165), u"");

    EXPECT_EQ(NameOf(NameTable::kErrorClass, 7), u"");
    EXPECT_EQ(NameTableEntries(NameTable::kErrorClass).count(7), 1u);
}

TEST_F(NameTables, SecondBuildLeavesTheSameContent) {
    NameOf(NameTable::kProperty, 165);
    const auto classes = NameTableEntries(NameTable::kErrorClass);
    const auto codes = NameTableEntries(NameTable::kErrorCode);
    const auto types = NameTableEntries(NameTable::kObjectType);
    const auto properties = NameTableEntries(NameTable::kProperty);
    tables::BuildNameTables();
    EXPECT_EQ(NameTableEntries(NameTable::kErrorClass), classes);
    EXPECT_EQ(NameTableEntries(NameTable::kErrorCode), codes);
    EXPECT_EQ(NameTableEntries(NameTable::kObjectType), types);
    EXPECT_EQ(NameTableEntries(NameTable::kProperty), properties);
}

}  // namespace
