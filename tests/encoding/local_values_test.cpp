#include <gtest/gtest.h>

#include <cstdint>
#include <regex>
#include <string>

#include "encoding/host_value.hpp"
#include "encoding/local_values.hpp"
#include "host_values.hpp"
#include "platform/local_time.hpp"
#include "platform/utf.hpp"
#include "tables/vocabulary.hpp"

namespace {

using testing_values::Integer;
using testing_values::TextOf;

constexpr std::int32_t kDevice = 8;
constexpr std::int32_t kAnalogInput = 0;

class LocalValues : public ::testing::Test {
protected:
    void SetUp() override {
        tables::BuildTypeTables();
        tables::BuildDevicePropertyTable(3000, 3, tables::kMaxApduWithoutLink);
    }
    void TearDown() override {
        encoding::SetLocalItemReader({});
        tables::LocalObjects().clear();
        tables::LocalProperties().clear();
    }
};

std::string LocalText(std::int32_t objectType, std::int32_t property) {
    HostValue value{};
    std::int32_t error = -1;
    EXPECT_TRUE(encoding::GetLocalPropertyValue(objectType, 1, property, value, error));
    EXPECT_EQ(value.kind, encoding::kKindAssignedText);
    return platform::Utf16ToUtf8(TextOf(value));
}

TEST_F(LocalValues, DeviceDateAndTimeComeFromTheClock) {
    const platform::LocalDateTime before = platform::LocalNow();
    const std::string date = LocalText(kDevice, 56);
    const platform::LocalDateTime after = platform::LocalNow();
    auto dateOf = [](const platform::LocalDateTime& t) {
        return std::to_string(t.day) + "-" + std::to_string(t.month) + "-" + std::to_string(t.year);
    };
    EXPECT_TRUE(date == dateOf(before) || date == dateOf(after)) << date;
    // Milliseconds, not hundredths, behind the point; no leading zeros.
    EXPECT_TRUE(std::regex_match(LocalText(kDevice, 57),
                                 std::regex("(0|[1-9]\\d?):(0|[1-9]\\d?):(0|[1-9]\\d?)\\.(0|[1-9]\\d{0,2})")));
}

TEST_F(LocalValues, DeviceTableAnswersForEveryObject) {
    for (std::int32_t objectType : {kDevice, kAnalogInput}) {
        HostValue value{};
        std::int32_t error = -1;
        ASSERT_TRUE(encoding::GetLocalPropertyValue(objectType, 99, 77, value, error));
        EXPECT_EQ(TextOf(value), u"SCADA");
        ASSERT_TRUE(encoding::GetLocalPropertyValue(objectType, 99, 79, value, error));
        EXPECT_EQ(value.kind, encoding::kKindInteger);
        EXPECT_EQ(encoding::GetInteger(value), 1);
        EXPECT_EQ(error, -1);
    }
    // Local date and time belong to the Device object only.
    HostValue value{};
    std::int32_t error = 0;
    EXPECT_FALSE(encoding::GetLocalPropertyValue(kAnalogInput, 1, 57, value, error));
    EXPECT_EQ(error, tables::kErrorUnknownProperty);
}

TEST_F(LocalValues, AllAndObjectListSucceedWithoutAValue) {
    for (std::int32_t property : {8, 76}) {
        HostValue value = Integer(1234);
        std::int32_t error = -1;
        EXPECT_TRUE(encoding::GetLocalPropertyValue(kDevice, 1, property, value, error)) << property;
        EXPECT_EQ(encoding::GetInteger(value), 1234) << property;
    }
}

TEST_F(LocalValues, UnknownPropertyFailsAndStaysUnknown) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        HostValue value{};
        std::int32_t error = 0;
        EXPECT_FALSE(encoding::GetLocalPropertyValue(kDevice, 1, 4000, value, error));
        EXPECT_EQ(error, tables::kErrorUnknownProperty);
    }
    EXPECT_EQ(tables::DeviceProperties().at(4000).category, tables::kCategoryMissing);
}

TEST_F(LocalValues, HostServedItemsGoThroughTheReaderOnceOneIsSet) {
    tables::LocalObjects()[{kAnalogInput, 3}] = 0;
    tables::LocalProperties()[{0, 3}][85] = 42;
    HostValue value{};
    std::int32_t error = 0;
    // No reader yet: answered like any other property, and present-value is not a Device entry.
    EXPECT_FALSE(encoding::GetLocalPropertyValue(kAnalogInput, 3, 85, value, error));

    int calls = 0;
    encoding::SetLocalItemReader([&](std::int32_t index, tables::HostItemHandle item, HostValue& out) {
        ++calls;
        EXPECT_EQ(index, 0);
        EXPECT_EQ(item, 42u);
        encoding::SetDouble(out, 21.5);
    });
    ASSERT_TRUE(encoding::GetLocalPropertyValue(kAnalogInput, 3, 85, value, error));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(encoding::GetDouble(value), 21.5);
    // Other instances and properties of the object still come from the Device table.
    EXPECT_TRUE(encoding::GetLocalPropertyValue(kAnalogInput, 3, 77, value, error));
    EXPECT_TRUE(encoding::GetLocalPropertyValue(kAnalogInput, 4, 77, value, error));
    EXPECT_EQ(calls, 1);
}

TEST_F(LocalValues, DatatypeFallsBackToTheEveryObjectEntry) {
    EXPECT_EQ(encoding::GetDatatype(kAnalogInput, 85), encoding::GetDatatype(-1, 85));
    EXPECT_EQ(encoding::GetDatatype(kAnalogInput, 85), 4);   // only the every-object entry
    EXPECT_EQ(encoding::GetDatatype(3, 85), 9);              // binary input has its own
    EXPECT_EQ(encoding::GetDatatype(kDevice, 57), 11);
    EXPECT_EQ(encoding::GetDatatype(kAnalogInput, 4000), 0);
}

}  // namespace
