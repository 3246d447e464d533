#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

#include "encoding/host_value.hpp"
#include "tables/device_properties.hpp"
#include "tables/local_objects.hpp"

namespace {

using tables::DeviceProperties;
using tables::LookupLocalProperty;

std::u16string TextOf(const HostValue& value) {
    char16_t buffer[256] = {};
    EXPECT_EQ(::FetchText(&value, buffer, 256), TAGCORE_OK);
    return buffer;
}

std::int32_t IntegerAt(std::int32_t property) { return encoding::GetInteger(DeviceProperties().at(property).value); }

std::size_t BuiltEntries() {
    std::size_t count = 0;
    for (const auto& [property, entry] : DeviceProperties()) count += entry.category != tables::kCategoryMissing;
    return count;
}

class DevicePropertyTable : public ::testing::Test {
protected:
    void SetUp() override { tables::BuildDevicePropertyTable(3000, 0x18003, tables::kMaxApduWithoutLink); }
};

TEST_F(DevicePropertyTable, HoldsTheDeviceEntries) {
    EXPECT_EQ(BuiltEntries(), 26u);
    EXPECT_EQ(IntegerAt(62), 512);
    EXPECT_EQ(IntegerAt(11), 3000);
    EXPECT_EQ(IntegerAt(73), 3);  // low 15 bits of the retries
    EXPECT_EQ(IntegerAt(79), 1);
    EXPECT_EQ(DeviceProperties().at(107).category, 9);
    EXPECT_EQ(DeviceProperties().at(76).category, tables::kCategoryObjectList);
    EXPECT_EQ(DeviceProperties().at(76).value.kind, encoding::kKindNone);
    EXPECT_EQ(DeviceProperties().at(8).value.kind, encoding::kKindNone);
}

TEST_F(DevicePropertyTable, TextEntries) {
    const auto& name = DeviceProperties().at(77).value;
    EXPECT_EQ(name.kind, encoding::kKindText);
    EXPECT_EQ(TextOf(name), u"SCADA");
    EXPECT_EQ(TextOf(DeviceProperties().at(75).value), u"0:0");
    EXPECT_EQ(TextOf(DeviceProperties().at(97).value).size(), 40u);
    EXPECT_EQ(TextOf(DeviceProperties().at(96).value), u"1111110010000000000000000000000");
    EXPECT_EQ(TextOf(DeviceProperties().at(130).value),
              u"2|xx-xx-xxxx xx:xx:xx.xx;2|xx-xx-xxxx xx:xx:xx.xx;2|xx-xx-xxxx xx:xx:xx.xx");
}

TEST_F(DevicePropertyTable, SecondBuildTakesTheNewSettingsOnly) {
    const auto before = DeviceProperties();
    tables::BuildDevicePropertyTable(7000, 5, 1476);
    EXPECT_EQ(BuiltEntries(), 26u);
    EXPECT_EQ(IntegerAt(11), 7000);
    EXPECT_EQ(IntegerAt(73), 5);
    EXPECT_EQ(IntegerAt(62), 1476);
    for (const auto& [property, entry] : before) {
        if (property == 11 || property == 73 || property == 62) continue;
        const auto& now = DeviceProperties().at(property);
        EXPECT_EQ(now.category, entry.category) << property;
        EXPECT_EQ(std::memcmp(&now.value, &entry.value, sizeof(HostValue)), 0) << property;
    }
}

class LocalObjectTables : public ::testing::Test {
protected:
    void SetUp() override { tables::BuildDevicePropertyTable(3000, 3, tables::kMaxApduWithoutLink); }
    void TearDown() override {
        tables::LocalObjects().clear();
        tables::LocalProperties().clear();
    }
};

TEST_F(LocalObjectTables, AnyObjectIsAnsweredAsTheDevice) {
    for (const auto& [type, instance] : {std::pair{0, 5}, std::pair{8, 1234}, std::pair{20, 0}}) {
        HostValue value{};
        ASSERT_EQ(LookupLocalProperty(type, instance, 77, value), 0);
        EXPECT_EQ(TextOf(value), u"SCADA");
        ASSERT_EQ(LookupLocalProperty(type, instance, 79, value), 0);
        EXPECT_EQ(value.kind, encoding::kKindInteger);
        EXPECT_EQ(encoding::GetInteger(value), 1);
    }
}

TEST_F(LocalObjectTables, MissingPropertyFailsAndIsRemembered) {
    DeviceProperties().erase(4321);
    HostValue value{};
    EXPECT_EQ(LookupLocalProperty(8, 1, 4321, value), tables::kErrorUnknownProperty);
    ASSERT_EQ(DeviceProperties().count(4321), 1u);
    EXPECT_EQ(DeviceProperties().at(4321).category, tables::kCategoryMissing);
    EXPECT_EQ(LookupLocalProperty(8, 1, 4321, value), tables::kErrorUnknownProperty);
}

TEST_F(LocalObjectTables, ObjectListSucceedsWithoutTouchingTheValue) {
    HostValue value{};
    encoding::SetInteger(value, 77);
    EXPECT_EQ(LookupLocalProperty(8, 1, 76, value), 0);
    EXPECT_EQ(value.kind, encoding::kKindInteger);
    EXPECT_EQ(encoding::GetInteger(value), 77);
}

TEST_F(LocalObjectTables, HostServedPropertiesGoThroughTheReader) {
    tables::LocalObjects()[{2, 7}] = 3;
    tables::LocalProperties()[{3, 7}][85] = 42;
    std::int32_t seenIndex = -2;
    tables::HostItemHandle seenItem = 0;
    const tables::HostItemReader reader = [&](std::int32_t index, tables::HostItemHandle item, HostValue& value) {
        seenIndex = index;
        seenItem = item;
        encoding::SetDouble(value, 21.5);
    };
    HostValue value{};
    ASSERT_EQ(LookupLocalProperty(2, 7, 85, value, reader), 0);
    EXPECT_EQ(seenIndex, 3);
    EXPECT_EQ(seenItem, 42u);
    EXPECT_EQ(encoding::GetDouble(value), 21.5);

    // Other properties of the object, and the object without a reader, fall to the Device entries.
    seenIndex = -2;
    ASSERT_EQ(LookupLocalProperty(2, 7, 77, value, reader), 0);
    EXPECT_EQ(seenIndex, -2);
    EXPECT_EQ(TextOf(value), u"SCADA");
    DeviceProperties().erase(85);
    EXPECT_EQ(LookupLocalProperty(2, 7, 85, value), tables::kErrorUnknownProperty);
}

}  // namespace
