// On MS/TP every request carries invoke ID 0, so only the station an answer
// comes from tells whose answer it is: a late answer from station 5 must not
// fill station 6's tag of the same object and property.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <optional>

#include "encoding/host_value.hpp"
#include "platform/clock.hpp"
#include "platform/utf.hpp"
#include "support/driver_module.hpp"
#include "support/hex.hpp"
#include "support/line_device.hpp"

namespace {

using testing_support::Hex;
using testing_support::LineDevice;

constexpr std::uint8_t kStation5 = 5;
constexpr std::uint8_t kStation6 = 6;
const char16_t* const kPresentValue[] = {u"AV:3:PRESENT-VALUE"};

class MstpLateAnswerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(driver_.Loaded()) << driver_.Error();
        auto settings = testing_support::MstpSettings(u"1");
        vorne::SetSettingsText(settings.serialDevice, platform::Utf8ToUtf16(line_.SlavePath()).c_str());
        settings.serialBaudRate = 38400;
        settings.timeout = 300;
        char16_t version[8];
        std::int32_t error = -1;
        ASSERT_EQ(driver_->open(nullptr, &settings, version, &error), 1) << error;
    }
    void TearDown() override { driver_->close(nullptr); }

    void Answer(std::uint8_t station, const char* valueHex) {
        line_.Send(LineDevice::kDriverStation, station,
                   Hex(std::string("01 00 30 00 0c 0c 00 80 00 03 19 55 3e ") + valueHex + " 3f"));
    }
    // The status and, when the line is good, its value.
    std::int32_t Finish(std::optional<double>& value) {
        HostValue record{};
        std::int32_t status = 99;
        for (int i = 0; i < 400 && driver_->readGroupFinish(&record, 0, 1, &status) == 0; ++i) platform::SleepMs(5);
        if (status == 99 && record.quality == 192) value = encoding::GetDouble(record);
        return status;
    }

    LineDevice line_;
    testing_support::DriverModule driver_;
};

TEST_F(MstpLateAnswerTest, ALateAnswerFromAnotherStationDoesNotFillTheTag) {
    std::int32_t status = 0;
    ASSERT_EQ(driver_->readGroupStart(u"5", nullptr, kPresentValue, 1, &status), 1) << status;
    ASSERT_TRUE(line_.Receive(kStation5));
    std::optional<double> value;
    EXPECT_EQ(Finish(value), -15);  // station 5 is slow

    ASSERT_EQ(driver_->readGroupStart(u"6", nullptr, kPresentValue, 1, &status), 1) << status;
    ASSERT_TRUE(line_.Receive(kStation6));
    Answer(kStation5, "44 41 ac 00 00");  // 21.5, station 5's answer at last
    platform::SleepMs(50);
    HostValue record{};
    status = 99;
    EXPECT_EQ(driver_->readGroupFinish(&record, 0, 1, &status), 0)
        << "station 6's tag got station 5's " << encoding::GetDouble(record);
    Answer(kStation6, "44 42 c8 00 00");  // 100.0
    value.reset();
    EXPECT_EQ(Finish(value), 99);
    EXPECT_EQ(value, 100.0);
}

}  // namespace

#endif
