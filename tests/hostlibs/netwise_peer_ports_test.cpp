// Devices on loopback ports of their own (VORNE_PEER_PORTS) look to the
// driver as devices on a site do: each at its own address, on the driver's
// port, whether the driver spoke to it first or not.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "netwise.h"
#include "platform/utf.hpp"
#include "support/environment.hpp"
#include "support/udp_peer.hpp"

namespace {

using testing_support::SetEnvironment;
using testing_support::UdpPeer;

const std::vector<std::uint8_t> kDatagram = {0x81, 0x0a, 0x00, 0x05, 0x01};

class NetwisePeerPortsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetEnvironment("VORNE_BIND", "127.0.0.1");
        driverPort_ = testing_support::FreeUdpPort();
        first_ = std::make_unique<UdpPeer>("127.0.0.2", testing_support::FreeUdpPort());
        second_ = std::make_unique<UdpPeer>("127.0.0.3", testing_support::FreeUdpPort());
        const std::string ports = "127.0.0.2=" + std::to_string(first_->Port()) +
                                  ",127.0.0.3=" + std::to_string(second_->Port());
        SetEnvironment("VORNE_PEER_PORTS", ports.c_str());
        std::int32_t error = 0;
        socket_ = UdpOpen(&error);
        ASSERT_NE(socket_, 0) << error;
        UdpConfigure(socket_, 2000);
        ASSERT_EQ(UdpBind(socket_, 0, driverPort_, &error), NETWISE_OK) << error;
    }
    void TearDown() override {
        UdpClose(socket_);
        SetEnvironment("VORNE_PEER_PORTS", nullptr);
        SetEnvironment("VORNE_BIND", nullptr);
    }

    // The sender of the next datagram, as the driver sees it: "address:port".
    std::string NextSender() {
        char16_t text[20] = {};
        std::uint32_t port = 0;
        std::uint8_t data[16];
        std::int32_t error = 0;
        if (UdpReceiveFrom(socket_, text, &port, data, sizeof data, &error) <= 0) return "nothing";
        return platform::Utf16ToUtf8(text) + ":" + std::to_string(port);
    }
    std::string OnDriverPort(const char* address) const { return address + (":" + std::to_string(driverPort_)); }

    std::uint16_t driverPort_ = 0;
    std::int32_t socket_ = 0;
    std::unique_ptr<UdpPeer> first_;
    std::unique_ptr<UdpPeer> second_;
};

TEST_F(NetwisePeerPortsTest, EachDeviceIsNamedAsItsAddressOnTheDriversPort) {
    // The driver asks the first device; its datagram arrives on the device's own port.
    ASSERT_EQ(UdpSendTo(socket_, u"127.0.0.2", driverPort_, driverPort_, kDatagram.data(),
                        static_cast<std::int32_t>(kDatagram.size())),
              NETWISE_OK);
    ASSERT_TRUE(first_->Receive(2000));
    first_->SendTo("127.0.0.1", driverPort_, kDatagram);
    EXPECT_EQ(NextSender(), OnDriverPort("127.0.0.2"));
    // The second device speaks unasked: it is still itself, not the first one.
    second_->SendTo("127.0.0.1", driverPort_, kDatagram);
    EXPECT_EQ(NextSender(), OnDriverPort("127.0.0.3"));
}

}  // namespace
