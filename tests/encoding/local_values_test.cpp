#include <gtest/gtest.h>

#include <cstdint>
#include <regex>
#include <string>

#include "encoding/local_values.hpp"
#include "host_values.hpp"
#include "platform/local_time.hpp"
#include "platform/utf.hpp"
#include "tables/vocabulary.hpp"

namespace {

using namespace testing_values;

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

    // The lookup's outcome: the value's text or integer, or "error <code>".
    static std::string Lookup(std::int32_t objectType, std::int32_t instance, std::int32_t property) {
        HostValue value = Integer(1234);
        std::int32_t error = -1;
        if (!encoding::GetLocalPropertyValue(objectType, instance, property, value, error))
            return "error " + std::to_string(error);
        if (encoding::IsTextKind(value.kind)) return platform::Utf16ToUtf8(TextOf(value));
        if (value.kind == encoding::kKindDouble) return std::to_string(encoding::GetDouble(value));
        return std::to_string(encoding::GetInteger(value));
    }
};

TEST_F(LocalValues, DeviceDateAndTimeComeFromTheClock) {
    const platform::LocalDateTime before = platform::LocalNow();
    const std::string date = Lookup(kDevice, 1, 56);
    const platform::LocalDateTime after = platform::LocalNow();
    auto dateOf = [](const platform::LocalDateTime& t) {
        return std::to_string(t.day) + "-" + std::to_string(t.month) + "-" + std::to_string(t.year);
    };
    EXPECT_TRUE(date == dateOf(before) || date == dateOf(after)) << date;
    // Milliseconds, not hundredths, behind the point.
    EXPECT_TRUE(std::regex_match(Lookup(kDevice, 1, 57), std::regex("\\d{1,2}:\\d{1,2}:\\d{1,2}\\.\\d{1,3}")));
    HostValue value{};
    std::int32_t error = 0;
    ASSERT_TRUE(encoding::GetLocalPropertyValue(kDevice, 1, 57, value, error));
    EXPECT_EQ(value.kind, encoding::kKindAssignedText);
}

TEST_F(LocalValues, EveryObjectIsAnsweredFromTheDeviceTable) {
    const struct { std::int32_t objectType, property; const char* outcome; } cases[] = {
        {kDevice, 77, "SCADA"}, {kAnalogInput, 77, "SCADA"}, {kAnalogInput, 79, "1"},
        {kAnalogInput, 57, "error 32"},                    // local time is the Device object's only
        {kDevice, 8, "1234"}, {kDevice, 76, "1234"},       // all and object-list leave the value alone
        {kDevice, 4000, "error 32"}, {kDevice, 4000, "error 32"},
    };
    for (const auto& c : cases) EXPECT_EQ(Lookup(c.objectType, 99, c.property), c.outcome) << c.property;
    EXPECT_EQ(tables::DeviceProperties().at(4000).category, tables::kCategoryMissing);
}

TEST_F(LocalValues, HostServedItemsGoThroughTheReaderOnceOneIsSet) {
    tables::LocalObjects()[{kAnalogInput, 3}] = 0;
    tables::LocalProperties()[{0, 3}][85] = 42;
    EXPECT_EQ(Lookup(kAnalogInput, 3, 85), "error 32");  // no reader: present-value is no Device entry
    encoding::SetLocalItemReader([](std::int32_t index, tables::HostItemHandle item, HostValue& out) {
        encoding::SetDouble(out, index * 1000 + static_cast<double>(item));
    });
    EXPECT_EQ(Lookup(kAnalogInput, 3, 85), "42.000000");
    EXPECT_EQ(Lookup(kAnalogInput, 3, 77), "SCADA");
    EXPECT_EQ(Lookup(kAnalogInput, 4, 85), "error 32");
}

TEST_F(LocalValues, DatatypeFallsBackToTheEveryObjectEntry) {
    EXPECT_EQ(encoding::GetDatatype(kAnalogInput, 85), 4);
    EXPECT_EQ(encoding::GetDatatype(3, 85), 9);
    EXPECT_EQ(encoding::GetDatatype(kAnalogInput, 4000), 0);
}

}  // namespace
