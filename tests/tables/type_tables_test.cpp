#include <gtest/gtest.h>

#include <map>
#include <set>

#include "tables/vocabulary.hpp"

namespace {

using tables::GetDatatype;
using tables::HostTypeOf;

constexpr std::int32_t kUnsigned = 2, kReal = 4, kCharacterString = 7, kBitString = 8, kEnumerated = 9;

class TypeTables : public ::testing::Test {
protected:
    void SetUp() override { tables::BuildTypeTables(); }
};

TEST_F(TypeTables, OrderTablesMapEveryPositionOnce) {
    const auto& types = tables::ObjectTypeOrder();
    ASSERT_EQ(types.size(), 25u);
    std::set<std::int32_t> typeSet;
    for (const auto& [position, type] : types) typeSet.insert(type);
    EXPECT_EQ(typeSet.size(), 25u);
    EXPECT_EQ(*typeSet.begin(), 0);
    EXPECT_EQ(*typeSet.rbegin(), 24);

    const auto& properties = tables::PropertyOrder();
    ASSERT_EQ(properties.size(), 183u);
    EXPECT_EQ(properties.rbegin()->first, 182);
    std::set<std::int32_t> propertySet;
    for (const auto& [position, property] : properties) propertySet.insert(property);
    EXPECT_EQ(propertySet.size(), 183u);
}

TEST_F(TypeTables, PositionsPartWaysFromNumbers) {
    EXPECT_EQ(tables::ObjectTypeAtPosition(5), 5);
    EXPECT_EQ(tables::ObjectTypeAtPosition(6), 8);    // device
    EXPECT_EQ(tables::ObjectTypeAtPosition(15), 6);   // calendar
    EXPECT_EQ(tables::ObjectTypeAtPosition(24), 20);  // trend-log
    EXPECT_EQ(tables::PropertyAtPosition(0), 75);
    EXPECT_EQ(tables::PropertyAtPosition(6), 111);  // status-flags
    EXPECT_EQ(tables::PropertyAtPosition(182), 54);
    EXPECT_FALSE(tables::ObjectTypeAtPosition(25));
    EXPECT_FALSE(tables::ObjectTypeAtPosition(-1));
    EXPECT_FALSE(tables::PropertyAtPosition(183));
}

TEST_F(TypeTables, DatatypeTableCounts) {
    const auto& table = tables::DatatypeTable();
    EXPECT_EQ(table.size(), 313u);
    std::map<std::int32_t, std::size_t> perType;
    for (const auto& [key, datatype] : table) ++perType[key.first];
    EXPECT_EQ(perType.size(), 26u);
    EXPECT_EQ(perType[tables::kAnyObjectType], 45u);
    EXPECT_EQ(perType[8], 38u);   // device
    EXPECT_EQ(perType[12], 24u);  // loop
    EXPECT_EQ(perType[6], 1u);    // calendar
}

TEST_F(TypeTables, EveryPropertyTheHostCanNameHasADatatypeSomewhere) {
    std::set<std::int32_t> typed;
    for (const auto& [key, datatype] : tables::DatatypeTable()) typed.insert(key.second);
    for (const auto& [position, property] : tables::PropertyOrder())
        EXPECT_EQ(typed.count(property), 1u) << "position " << position << " property " << property;
}

TEST_F(TypeTables, PresentValueDatatypeFollowsTheObjectType) {
    for (const std::int32_t type : {0, 1, 2, 12, 18}) EXPECT_EQ(GetDatatype(type, 85), kReal) << type;
    for (const std::int32_t type : {3, 4, 5, 21, 22}) EXPECT_EQ(GetDatatype(type, 85), kEnumerated) << type;
    for (const std::int32_t type : {13, 14, 19, 23, 17, 7}) EXPECT_EQ(GetDatatype(type, 85), kUnsigned) << type;
    EXPECT_EQ(GetDatatype(11, 85), kCharacterString);  // group
}

TEST_F(TypeTables, ExactEntryBeatsTheEveryTypeEntry) {
    EXPECT_EQ(GetDatatype(tables::kAnyObjectType, 36), kBitString);
    EXPECT_EQ(GetDatatype(0, 36), kEnumerated);
    EXPECT_EQ(GetDatatype(6, 36), kBitString);  // calendar has no own entry
    EXPECT_EQ(GetDatatype(8, 62), kUnsigned);
    EXPECT_EQ(GetDatatype(0, 62), kCharacterString);
    EXPECT_EQ(GetDatatype(20, 183), 0);
    EXPECT_EQ(GetDatatype(23, 183), 12);  // logging-object of an accumulator
}

TEST_F(TypeTables, UnknownPropertyHasDatatypeZero) {
    EXPECT_EQ(GetDatatype(0, 165), 0);  // only life-safety zones have it
    EXPECT_EQ(GetDatatype(22, 165), kCharacterString);
    EXPECT_EQ(GetDatatype(0, 9999), 0);
    EXPECT_EQ(GetDatatype(99, 77), kCharacterString);
}

TEST_F(TypeTables, HostTypes) {
    const auto& table = tables::HostTypeTable();
    ASSERT_EQ(table.size(), 13u);
    std::map<std::int32_t, std::size_t> perHostType;
    for (const auto& [datatype, hostType] : table) ++perHostType[hostType];
    EXPECT_EQ(perHostType[tables::kHostTagInteger], 3u);
    EXPECT_EQ(perHostType[tables::kHostTagReal], 3u);
    EXPECT_EQ(perHostType[tables::kHostTagText], 7u);
    EXPECT_EQ(HostTypeOf(2), tables::kHostTagReal);     // Unsigned beside Real
    EXPECT_EQ(HostTypeOf(3), tables::kHostTagInteger);  // Signed
    EXPECT_EQ(HostTypeOf(0), tables::kHostTagText);     // Null
    EXPECT_EQ(HostTypeOf(13), tables::kHostTagInteger);
}

TEST_F(TypeTables, SecondBuildLeavesTheSameContent) {
    const auto types = tables::ObjectTypeOrder();
    const auto properties = tables::PropertyOrder();
    const auto datatypes = tables::DatatypeTable();
    const auto hostTypes = tables::HostTypeTable();
    tables::BuildTypeTables();
    EXPECT_EQ(tables::ObjectTypeOrder(), types);
    EXPECT_EQ(tables::PropertyOrder(), properties);
    EXPECT_EQ(tables::DatatypeTable(), datatypes);
    EXPECT_EQ(tables::HostTypeTable(), hostTypes);
}

}  // namespace
