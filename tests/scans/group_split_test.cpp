// Groups larger than one request can carry, read through the driver's entries
// from a simulated device: every tag gets its value, and no request the
// device receives is longer than the link's max-APDU (the device would refuse
// it). On BACnet/IP and on MS/TP.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "encoding/host_value.hpp"
#include "platform/clock.hpp"
#include "platform/utf.hpp"
#include "sim/simulator.hpp"
#include "support/driver_module.hpp"
#include "support/environment.hpp"
#include "support/udp_peer.hpp"

namespace {

using testing_support::DriverModule;

constexpr std::uint32_t kAnalogValue = 2;
constexpr std::size_t kBacnetIpMaxApdu = 1476;
constexpr std::size_t kMstpMaxApdu = 480;
constexpr std::int32_t kUntouched = 99;

struct Group {
    std::vector<std::u16string> addresses;
    std::vector<const char16_t*> texts;
};

// Analog values first .. first + objects - 1, each with the given properties, object by object.
Group MakeGroup(std::uint32_t objects, const std::vector<std::string>& properties) {
    Group group;
    for (std::uint32_t n = 1; n <= objects; ++n)
        for (const std::string& property : properties) {
            const std::string text = "AV:" + std::to_string(n) + ":" + property;
            group.addresses.emplace_back(text.begin(), text.end());
        }
    for (const auto& address : group.addresses) group.texts.push_back(address.c_str());
    return group;
}

class GroupSplitTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (opened_) driver_->close(nullptr);
        device_.Stop();
        testing_support::SetEnvironment("VORNE_BIND", nullptr);
        testing_support::SetEnvironment("VORNE_LOG", nullptr);
    }
    void Open(const vorne::DriverSettings& settings) {
        ASSERT_TRUE(driver_.Loaded()) << driver_.Error();
        char16_t version[8];
        std::int32_t error = -1;
        ASSERT_EQ(driver_->open(nullptr, &settings, version, &error), 1) << error;
        opened_ = true;
    }

    // One scan of the group; every value record with the scan's status.
    std::vector<HostValue> Scan(const char16_t* station, Group& group, std::int32_t& status) {
        const auto count = static_cast<std::int32_t>(group.texts.size());
        std::vector<HostValue> values(group.texts.size());
        status = 0;
        EXPECT_EQ(driver_->readGroupStart(station, nullptr, group.texts.data(), count, &status), 1) << status;
        status = kUntouched;
        const std::uint32_t start = platform::TickCount();
        while (driver_->readGroupFinish(values.data(), 0, count, &status) != 1) {
            if (platform::TickCount() - start > 20000) {
                ADD_FAILURE() << "the scan does not end";
                break;
            }
            platform::SleepMs(1);
        }
        return values;
    }

    // Every line at 192, and every present value the device's own.
    void ExpectEveryLineGood(const Group& group, const std::vector<HostValue>& values) {
        std::size_t bad = 0;
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (values[i].quality != 192 && bad++ < 3) ADD_FAILURE() << "line " << i << " has no value";
            const std::u16string& address = group.addresses[i];
            if (address.ends_with(u":PRESENT-VALUE")) {
                const std::uint32_t n = std::stoul(platform::Utf16ToUtf8(address.substr(3)));
                const auto expected = device_.PresentValue(kAnalogValue, n);
                ASSERT_TRUE(expected.has_value());
                EXPECT_DOUBLE_EQ(encoding::GetDouble(values[i]), expected->real) << "line " << i;
            }
        }
        EXPECT_EQ(bad, 0u) << "of " << values.size() << " lines";
    }

    sim::Simulator device_;
    DriverModule driver_;
    bool opened_ = false;
};

TEST_F(GroupSplitTest, AThousandTagGroupOnBacnetIpScansWholeInRequestsThatFit) {
    testing_support::SetEnvironment("VORNE_BIND", "127.0.0.1");
    testing_support::SetEnvironment("VORNE_LOG", "/dev/null");
    sim::SimOptions options;
    options.bindAddress = "127.0.0.2";
    options.port = testing_support::FreeUdpPort();
    std::string error;
    ASSERT_TRUE(device_.Start(options, error)) << error;
    Open(testing_support::BacnetIpSettings(device_.Port(), 3000));

    Group group = MakeGroup(200, {"PRESENT-VALUE", "OBJECT-NAME", "UNITS", "STATUS-FLAGS", "OUT-OF-SERVICE"});
    ASSERT_EQ(group.texts.size(), 1000u);
    for (int scan = 0; scan < 2; ++scan) {
        SCOPED_TRACE("scan " + std::to_string(scan));
        const std::uint64_t requestsBefore = device_.RequestCount();
        std::int32_t status = 0;
        const auto values = Scan(u"127.0.0.2", group, status);
        EXPECT_EQ(status, kUntouched);
        ExpectEveryLineGood(group, values);
        EXPECT_GT(device_.RequestCount() - requestsBefore, 1u) << "the group went out as one request";
    }
    EXPECT_GT(device_.LargestRequest(), kBacnetIpMaxApdu / 2) << "the requests are cut smaller than they need be";
    EXPECT_LE(device_.LargestRequest(), kBacnetIpMaxApdu);
}

TEST_F(GroupSplitTest, ADeviceAnnouncingASmallerMaxApduGetsRequestsThatFitIt) {
    constexpr std::size_t kDeviceMaxApdu = 480;
    testing_support::SetEnvironment("VORNE_BIND", "127.0.0.1");
    testing_support::SetEnvironment("VORNE_BROADCAST", "127.0.0.2");  // the Who-Is reaches the device
    testing_support::SetEnvironment("VORNE_LOG", "/dev/null");
    sim::SimOptions options;
    options.bindAddress = "127.0.0.2";
    options.port = testing_support::FreeUdpPort();
    options.maxApdu = kDeviceMaxApdu;
    std::string error;
    ASSERT_TRUE(device_.Start(options, error)) << error;
    Open(testing_support::BacnetIpSettings(device_.Port(), 3000));

    // Bound by Who-Is, the station learns the device's max-APDU from its I-Am.
    Group one = MakeGroup(1, {"PRESENT-VALUE"});
    std::int32_t status = 13;
    HostValue value{};
    for (int i = 0; i < 500 && status == 13; ++i) {
        if (driver_->readGroupStart(u"0:1234", nullptr, one.texts.data(), 1, &status) == 1) break;
        platform::SleepMs(10);
    }
    ASSERT_NE(status, 13) << "the device never bound";
    while (driver_->readGroupFinish(&value, 0, 1, &status) != 1) platform::SleepMs(1);

    // About 1,000 octets: fits the link, not the device.
    Group group = MakeGroup(120, {"PRESENT-VALUE", "UNITS"});
    const std::uint64_t requestsBefore = device_.RequestCount();
    const auto values = Scan(u"0:1234", group, status);
    EXPECT_EQ(status, kUntouched);
    ExpectEveryLineGood(group, values);
    EXPECT_GT(device_.RequestCount() - requestsBefore, 1u) << "the group went out as one request";
    EXPECT_LE(device_.LargestRequest(), kDeviceMaxApdu);
    testing_support::SetEnvironment("VORNE_BROADCAST", nullptr);
}

#ifndef _WIN32
TEST_F(GroupSplitTest, AGroupOnMstpScansWholeInRequestsThatFit) {
    sim::SimOptions options;
    options.mstpDevice = "pty";
    options.mstpStation = 5;
    options.baudRate = 115200;
    std::string error;
    ASSERT_TRUE(device_.Start(options, error)) << error;
    testing_support::SetEnvironment("VORNE_LOG", "/dev/null");
    auto settings = testing_support::MstpSettings(u"1");
    vorne::SetSettingsText(settings.serialDevice, platform::Utf8ToUtf16(device_.LineName()).c_str());
    settings.serialBaudRate = 115200;
    settings.timeout = 3000;
    Open(settings);

    Group group = MakeGroup(120, {"PRESENT-VALUE", "UNITS"});
    std::int32_t status = 0;
    const auto values = Scan(u"5", group, status);
    EXPECT_EQ(status, kUntouched);
    ExpectEveryLineGood(group, values);
    EXPECT_GT(device_.RequestCount(), 1u) << "the group went out as one request";
    EXPECT_LE(device_.LargestRequest(), kMstpMaxApdu);
}
#endif

}  // namespace
