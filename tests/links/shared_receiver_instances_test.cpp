// Several copies of the driver library in one process, each with its own
// globals, sharing one UDP socket as a host's driver instances do.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "links/shared_ring.hpp"
#include "platform/clock.hpp"
#include "platform/named_objects.hpp"
#include "support/driver_module.hpp"
#include "support/environment.hpp"
#include "support/hex.hpp"
#include "support/udp_peer.hpp"

namespace {

using namespace LinkServices;
using testing_support::DriverModule;

// An unconfirmed service that the driver does not serve: each one consumed writes one log line.
const std::vector<std::uint8_t> kDatagram = testing_support::Hex("81 0a 00 08 01 00 10 63");

class InstancesTest : public ::testing::Test {
protected:
    void SetUp() override {
        logPath_ = (std::filesystem::temp_directory_path() / ("vorne-instances-" + std::to_string(platform::CurrentProcessId()) + ".log")).string();
        std::filesystem::remove(logPath_);
        testing_support::SetEnvironment("VORNE_LOG", logPath_.c_str());
        port_ = testing_support::FreeUdpPort();
    }
    void TearDown() override {
        for (auto it = drivers_.rbegin(); it != drivers_.rend(); ++it) (*it)->Entries().close(nullptr);
        drivers_.clear();
        testing_support::SetEnvironment("VORNE_LOG", nullptr);
        std::filesystem::remove(logPath_);
    }

    DriverModule& OpenInstance() {
        const std::string name = "libvorne-instance-" + std::to_string(platform::CurrentProcessId()) + "-" + std::to_string(drivers_.size()) + ".so";
        drivers_.push_back(std::make_unique<DriverModule>(name));
        DriverModule& driver = *drivers_.back();
        EXPECT_TRUE(driver.Loaded()) << driver.Error();
        const auto settings = testing_support::BacnetIpSettings(port_);
        char16_t version[8];
        int32_t error = -1;
        EXPECT_EQ(driver->open(nullptr, &settings, version, &error), 1);
        EXPECT_EQ(error, 0);
        return driver;
    }

    SharedView* View() {
        if (!mapping_.IsOpen()) {
            EXPECT_TRUE(mapping_.CreateOrOpen(SharedMappingName(platform::CurrentProcessId()), kMappingBytes));
            mapping_.MapView(kSharedViewBytes);
        }
        return static_cast<SharedView*>(mapping_.View());
    }

    std::size_t LoggedApdus() {
        std::ifstream log(logPath_);
        std::size_t n = 0;
        for (std::string line; std::getline(log, line);) n += line.find("Unsupported Unconfirmed Service (UnconfirmedRequest): 99") != std::string::npos;
        return n;
    }

    bool WaitFor(const std::function<bool()>& condition) {
        for (int i = 0; i < 300; ++i) {
            if (condition()) return true;
            platform::SleepMs(10);
        }
        return condition();
    }

    std::string logPath_;
    std::uint16_t port_ = 0;
    std::vector<std::unique_ptr<DriverModule>> drivers_;
    platform::SharedMapping mapping_;
};

TEST_F(InstancesTest, InstancesShareOneSocketAndTakeConsecutiveConsumerSlots) {
    OpenInstance();
    OpenInstance();
    OpenInstance();
    SharedView* view = View();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(LoadShared(view->header.instanceCount), 3u);
    EXPECT_EQ(LoadShared(view->header.slotCount), 74u);
    EXPECT_NE(LoadShared(view->header.socket), 0u);
    ASSERT_NE(Consumers(*view), nullptr);
    EXPECT_EQ(LoadShared(Consumers(*view)->count), 3u);

    // Every instance sees every datagram.
    testing_support::UdpPeer peer;
    peer.SendTo(port_, kDatagram);
    EXPECT_TRUE(WaitFor([&] { return LoadShared(view->header.writePosition) == 1; }));
    for (auto& driver : drivers_) driver->Entries().onIdle();
    EXPECT_TRUE(WaitFor([&] { return LoggedApdus() == 3; }));
    for (std::uint32_t i = 0; i < 3; ++i) EXPECT_EQ(LoadShared(Consumers(*view)->entries[i].readPosition), 1u);

    // Leaving instances only lower the count; the master keeps the socket.
    drivers_[2]->Entries().close(nullptr);
    drivers_[1]->Entries().close(nullptr);
    EXPECT_EQ(LoadShared(view->header.instanceCount), 1u);
    EXPECT_NE(LoadShared(view->header.socket), 0u);
    drivers_.pop_back();
    drivers_.pop_back();
}

TEST_F(InstancesTest, ALateInstanceReplaysTheRingFromTheStart) {
    DriverModule& first = OpenInstance();
    testing_support::UdpPeer peer;
    for (int i = 0; i < 4; ++i) peer.SendTo(port_, kDatagram);
    SharedView* view = View();
    ASSERT_TRUE(WaitFor([&] { return LoadShared(view->header.writePosition) == 4; }));
    first->onIdle();
    EXPECT_EQ(LoggedApdus(), 4u);

    DriverModule& late = OpenInstance();
    EXPECT_EQ(LoadShared(Consumers(*view)->entries[1].readPosition), 0u);
    late->onIdle();
    EXPECT_EQ(LoggedApdus(), 8u);
}

TEST_F(InstancesTest, ALaggingLiveConsumerPausesReceptionAndASilentOneDoesNot) {
    DriverModule& driver = OpenInstance();
    driver->onIdle();  // alive now, at read position 0
    SharedView* view = View();
    testing_support::UdpPeer peer;
    for (int i = 0; i < 70; ++i) peer.SendTo(port_, kDatagram);
    ASSERT_TRUE(WaitFor([&] { return LoadShared(view->header.writePosition) == 65; }));
    platform::SleepMs(300);
    EXPECT_EQ(LoadShared(view->header.writePosition), 65u);  // lag 65 leaves no room

    driver->onIdle();  // catches up: reception goes on
    ASSERT_TRUE(WaitFor([&] { return LoadShared(view->header.writePosition) == 70; }));
    driver->onIdle();

    // Silent for more than 5000 ms: the writer may pass this consumer.
    ConsumerEntry& entry = Consumers(*view)->entries[0];
    StoreShared(entry.lastAliveTick, platform::TickCount() - 6000);
    for (int i = 0; i < 80; ++i) peer.SendTo(port_, kDatagram);
    EXPECT_TRUE(WaitFor([&] { return LoadShared(view->header.writePosition) == (70 + 80) % 74; }));
}

TEST_F(InstancesTest, ClosingTheLastInstanceFreesTheNamesForTheNextOpen) {
    OpenInstance();
    drivers_.back()->Entries().close(nullptr);
    drivers_.clear();
    platform::NamedMutex mutex;
    EXPECT_EQ(mutex.Create(SharedMutexName(platform::CurrentProcessId())),
              platform::NamedMutex::CreateResult::kCreatedAndOwned);
    mutex.Release();
    mutex.Close();
    OpenInstance();  // and a new instance becomes master again
    EXPECT_NE(LoadShared(View()->header.socket), 0u);
}

}  // namespace
