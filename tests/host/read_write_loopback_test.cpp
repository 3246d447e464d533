// Reads and writes through the driver's entries against a scripted device on
// loopback: the driver at 127.0.0.1 and the device at 127.0.0.2, both on the
// driver's UDP port, as BACnet/IP peers answer to one port.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "encoding/host_value.hpp"
#include "platform/clock.hpp"
#include "support/driver_module.hpp"
#include "support/environment.hpp"
#include "support/hex.hpp"
#include "support/udp_peer.hpp"

namespace {

using testing_support::BytesAre;
using testing_support::Hex;

class LoopbackTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing_support::SetEnvironment("VORNE_BIND", "127.0.0.1");
        testing_support::SetEnvironment("VORNE_BROADCAST", "127.0.0.2");
        port_ = testing_support::FreeUdpPort();
        device_ = std::make_unique<testing_support::UdpPeer>("127.0.0.2", port_);
        ASSERT_TRUE(driver_.Loaded()) << driver_.Error();
        const auto settings = testing_support::BacnetIpSettings(port_, 300);
        char16_t version[8];
        int32_t error = 0;
        ASSERT_EQ(driver_->open(nullptr, &settings, version, &error), 1) << error;
    }
    void TearDown() override {
        driver_->close(nullptr);
        testing_support::SetEnvironment("VORNE_BIND", nullptr);
        testing_support::SetEnvironment("VORNE_BROADCAST", nullptr);
    }

    // The next frame the device receives, without its 4-byte BVLC header.
    std::vector<std::uint8_t> DeviceReceives() {
        auto frame = device_->Receive(2000);
        if (!frame || frame->size() < 4) return {};
        return std::vector<std::uint8_t>(frame->begin() + 4, frame->end());
    }

    void DeviceAnswers(const char* npduHex) {
        auto npdu = Hex(npduHex);
        std::vector<std::uint8_t> frame = {0x81, 0x0a, 0, static_cast<std::uint8_t>(npdu.size() + 4)};
        frame.insert(frame.end(), npdu.begin(), npdu.end());
        device_->SendTo("127.0.0.1", port_, frame);
    }

    // Polls the finish entry until it returns 1 (or 3 s pass).
    int32_t FinishRead(HostValue* values, int32_t count, int32_t& status) {
        for (int i = 0; i < 300; ++i) {
            if (driver_->readGroupFinish(values, 0, count, &status) == 1) return 1;
            platform::SleepMs(10);
        }
        return 0;
    }

    int32_t FinishWrite(int32_t& status) {
        for (int i = 0; i < 300; ++i) {
            if (driver_->writeItemFinish(&status) == 1) return 1;
            platform::SleepMs(10);
        }
        return 0;
    }

    std::uint16_t port_ = 0;
    std::unique_ptr<testing_support::UdpPeer> device_;
    testing_support::DriverModule driver_;
};

TEST_F(LoopbackTest, OneTagIsReadWithReadProperty) {
    const char16_t* addresses[] = {u"AV:3:PRESENT-VALUE"};
    int32_t status = 99;
    ASSERT_EQ(driver_->readGroupStart(u"127.0.0.2", nullptr, addresses, 1, &status), 1) << status;
    const auto request = DeviceReceives();
    // Invoke ID 1: the first of this instance's range 0..6 after the initial 0.
    EXPECT_TRUE(BytesAre(request, "01 04 00 05 01 0c 0c 00 80 00 03 19 55"));
    DeviceAnswers("01 00 30 01 0c 0c 00 80 00 03 19 55 3e 44 41 ac 00 00 3f");

    HostValue value{};
    status = 99;
    ASSERT_EQ(FinishRead(&value, 1, status), 1);
    EXPECT_EQ(status, 99);  // a complete scan leaves the status untouched
    EXPECT_EQ(value.kind, 2u);
    EXPECT_DOUBLE_EQ(encoding::GetDouble(value), 21.5);
    EXPECT_EQ(value.quality, 192);
    EXPECT_NE(encoding::GetTimeStamp(value), 0u);
}

TEST_F(LoopbackTest, AnErrorAnswerEndsTheScanWithItsStatus) {
    const char16_t* addresses[] = {u"AV:9:PRESENT-VALUE"};
    int32_t status = 0;
    ASSERT_EQ(driver_->readGroupStart(u"127.0.0.2", nullptr, addresses, 1, &status), 1);
    const auto request = DeviceReceives();
    ASSERT_GE(request.size(), 5u);
    const std::uint8_t invokeId = request[4];
    std::string error = "01 00 50 " + testing_support::ToHex(&invokeId, 1) + " 0c 91 01 91 1f";
    DeviceAnswers(error.c_str());
    HostValue value{};
    ASSERT_EQ(FinishRead(&value, 1, status), 1);
    EXPECT_EQ(status, 14);
}

TEST_F(LoopbackTest, SilenceEndsTheScanWithNoAnswer) {
    const char16_t* addresses[] = {u"AV:3:PRESENT-VALUE", u"AV:4:PRESENT-VALUE"};
    int32_t status = 0;
    ASSERT_EQ(driver_->readGroupStart(u"127.0.0.2", nullptr, addresses, 2, &status), 1);
    const auto request = DeviceReceives();
    EXPECT_TRUE(BytesAre(request, "01 04 00 05 01 0e 0c 00 80 00 03 1e 09 55 1f 0c 00 80 00 04 1e 09 55 1f"));
    HostValue values[2] = {};
    ASSERT_EQ(FinishRead(values, 2, status), 1);
    EXPECT_EQ(status, -15);
}

TEST_F(LoopbackTest, AWriteIsAcknowledged) {
    HostValue value{};
    encoding::SetDouble(value, 21.5);
    int32_t status = 99;
    ASSERT_EQ(driver_->writeItemStart(u"127.0.0.2", nullptr, u"AV:3:PRESENT-VALUE", &value, &status), 1) << status;
    const auto request = DeviceReceives();
    EXPECT_TRUE(BytesAre(request, "01 04 00 05 01 0f 0c 00 80 00 03 19 55 3e 44 41 ac 00 00 3f 49 08"));
    DeviceAnswers("01 00 20 01 0f");
    ASSERT_EQ(FinishWrite(status), 1);
    EXPECT_EQ(status, 0);

    HostValue none{};
    EXPECT_EQ(driver_->writeItemStart(u"127.0.0.2", nullptr, u"AV:3:PRESENT-VALUE", &none, &status), 20);
}

TEST_F(LoopbackTest, AWriteRefusedByTheDeviceReportsWhy) {
    HostValue value{};
    encoding::SetInteger(value, 1);
    int32_t status = 0;
    ASSERT_EQ(driver_->writeItemStart(u"127.0.0.2", nullptr, u"BV:1:PRESENT-VALUE:16", &value, &status), 1);
    const auto request = DeviceReceives();
    ASSERT_GE(request.size(), 5u);
    EXPECT_EQ(request.back(), 0x10);  // priority 16
    const std::string error = "01 00 50 " + testing_support::ToHex(&request[4], 1) + " 0f 91 02 91 28";
    DeviceAnswers(error.c_str());
    ASSERT_EQ(FinishWrite(status), 1);
    EXPECT_EQ(status, 16);
}

TEST_F(LoopbackTest, ADeviceNamedByInstanceIsFoundWithWhoIs) {
    const char16_t* addresses[] = {u"AV:3:PRESENT-VALUE"};
    int32_t status = 0;
    EXPECT_EQ(driver_->addGroup(reinterpret_cast<void*>(1), u"0:1234"), 1);
    // The group's device is asked for at once, as a local broadcast with a global destination.
    EXPECT_TRUE(BytesAre(DeviceReceives(), "01 24 ff ff 00 ff 10 08 0a 04 d2 1a 04 d2"));
    EXPECT_EQ(driver_->readGroupStart(u"0:1234", nullptr, addresses, 1, &status), 0);
    EXPECT_EQ(status, 13);

    DeviceAnswers("01 00 10 00 c4 02 00 04 d2 22 05 c4 91 00 22 01 04");
    for (int i = 0; i < 100 && status != 0; ++i) {
        platform::SleepMs(10);
        driver_->readGroupStart(u"0:1234", nullptr, addresses, 1, &status);
    }
    ASSERT_EQ(status, 0);
    // Network:device stations accept segmented answers.
    EXPECT_TRUE(BytesAre(DeviceReceives(), "01 04 02 05 01 0c 0c 00 80 00 03 19 55"));
}

}  // namespace
