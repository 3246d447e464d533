#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "host/device_table.hpp"
#include "host/driver_state.hpp"
#include "host/station.hpp"
#include "support/trace_capture.hpp"

namespace {

using LinkServices::LinkAddress;
using network::NpduInfo;

class StationTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto& state = host::Driver();
        state.bvll.SetConfiguredPort(47809);
        LinkServices::ActiveLink() = &state.bvll;
        host::ClearDeviceTable();
    }
    void TearDown() override {
        host::ClearDeviceTable();
        LinkServices::ActiveLink() = nullptr;
    }

    static LinkAddress IpAddress(const char16_t* text) {
        LinkAddress address;
        address.SetIp(text, 47809);
        return address;
    }
};

TEST_F(StationTest, ParsesTheFourForms) {
    host::StationInfo info;
    ASSERT_TRUE(host::ParseStation(u"192.168.0.10", info));
    EXPECT_EQ(info.linkAddressText, u"192.168.0.10");
    EXPECT_EQ(info.network, -1);
    EXPECT_EQ(info.form, 0);
    EXPECT_EQ(info.linkAddress.kind, LinkAddress::kIp);
    EXPECT_EQ(info.linkAddress.port, 47809u);

    ASSERT_TRUE(host::ParseStation(u"1:1234", info));
    EXPECT_EQ(info.form, 2);
    EXPECT_EQ(info.network, 1);
    EXPECT_EQ(info.deviceInstance, 1234);
    EXPECT_EQ(info.linkAddress.kind, LinkAddress::kNothing);

    ASSERT_TRUE(host::ParseStation(u"10.0.0.1:5:77:0A", info));
    EXPECT_EQ(info.network, 5);
    EXPECT_EQ(info.deviceInstance, 77);
    EXPECT_EQ(info.remoteMac, u"0A");

    ASSERT_TRUE(host::ParseStation(u"192.168.0.10::", info));
    EXPECT_EQ(info.network, -1);
    EXPECT_EQ(info.deviceInstance, -1);
}

TEST_F(StationTest, RefusesMalformedStations) {
    host::StationInfo info;
    for (const char16_t* station : {u"", u"a:b:c:d:e", u"1.2.3:1:2", u"host.example:1:2", u"1:x", u"x:1",
                                    u"10.0.0.1:1:2x", u":1:2"}) {
        EXPECT_FALSE(host::ParseStation(station, info)) << "accepted";
        LinkAddress address;
        NpduInfo npdu;
        EXPECT_EQ(host::ResolveStation(station, address, npdu), host::kStatusMalformedStation);
    }
}

TEST_F(StationTest, LinkAddressResolvesWithoutTheDeviceTable) {
    LinkAddress address;
    NpduInfo npdu;
    EXPECT_EQ(host::ResolveStation(u"192.168.0.10", address, npdu), 0);
    EXPECT_EQ(address.IpText(), u"192.168.0.10");
    EXPECT_EQ(address.port, 47809u);
    EXPECT_EQ(npdu.segmentedResponseAccepted, 0);
    EXPECT_EQ(host::ResolveStation(u"192.168.0.10::", address, npdu), 0);
    EXPECT_EQ(address.IpText(), u"192.168.0.10");
}

TEST_F(StationTest, NetworkAndDeviceNeedABinding) {
    LinkAddress address;
    NpduInfo npdu;
    EXPECT_EQ(host::ResolveStation(u"1:1234", address, npdu), host::kStatusDeviceNotBound);

    // A device that answered from the local network resolves under any network number.
    NpduInfo local;
    host::BindFromIAm(1234, IpAddress(u"10.1.1.1"), local, 0);
    EXPECT_EQ(host::ResolveStation(u"1:1234", address, npdu), 0);
    EXPECT_EQ(address.IpText(), u"10.1.1.1");
    EXPECT_EQ(npdu.segmentedResponseAccepted, 1);
    EXPECT_EQ(host::ResolveStation(u"9:1234", address, npdu), 0);

    host::ClearDeviceTable();
    EXPECT_EQ(host::ResolveStation(u"1:1234", address, npdu), host::kStatusDeviceNotBound);
}

TEST_F(StationTest, StationWithLinkAddressResolvesThroughItsOwnBinding) {
    LinkAddress address;
    NpduInfo npdu;
    EXPECT_EQ(host::ResolveStation(u"192.168.0.10:0:1234", address, npdu), host::kStatusDeviceNotBound);
    host::AddDeviceWithAddress(1234, 0, IpAddress(u"192.168.0.10"));
    ASSERT_EQ(host::ResolveStation(u"192.168.0.10:0:1234", address, npdu), 0);
    EXPECT_EQ(address.IpText(), u"192.168.0.10");
    // Form 0: no segmented response; the binding's MAC is the instance, low byte first.
    EXPECT_EQ(npdu.segmentedResponseAccepted, 0);
    ASSERT_EQ(npdu.destinationMacLength, 6u);
    const std::uint8_t mac[6] = {0xD2, 0x04, 0, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(npdu.destinationMac, mac, 6));
}

TEST_F(StationTest, RemoteMacAddressesARoutedStation) {
    NpduInfo routerSide;
    routerSide.SetSource(5, 1, std::array<std::uint8_t, 1>{0x21}.data());
    host::BindFromIAm(77, IpAddress(u"10.0.0.254"), NpduInfo::MakeReply(routerSide), 0);

    LinkAddress address;
    NpduInfo npdu;
    ASSERT_EQ(host::ResolveStation(u"10.0.0.1:5:77:0A", address, npdu), 0);
    EXPECT_EQ(address.IpText(), u"10.0.0.254");  // the binding, not the text
    EXPECT_EQ(npdu.routedStation, 1);
    EXPECT_EQ(npdu.destinationNetwork, 5);
    ASSERT_EQ(npdu.destinationMacLength, 1u);
    EXPECT_EQ(npdu.destinationMac[0], 0x0A);
}

TEST_F(StationTest, RemoteMacLengthRulesAndTheirMessages) {
    testing_support::TraceCapture trace;
    NpduInfo npdu;
    EXPECT_FALSE(host::ParseRemoteMac(u"0123456789ABC", npdu));
    EXPECT_FALSE(host::ParseRemoteMac(u"0AB", npdu));
    EXPECT_FALSE(host::ParseRemoteMac(u"", npdu));
    EXPECT_EQ(trace.Lines(),
              (std::vector<std::string>{
                  "Invalid Station format, the lenght of the MAC ADDR (Hexa value) must be no longer than 6 bytes",
                  "Invalid Station format, the lenght of the MAC ADDR (Hexa value) must be even (check the "
                  "documentation)"}));
    ASSERT_TRUE(host::ParseRemoteMac(u"0a0B", npdu));
    EXPECT_EQ(npdu.destinationMacLength, 2u);
    EXPECT_EQ(npdu.destinationMac[0], 0x0A);
    EXPECT_EQ(npdu.destinationMac[1], 0x0B);
    ASSERT_TRUE(host::ParseRemoteMac(u"A1B2C3D4E5F6", npdu));
    EXPECT_EQ(npdu.destinationMacLength, 6u);
    EXPECT_EQ(npdu.destinationMac[5], 0xF6);

    // Routed station with a bad MAC fails the whole resolution.
    host::BindFromIAm(77, IpAddress(u"10.0.0.254"), NpduInfo{}, 0);
    LinkAddress address;
    EXPECT_EQ(host::ResolveStation(u"10.0.0.1:5:77:0AB", address, npdu), host::kStatusMalformedStation);
}

TEST_F(StationTest, MstpStationsAreNumbers) {
    auto& state = host::Driver();
    LinkServices::ActiveLink() = &state.mstp;
    host::StationInfo info;
    ASSERT_TRUE(host::ParseStation(u"12", info));
    EXPECT_EQ(info.linkAddress.kind, LinkAddress::kMstpStation);
    EXPECT_EQ(info.linkAddress.mstpStation, 12);
    EXPECT_FALSE(host::ParseStation(u"192.168.0.1", info));
}

}  // namespace
