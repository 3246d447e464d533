// MS/TP on a line. The line is a pseudo-terminal: the driver opens its slave
// side by the device path in the settings record, and the test plays the
// devices on the master side. The driver is loaded and driven through its
// exported entries, as a host does; the last tests hold the link object of
// this process with the test on the host's side of the driver-state lock.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "encoding/host_value.hpp"
#include "links/mstp.hpp"
#include "links/mstp_frame.hpp"
#include "links/mstp_lock.hpp"
#include "network/npdu.hpp"
#include "platform/clock.hpp"
#include "platform/named_objects.hpp"
#include "platform/utf.hpp"
#include "portwise.h"
#include "support/communication_log.hpp"
#include "support/driver_module.hpp"
#include "support/hex.hpp"
#include "support/line_device.hpp"

namespace {

using testing_support::BytesAre;
using testing_support::Hex;
namespace frame = LinkServices::MstpFrame;

using testing_support::LineDevice;
constexpr std::uint8_t kDriverStation = LineDevice::kDriverStation;
constexpr std::uint8_t kDevice = LineDevice::kDevice;

// The host's communication log (VORNE_LOG), where driver and Portwise write.
using LogFile = testing_support::CommunicationLog;

vorne::DriverSettings LineSettings(const std::string& device) {
    auto settings = testing_support::MstpSettings(u"1");
    vorne::SetSettingsText(settings.serialDevice, platform::Utf8ToUtf16(device).c_str());
    settings.serialBaudRate = 38400;
    return settings;
}

class MstpLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(driver_.Loaded()) << driver_.Error();
        const auto settings = LineSettings(device_.SlavePath());
        char16_t version[8];
        int32_t error = -1;
        ASSERT_EQ(driver_->open(nullptr, &settings, version, &error), 1) << error;
    }
    void TearDown() override { driver_->close(nullptr); }

    // Polls the finish entry until it returns 1; the value, or nothing.
    std::optional<double> FinishRead(int32_t& status) {
        HostValue value{};
        status = 99;  // a complete scan leaves it untouched
        for (int i = 0; i < 300; ++i, platform::SleepMs(5))
            if (driver_->readGroupFinish(&value, 0, 1, &status) == 1)
                return status == 99 ? std::optional<double>(encoding::GetDouble(value)) : std::nullopt;
        return std::nullopt;
    }

    LogFile log_;
    LineDevice device_;
    testing_support::DriverModule driver_;
};

const char16_t* const kPresentValue[] = {u"AV:3:PRESENT-VALUE"};

TEST_F(MstpLineTest, APresentValueIsReadAndWritten) {
    int32_t status = 0;
    ASSERT_EQ(driver_->readGroupStart(u"5", nullptr, kPresentValue, 1, &status), 1) << status;
    // ReadProperty with invoke ID 0 and the 480-octet APDU limit of MS/TP.
    EXPECT_TRUE(BytesAre(device_.Receive().value_or(std::vector<std::uint8_t>{}),
                         "01 04 02 53 00 0c 0c 00 80 00 03 19 55"));
    // The answer comes in two pieces, as a slow line delivers it.
    const auto answer = Hex("01 00 30 00 0c 0c 00 80 00 03 19 55 3e 44 41 ac 00 00 3f");
    const auto bytes = frame::Encode(frame::kDataNotExpectingReply, kDriverStation, kDevice, answer.data(), 19);
    device_.Write(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 11));
    platform::SleepMs(20);
    device_.Write(std::vector<std::uint8_t>(bytes.begin() + 11, bytes.end()));
    EXPECT_EQ(FinishRead(status), 21.5);

    HostValue value{};
    encoding::SetDouble(value, 21.5);
    ASSERT_EQ(driver_->writeItemStart(u"5", nullptr, u"AV:3:PRESENT-VALUE", &value, &status), 1) << status;
    EXPECT_TRUE(BytesAre(device_.Receive().value_or(std::vector<std::uint8_t>{}),
                         "01 04 00 03 00 0f 0c 00 80 00 03 19 55 3e 44 41 ac 00 00 3f 49 08"));
    device_.Send(kDriverStation, kDevice, Hex("01 00 20 00 0f"));
    for (int i = 0; i < 300 && driver_->writeItemFinish(&status) == 0; ++i) platform::SleepMs(5);
    EXPECT_EQ(status, 0);
}

TEST_F(MstpLineTest, FramesAreTakenInWithoutTheHostAndIdleDoesNothing) {
    device_.Send(frame::kBroadcastStation, 9, Hex("01 00 10 08"));
    ASSERT_TRUE(log_.WaitForPrefix("Rx:55 FF 06 FF 09 "));
    const auto before = log_.Lines();
    for (int i = 0; i < 3; ++i) driver_->onIdle();
    EXPECT_EQ(log_.Lines(), before);
    EXPECT_TRUE(device_.Silent(50));

    std::vector<std::uint8_t> overlong = Hex("55 ff 06 01 09 02 00 00");
    overlong.resize(530, 0x11);
    device_.Write(overlong);
    EXPECT_TRUE(log_.WaitForPrefix("MS/TP buffer full!"));
}

TEST_F(MstpLineTest, NoWhoIsGoesOutAndADeviceThatAnnouncesItselfIsBound) {
    EXPECT_EQ(driver_->addGroup(reinterpret_cast<void*>(1), u"0:1234"), 1);
    EXPECT_TRUE(log_.WaitForPrefix("Error: 3", 0));  // the Who-Is, refused by the link
    int32_t status = 0;
    EXPECT_EQ(driver_->readGroupStart(u"0:1234", nullptr, kPresentValue, 1, &status), 0);
    EXPECT_EQ(status, 13);
    EXPECT_TRUE(device_.Silent(50));

    // Device 1234 at station 7 sends its I-Am unasked.
    device_.Send(frame::kBroadcastStation, 7, Hex("01 00 10 00 c4 02 00 04 d2 22 01 e0 91 00 22 01 04"));
    for (int i = 0; i < 200 && status != 0; ++i, platform::SleepMs(5))
        driver_->readGroupStart(u"0:1234", nullptr, kPresentValue, 1, &status);
    ASSERT_EQ(status, 0);
    EXPECT_TRUE(BytesAre(device_.Receive(7).value_or(std::vector<std::uint8_t>{}),
                         "01 04 02 53 00 0c 0c 00 80 00 03 19 55"));
}

// The device answers each request the moment it sees it, often before the
// entry that sent it has returned; no answer may be lost.
TEST_F(MstpLineTest, AnImmediateAnswerIsNeverMissed) {
    constexpr int kRounds = 40;
    std::thread device([&] {
        for (int round = 0; round < kRounds && device_.Receive(kDevice, 3000); ++round) {
            auto answer = Hex("01 00 30 00 0c 0c 00 80 00 03 19 55 3e 44 00 00 00 00 3f");
            const auto real = static_cast<float>(round);
            std::uint32_t bits = 0;
            std::memcpy(&bits, &real, sizeof bits);
            for (int i = 0; i < 4; ++i) answer[14 + i] = static_cast<std::uint8_t>(bits >> (24 - 8 * i));
            device_.Send(kDriverStation, kDevice, answer);
        }
    });
    for (int round = 0; round < kRounds; ++round) {
        int32_t status = 0;
        if (driver_->readGroupStart(u"5", nullptr, kPresentValue, 1, &status) != 1) break;
        const auto value = FinishRead(status);
        EXPECT_EQ(value, std::optional<double>(round)) << "status " << status;
        if (value != std::optional<double>(round)) break;
    }
    device.join();
}

TEST_F(MstpLineTest, AVanishedAdapterFailsTheWriteWithTheLibrarysCode) {
    device_.Unplug();
    HostValue value{};
    encoding::SetDouble(value, 1);
    int32_t status = 0;
    EXPECT_EQ(driver_->writeItemStart(u"5", nullptr, u"AV:3:PRESENT-VALUE", &value, &status), 0);
    EXPECT_EQ(status, PORTWISE_WRITE_FAILED);
    EXPECT_TRUE(log_.WaitForPrefix("Portwise: writing to " + device_.SlavePath() + " failed (system error "));
}

TEST(MstpLineOpen, ADeviceThatCannotBeOpenedFailsTheOpenWithItsReason) {
    LogFile log;
    testing_support::DriverModule driver;
    ASSERT_TRUE(driver.Loaded()) << driver.Error();
    char16_t version[8];
    int32_t error = 0;
    auto settings = LineSettings("");
    EXPECT_EQ(driver->open(nullptr, &settings, version, &error), 0);
    EXPECT_EQ(error, PORTWISE_NO_DEVICE);
    EXPECT_TRUE(log.WaitForPrefix("Portwise: no serial device in the settings record", 0));

    settings = LineSettings("/dev/vorne-no-such-adapter");
    EXPECT_EQ(driver->open(nullptr, &settings, version, &error), 0);
    EXPECT_EQ(error, PORTWISE_CANNOT_OPEN);
    EXPECT_TRUE(log.WaitForPrefix("Portwise: cannot open /dev/vorne-no-such-adapter (system error 2)", 0));
    driver->close(nullptr);
}

std::vector<std::vector<std::uint8_t>> g_apdus;  // under the driver-state lock

void CollectApdu(const LinkServices::LinkAddress&, const network::NpduInfo&, const std::uint8_t* apdu,
                 std::size_t n) {
    g_apdus.emplace_back(apdu, apdu + n);
}

class MstpLinkOnALine : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = network::SetApduHandler(&CollectApdu);
        g_apdus.clear();
        const auto settings = LineSettings(device_.SlavePath());
        ASSERT_EQ(link_.Open(nullptr, &settings, kDriverStation), 0);
    }
    void TearDown() override {
        link_.Close();
        network::SetApduHandler(previous_);
    }

    LogFile log_;
    LineDevice device_;
    LinkServices::MSTP link_;
    network::ApduHandler previous_ = nullptr;
};

// The host's close holds the lock while the receive thread waits for it in
// its callback; the receiver must give up so that the close can end it.
TEST_F(MstpLinkOnALine, ClosingUnderTheLockDoesNotWaitForTheReceiver) {
    const LinkServices::DriverStateLock host;
    device_.Send(kDriverStation, kDevice, Hex("01 00 10 08"));
    platform::SleepMs(100);  // the receive thread now waits for the lock
    const auto started = std::chrono::steady_clock::now();
    link_.Close();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(500));
    EXPECT_TRUE(g_apdus.empty());
}

}  // namespace

#endif
