// Reads and writes through the driver's entries against a scripted device on
// loopback: the driver at 127.0.0.1 and the device at 127.0.0.2, both on the
// driver's UDP port, as BACnet/IP peers answer to one port (the device on a
// port of its own where that cannot be bound, see support/loopback_ports.hpp).
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
#include "support/loopback_ports.hpp"
#include "support/udp_peer.hpp"

namespace {

using testing_support::BytesAre;
using testing_support::Hex;

class LoopbackTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing_support::SetEnvironment("VORNE_BIND", "127.0.0.1");
        testing_support::SetEnvironment("VORNE_BROADCAST", "127.0.0.2");
        port_ = ports_.Driver();
        device_ = std::make_unique<testing_support::UdpPeer>("127.0.0.2", ports_.Device("127.0.0.2"));
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
        std::vector<std::uint8_t> frame;
        frame.reserve(npdu.size() + 4);
        for (const std::uint8_t octet : {std::uint8_t{0x81}, std::uint8_t{0x0a}, std::uint8_t{0},
                                         static_cast<std::uint8_t>(npdu.size() + 4)})
            frame.push_back(octet);
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

    testing_support::LoopbackPorts ports_;
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
    EXPECT_TRUE(BytesAre(request, "01 04 02 35 01 0c 0c 00 80 00 03 19 55"));
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
    EXPECT_TRUE(BytesAre(request, "01 04 02 35 01 0e 0c 00 80 00 03 1e 09 55 1f 0c 00 80 00 04 1e 09 55 1f"));
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
    EXPECT_TRUE(BytesAre(DeviceReceives(), "01 04 02 35 01 0c 0c 00 80 00 03 19 55"));
}

}  // namespace

namespace {

// Answers the next request with an APDU built around its invoke ID: "%ID%" in
// the hex is replaced by it.
std::string WithInvokeId(std::string hex, const std::vector<std::uint8_t>& request) {
    const std::string id = request.size() >= 5 ? testing_support::ToHex(&request[4], 1) : "00";
    for (std::size_t at; (at = hex.find("%ID%")) != std::string::npos;) hex.replace(at, 4, id);
    return hex;
}

TEST_F(LoopbackTest, AThreeTagGroupOverTwoObjectsIsOneRequestAndFillsItsLines) {
    const char16_t* addresses[] = {u"AV:4:PRESENT-VALUE", u"AV:3:PRESENT-VALUE", u"AV:4:OBJECT-NAME"};
    int32_t status = 0;
    ASSERT_EQ(driver_->readGroupStart(u"127.0.0.2", nullptr, addresses, 3, &status), 1);
    const auto request = DeviceReceives();
    // Objects in (type, instance) order, properties in item order.
    EXPECT_TRUE(BytesAre(request, "01 04 02 35 01 0e 0c 00 80 00 03 1e 09 55 1f 0c 00 80 00 04 1e 09 55 09 4d 1f"));
    DeviceAnswers(WithInvokeId("01 00 30 %ID% 0e 0c 00 80 00 03 1e 29 55 4e 44 40 00 00 00 4f 1f "
                               "0c 00 80 00 04 1e 29 55 4e 44 40 80 00 00 4f 29 4d 4e 74 00 41 42 43 4f 1f",
                               request)
                      .c_str());
    HostValue values[3] = {};
    ASSERT_EQ(FinishRead(values, 3, status), 1);
    EXPECT_DOUBLE_EQ(encoding::GetDouble(values[0]), 4.0);
    EXPECT_DOUBLE_EQ(encoding::GetDouble(values[1]), 2.0);
    char16_t text[8] = {};
    FetchText(&values[2], text, 8);
    EXPECT_EQ(std::u16string(text), u"ABC");
    for (const auto& v : values) EXPECT_EQ(v.quality, 192);
}

TEST_F(LoopbackTest, APartialAnswerLeavesTheMissingLinesWithoutQuality) {
    const char16_t* addresses[] = {u"AV:3:PRESENT-VALUE", u"AV:3:OBJECT-NAME"};
    int32_t status = 0;
    ASSERT_EQ(driver_->readGroupStart(u"127.0.0.2", nullptr, addresses, 2, &status), 1);
    const auto request = DeviceReceives();
    DeviceAnswers(WithInvokeId("01 00 30 %ID% 0e 0c 00 80 00 03 1e 29 55 4e 44 40 00 00 00 4f 1f", request).c_str());
    HostValue values[2] = {};
    ASSERT_EQ(FinishRead(values, 2, status), 1);
    EXPECT_EQ(values[0].quality, 192);
    EXPECT_EQ(values[1].quality, 0);
    EXPECT_EQ(values[1].kind, 1u);
    EXPECT_EQ(encoding::GetInteger(values[1]), 0);
}

TEST_F(LoopbackTest, EveryPrimitiveDatatypeArrivesAsTheHostShowsIt) {
    struct Case {
        const char* valueHex;
        std::uint32_t kind;
        const char16_t* text;  // for text kinds
        double number;
    };
    const Case cases[] = {
        {"00", 3, u"NULL", 0},
        {"11", 1, nullptr, 1},
        {"22 01 2c", 1, nullptr, 300},
        {"31 ff", 1, nullptr, -1},
        {"44 3f 80 00 00", 2, nullptr, 1.0},
        {"55 08 40 09 21 fb 54 44 2d 18", 2, nullptr, 3.141592653589793},
        {"62 0a ff", 3, u"0A FF ", 0},
        {"75 06 00 c3 89 74 c3 a9", 3, u"\u00c9t\u00e9", 0},
        {"82 04 a0", 3, u"1010", 0},
        {"91 03", 1, nullptr, 3},
        {"a4 7b 0c 05 02", 3, u"5-12-2023", 0},
        {"b4 0d 05 00 32", 3, u"13:5:0.50", 0},
        {"c4 02 00 04 d2", 3, u"8:1234", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.valueHex);
        const char16_t* addresses[] = {u"AV:3:DESCRIPTION"};
        int32_t status = 0;
        ASSERT_EQ(driver_->readGroupStart(u"127.0.0.2", nullptr, addresses, 1, &status), 1);
        const auto request = DeviceReceives();
        const std::string answer = "01 00 30 %ID% 0c 0c 00 80 00 03 19 1c 3e " + std::string(c.valueHex) + " 3f";
        DeviceAnswers(WithInvokeId(answer, request).c_str());
        HostValue value{};
        ASSERT_EQ(FinishRead(&value, 1, status), 1);
        EXPECT_EQ(value.quality, 192);
        if (c.text != nullptr) {
            ASSERT_TRUE(encoding::IsTextKind(value.kind));
            char16_t text[64] = {};
            FetchText(&value, text, 64);
            EXPECT_EQ(std::u16string(text), std::u16string(c.text));
        } else {
            EXPECT_EQ(value.kind, c.kind);
            EXPECT_DOUBLE_EQ(c.kind == 2 ? encoding::GetDouble(value) : encoding::GetInteger(value), c.number);
        }
    }
}

TEST_F(LoopbackTest, ErrorsMapToTheirStatusesAndAForeignInvokeIdChangesNothing) {
    const struct {
        const char* errorHex;
        int32_t status;
    } cases[] = {{"91 02 91 20", 15}, {"91 05 91 02", 19}};
    for (const auto& c : cases) {
        const char16_t* addresses[] = {u"AV:3:PRESENT-VALUE"};
        int32_t status = 0;
        ASSERT_EQ(driver_->readGroupStart(u"127.0.0.2", nullptr, addresses, 1, &status), 1);
        const auto request = DeviceReceives();
        const std::string foreign = "01 00 50 " + std::string(request[4] == 0x06 ? "05" : "06") + " 0c 91 01 91 1f";
        DeviceAnswers(foreign.c_str());
        DeviceAnswers(WithInvokeId("01 00 50 %ID% 0c " + std::string(c.errorHex), request).c_str());
        HostValue value{};
        ASSERT_EQ(FinishRead(&value, 1, status), 1);
        EXPECT_EQ(status, c.status);
    }
}

TEST_F(LoopbackTest, WritesOfEnumerationsNullAndSilence) {
    HostValue on{};
    encoding::SetInteger(on, 1);
    int32_t status = 0;
    ASSERT_EQ(driver_->writeItemStart(u"127.0.0.2", nullptr, u"BV:2:PRESENT-VALUE:16", &on, &status), 1);
    EXPECT_TRUE(BytesAre(DeviceReceives(), "01 04 00 05 01 0f 0c 01 40 00 02 19 55 3e 91 01 3f 49 10"));
    ASSERT_EQ(FinishWrite(status), 1);
    EXPECT_EQ(status, -15);  // the device kept silent
}

}  // namespace
