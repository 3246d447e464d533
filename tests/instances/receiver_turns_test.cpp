// Who takes datagrams from the shared socket: a host thread that waits in
// finish receives for every instance while it waits, hands the socket on when
// it leaves, and the receive thread takes over once no host thread waits.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "encoding/host_value.hpp"
#include "platform/clock.hpp"
#include "platform/named_objects.hpp"
#include "sim/simulator.hpp"
#include "support/driver_module.hpp"
#include "support/environment.hpp"
#include "support/hex.hpp"
#include "support/udp_peer.hpp"

namespace {

using testing_support::DriverModule;

constexpr const char16_t* kDevice = u"127.0.0.2";
constexpr const char16_t* kSilentStation = u"127.0.0.3";  // nothing answers there
constexpr std::uint16_t kSilentTimeoutMs = 300;
constexpr std::uint16_t kDeviceTimeoutMs = 2000;

// An unconfirmed service that the driver does not serve: each one consumed writes one log line.
const std::vector<std::uint8_t> kUnservedDatagram = testing_support::Hex("81 0a 00 08 01 00 10 63");

class ReceiverTurnsTest : public ::testing::Test {
protected:
    void SetUp() override {
        logPath_ = (std::filesystem::temp_directory_path() /
                    ("vorne-turns-" + std::to_string(platform::CurrentProcessId()) + ".log")).string();
        std::filesystem::remove(logPath_);
        testing_support::SetEnvironment("VORNE_LOG", logPath_.c_str());
        testing_support::SetEnvironment("VORNE_BIND", "127.0.0.1");
        sim::SimOptions options;
        options.bindAddress = "127.0.0.2";
        options.port = testing_support::FreeUdpPort();
        std::string error;
        ASSERT_TRUE(device_.Start(options, error)) << error;
    }
    void TearDown() override {
        for (auto it = drivers_.rbegin(); it != drivers_.rend(); ++it) (*it)->Entries().close(nullptr);
        drivers_.clear();
        device_.Stop();
        testing_support::SetEnvironment("VORNE_BIND", nullptr);
        testing_support::SetEnvironment("VORNE_LOG", nullptr);
        std::filesystem::remove(logPath_);
    }

    const DriverModule& Open(std::uint16_t timeoutMs) {
        const std::string name = "libvorne-turns-" + std::to_string(platform::CurrentProcessId()) + "-" +
                                 std::to_string(drivers_.size()) + ".so";
        drivers_.push_back(std::make_unique<DriverModule>(name));
        DriverModule& driver = *drivers_.back();
        EXPECT_TRUE(driver.Loaded()) << driver.Error();
        const auto settings = testing_support::BacnetIpSettings(device_.Port(), timeoutMs);
        char16_t version[8];
        std::int32_t error = -1;
        EXPECT_EQ(driver->open(nullptr, &settings, version, &error), 1) << error;
        return driver;
    }

    // One scan of one tag, polling finish in a tight loop as a host may; its status.
    static std::int32_t Scan(const DriverModule& driver, const char16_t* station, const char16_t* address, HostValue& value) {
        const char16_t* addresses[1] = {address};
        std::int32_t status = 0;
        value = HostValue{};
        if (driver->readGroupStart(station, nullptr, addresses, 1, &status) != 1) return status;
        while (driver->readGroupFinish(&value, 0, 1, &status) != 1) {
        }
        return status;
    }

    std::size_t UnservedLines() const {
        std::ifstream log(logPath_);
        std::size_t n = 0;
        for (std::string line; std::getline(log, line);)
            n += line.find("Unsupported Unconfirmed Service (UnconfirmedRequest): 99") != std::string::npos;
        return n;
    }

    sim::Simulator device_;
    std::vector<std::unique_ptr<DriverModule>> drivers_;
    std::string logPath_;
};

TEST_F(ReceiverTurnsTest, AnswersReachTheirInstanceWhileAnotherWaitsForAStationThatNeverAnswers) {
    const DriverModule& waiting = Open(kSilentTimeoutMs);
    const DriverModule& scanning = Open(kDeviceTimeoutMs);
    const auto expected = device_.PresentValue(2, 1);
    ASSERT_TRUE(expected.has_value());

    // The first instance spends its time in finish, waiting for answers that
    // never come, while the second scans the device; its answers arrive
    // through whichever thread holds the socket, and keep arriving after the
    // first instance has given up waiting.
    std::atomic<bool> done{false};
    std::vector<std::int32_t> silentStatuses;
    std::thread silent([&] {
        HostValue value{};
        for (int i = 0; i < 3 && !done.load(); ++i) silentStatuses.push_back(Scan(waiting, kSilentStation, u"AV:1:PRESENT-VALUE", value));
        while (!done.load()) waiting->onIdle();
    });
    int good = 0, wrong = 0;
    const std::uint32_t end = platform::TickCount() + 3 * kSilentTimeoutMs + 500;
    for (int i = 0; i < 5000 && (i < 200 || platform::TickCount() < end); ++i) {
        HostValue value{};
        const std::int32_t status = Scan(scanning, kDevice, u"AV:1:PRESENT-VALUE", value);
        if (status == 0 && value.quality == 192 && encoding::GetDouble(value) == expected->real) ++good;
        else if (++wrong > 3) break;  // each costs a time-out
    }
    done.store(true);
    silent.join();
    EXPECT_EQ(wrong, 0) << good << " scans were right";
    EXPECT_GE(good, 200);
    for (const std::int32_t status : silentStatuses) EXPECT_EQ(status, -15);
}

TEST_F(ReceiverTurnsTest, TheReceiveThreadTakesDatagramsAgainOnceNoHostThreadWaits) {
    const DriverModule& driver = Open(kDeviceTimeoutMs);
    HostValue value{};
    for (int i = 0; i < 50; ++i) ASSERT_EQ(Scan(driver, kDevice, u"AV:1:PRESENT-VALUE", value), 0);

    // From now on the host only ticks: datagrams reach the ring only through the receive thread.
    testing_support::UdpPeer peer;
    for (int i = 0; i < 8; ++i) peer.SendTo(static_cast<std::uint16_t>(device_.Port()), kUnservedDatagram);
    for (int i = 0; i < 300 && UnservedLines() < 8; ++i) {
        driver->onIdle();
        platform::SleepMs(10);
    }
    EXPECT_EQ(UnservedLines(), 8u);
}

}  // namespace
