// Several driver instances in one process, each a copy of the library scanned
// by its own host thread, against one simulated device: every value an
// instance delivers must be the value of its own tag. Each instance reads its
// own analog values, whose present values all differ, in groups of different
// sizes, so that an instance working from another's parse asks for the wrong
// objects (or for more items than its own parse holds) and is caught.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "encoding/host_value.hpp"
#include "platform/named_objects.hpp"
#include "sim/simulator.hpp"
#include "support/driver_module.hpp"
#include "support/environment.hpp"
#include "support/udp_peer.hpp"

namespace {

using testing_support::DriverModule;

constexpr int kInstances = 4;
constexpr auto kScanning = std::chrono::seconds(3);
using Clock = std::chrono::steady_clock;
constexpr std::uint32_t kObjectsPerInstance = 60;
constexpr std::uint32_t kFirstObject = 10;
constexpr std::uint32_t kAnalogValue = 2;

struct Tag {
    std::u16string address;
    double expected;
};

// Instance k's groups, of 1, 3 + k, 12 and 24 tags, over objects of its own;
// each tag expects what the device holds.
std::vector<std::vector<Tag>> GroupsOf(const sim::Simulator& device, int instance) {
    const std::uint32_t first = kFirstObject + kObjectsPerInstance * static_cast<std::uint32_t>(instance);
    std::vector<std::vector<Tag>> groups;
    std::uint32_t next = first;
    for (const std::uint32_t size : {1u, 3u + static_cast<std::uint32_t>(instance), 12u, 24u}) {
        std::vector<Tag> group;
        for (std::uint32_t i = 0; i < size; ++i, ++next) {
            const std::string text = "AV:" + std::to_string(next) + ":PRESENT-VALUE";
            const auto value = device.PresentValue(kAnalogValue, next);
            group.push_back({std::u16string(text.begin(), text.end()), value ? value->real : -1.0});
        }
        groups.push_back(std::move(group));
    }
    EXPECT_LE(next, first + kObjectsPerInstance);
    return groups;
}

struct Tally {
    std::uint64_t scans = 0;
    std::uint64_t goodValues = 0;
    std::uint64_t wrongValues = 0;
    std::string firstWrong;
};

// One host thread: scans its instance's groups in turn until the time is up
// and checks every value delivered at quality 192.
void ScanInstance(const DriverModule& driver, const std::vector<std::vector<Tag>>& groups, int instance,
                  Clock::time_point until, Tally& tally) {
    std::vector<HostValue> values;
    for (std::size_t g = 0; Clock::now() < until; g = (g + 1) % groups.size()) {
        const auto& group = groups[g];
        std::vector<const char16_t*> texts;
        for (const Tag& tag : group) texts.push_back(tag.address.c_str());
        const auto count = static_cast<std::int32_t>(texts.size());
        values.assign(group.size(), HostValue{});
        std::int32_t status = 0;
        if (driver->readGroupStart(u"127.0.0.2", nullptr, texts.data(), count, &status) != 1) continue;
        while (driver->readGroupFinish(values.data(), 0, count, &status) != 1) {
        }
        ++tally.scans;
        for (std::size_t i = 0; i < group.size(); ++i) {
            if (values[i].quality != 192) continue;
            const double got = values[i].kind == encoding::kKindDouble ? encoding::GetDouble(values[i])
                                                                       : encoding::GetInteger(values[i]);
            if (got == group[i].expected) {
                ++tally.goodValues;
            } else if (tally.wrongValues++ == 0) {
                tally.firstWrong = "instance " + std::to_string(instance) + " line " + std::to_string(i) + ": " +
                                   std::to_string(got) + " where " + std::to_string(group[i].expected);
            }
        }
    }
}

class InstanceValuesTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing_support::SetEnvironment("VORNE_BIND", "127.0.0.1");
        testing_support::SetEnvironment("VORNE_LOG", "/dev/null");  // a line per answer, four instances
        sim::SimOptions options;
        options.bindAddress = "127.0.0.2";
        options.port = testing_support::FreeUdpPort();
        std::string error;
        ASSERT_TRUE(device_.Start(options, error)) << error;
        for (int k = 0; k < kInstances; ++k) {
            const std::string name = "libvorne-values-" + std::to_string(platform::CurrentProcessId()) + "-" +
                                     std::to_string(k) + ".so";
            drivers_.push_back(std::make_unique<DriverModule>(name));
            DriverModule& driver = *drivers_.back();
            ASSERT_TRUE(driver.Loaded()) << driver.Error();
            const auto settings = testing_support::BacnetIpSettings(device_.Port(), 2000);
            char16_t version[8];
            std::int32_t openError = -1;
            ASSERT_EQ(driver->open(nullptr, &settings, version, &openError), 1) << openError;
        }
    }
    void TearDown() override {
        for (auto it = drivers_.rbegin(); it != drivers_.rend(); ++it) (*it)->Entries().close(nullptr);
        drivers_.clear();
        device_.Stop();
        testing_support::SetEnvironment("VORNE_BIND", nullptr);
        testing_support::SetEnvironment("VORNE_LOG", nullptr);
    }

    sim::Simulator device_;
    std::vector<std::unique_ptr<DriverModule>> drivers_;
};

TEST_F(InstanceValuesTest, EveryInstanceOnItsOwnThreadGetsOnlyItsOwnValues) {
    // Every object of every instance holds a value of its own.
    std::vector<std::vector<std::vector<Tag>>> groups;
    std::set<double> values;
    std::size_t tags = 0;
    for (int k = 0; k < kInstances; ++k) {
        groups.push_back(GroupsOf(device_, k));
        for (const auto& group : groups.back())
            for (const Tag& tag : group) values.insert(tag.expected), ++tags;
    }
    ASSERT_EQ(values.size(), tags);

    Tally tallies[kInstances];
    const auto until = Clock::now() + kScanning;
    std::vector<std::thread> hosts;
    for (int k = 0; k < kInstances; ++k)
        hosts.emplace_back([&, k] { ScanInstance(*drivers_[static_cast<std::size_t>(k)], groups[static_cast<std::size_t>(k)], k, until, tallies[k]); });
    for (auto& host : hosts) host.join();

    for (int k = 0; k < kInstances; ++k) {
        SCOPED_TRACE("instance " + std::to_string(k));
        EXPECT_EQ(tallies[k].wrongValues, 0u) << tallies[k].firstWrong;
        // Enough work to have met the others: every group scanned many times.
        EXPECT_GE(tallies[k].scans, 40u);
        EXPECT_GE(tallies[k].goodValues, tallies[k].scans * 5);
    }
}

}  // namespace
