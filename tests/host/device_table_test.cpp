// Discovery: when Who-Is goes out, and what an I-Am binds.
#include <gtest/gtest.h>

#include <atomic>

#include "host/device_table.hpp"
#include "host/station.hpp"
#include "platform/clock.hpp"
#include "services/dispatch.hpp"
#include "services/transactions.hpp"
#include "host/result_hooks.hpp"
#include "support/hex.hpp"
#include "support/recording_link.hpp"

namespace {

using testing_support::BytesAre;
using testing_support::Hex;

std::atomic<std::uint32_t> g_now{100000};

class DeviceTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetClockHooks({[] { return g_now.load(); }, nullptr});
        host::ClearDeviceTable();
        host::FillResultHooks();
    }
    void TearDown() override {
        host::ClearDeviceTable();
        platform::SetClockHooks({nullptr, nullptr});
    }

    // An I-Am arriving with the addressing in routed_ (as the network layer would read it).
    void IAm(const char* apduHex) {
        const auto apdu = Hex(apduHex);
        LinkServices::LinkAddress source;
        source.SetIp(u"10.0.0.254", 47808);
        services::Dispatch(source, routed_, apdu.data(), apdu.size());
    }

    testing_support::RecordingLink link_;
    network::NpduInfo routed_;
};

const char* kWhoIs1234 = "01 24 ff ff 00 ff 10 08 0a 04 d2 1a 04 d2";
const char* kWhoIs2000 = "01 24 ff ff 00 ff 10 08 0a 07 d0 1a 07 d0";

TEST_F(DeviceTableTest, ADeviceIsAskedForOnceAndThenAtMostEveryThreeSeconds) {
    host::AddDevice(1234, 1);
    host::AddDevice(1234, 1);  // a second group for the same device
    ASSERT_EQ(link_.sent.size(), 1u);
    EXPECT_TRUE(BytesAre(link_.sent[0], kWhoIs1234));

    host::AddDevice(2000, 1);  // its own first Who-Is goes out at once
    ASSERT_EQ(link_.sent.size(), 2u);

    g_now += 3000;
    host::DiscoveryPass();
    EXPECT_EQ(link_.sent.size(), 2u);  // not more than 3000 ms yet
    g_now += 1;
    host::DiscoveryPass();
    ASSERT_EQ(link_.sent.size(), 3u);
    EXPECT_TRUE(BytesAre(link_.sent[2], kWhoIs1234));  // asked longest ago
    g_now += 3001;
    host::DiscoveryPass();
    ASSERT_EQ(link_.sent.size(), 4u);
    EXPECT_TRUE(BytesAre(link_.sent[3], kWhoIs2000));  // then the other one: each has its turn
    g_now += 3001;
    host::DiscoveryPass();
    ASSERT_EQ(link_.sent.size(), 5u);
    EXPECT_TRUE(BytesAre(link_.sent[4], kWhoIs1234));
}

TEST_F(DeviceTableTest, AnIAmBindsTheDeviceWhereItAnswered) {
    host::AddDevice(1234, 5);
    LinkServices::LinkAddress address;
    network::NpduInfo npdu;
    EXPECT_EQ(host::ResolveStation(u"5:1234", address, npdu), host::kStatusDeviceNotBound);

    // Through a router: the I-Am carries SNET 5, SADR 0A.
    routed_.SetSource(5, 1, Hex("0a").data());
    IAm("10 00 c4 02 00 04 d2 22 05 c4 91 00 22 01 04");
    ASSERT_EQ(host::ResolveStation(u"5:1234", address, npdu), 0);
    EXPECT_EQ(address.IpText(), u"10.0.0.254");
    EXPECT_EQ(npdu.destinationNetwork, 5);
    ASSERT_EQ(npdu.destinationMacLength, 1u);
    EXPECT_EQ(npdu.destinationMac[0], 0x0A);

    // A bound device is not asked for again.
    const auto sent = link_.sent.size();
    g_now += 10000;
    host::DiscoveryPass();
    EXPECT_EQ(link_.sent.size(), sent);

    // Malformed I-Ams bind nothing.
    host::ClearDeviceTable();
    routed_ = network::NpduInfo{};
    IAm("10 00 c3 02 00 04");
    IAm("10 00 c4 02 00");
    EXPECT_EQ(host::BindingCount(), 0u);
    IAm("10 00 cc 02 00 04 d2 22 05 c4 91 00 22 01 04");  // context class is read like application class
    EXPECT_EQ(host::BindingCount(), 1u);
}

}  // namespace
