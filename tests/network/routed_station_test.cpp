// A station that names a router's network and a MAC behind it
// ("IP:NETWORK:DEVICE:MAC") reaches its device with a well-formed NPDU, whatever
// the binding of the device came from: here a local I-Am, read by a host that
// never registered the station's group.
#include <gtest/gtest.h>

#include <memory>

#include "encoding/host_value.hpp"
#include "platform/clock.hpp"
#include "support/driver_module.hpp"
#include "support/environment.hpp"
#include "support/hex.hpp"
#include "support/udp_peer.hpp"

namespace {

using Bytes = std::vector<std::uint8_t>;
using testing_support::BytesAre;
using testing_support::Hex;

class RoutedStationTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing_support::SetEnvironment("VORNE_BIND", "127.0.0.1");
        testing_support::SetEnvironment("VORNE_BROADCAST", "127.0.0.2");
        port_ = testing_support::FreeUdpPort();
        router_ = std::make_unique<testing_support::UdpPeer>("127.0.0.2", port_);
        ASSERT_TRUE(driver_.Loaded()) << driver_.Error();
        const auto settings = testing_support::BacnetIpSettings(port_, 300);
        char16_t version[8];
        std::int32_t error = 0;
        ASSERT_EQ(driver_->open(nullptr, &settings, version, &error), 1) << error;
    }
    void TearDown() override {
        driver_->close(nullptr);
        testing_support::SetEnvironment("VORNE_BIND", nullptr);
        testing_support::SetEnvironment("VORNE_BROADCAST", nullptr);
    }

    // The NPDU of the next request, or nothing; global broadcasts (Who-Is) are passed over.
    Bytes RouterReceives() {
        for (;;) {
            const auto frame = router_->Receive(2000);
            if (!frame || frame->size() < 4) return {};
            Bytes npdu(frame->begin() + 4, frame->end());
            const bool globalBroadcast = npdu.size() > 4 && (npdu[1] & 0x20) != 0 && npdu[2] == 0xFF && npdu[3] == 0xFF;
            if (!globalBroadcast) return npdu;
        }
    }
    void RouterSends(const char* npduHex) {
        const Bytes npdu = Hex(npduHex);
        Bytes frame = {0x81, 0x0A, 0x00, static_cast<std::uint8_t>(npdu.size() + 4)};
        frame.insert(frame.end(), npdu.begin(), npdu.end());
        router_->SendTo("127.0.0.1", port_, frame);
    }
    // Starts a read of AV:3 through the station; the start entry's result.
    std::int32_t StartRead(const char16_t* station, std::int32_t& status) {
        const char16_t* addresses[] = {u"AV:3:PRESENT-VALUE"};
        return driver_->readGroupStart(station, nullptr, addresses, 1, &status);
    }

    std::uint16_t port_ = 0;
    std::unique_ptr<testing_support::UdpPeer> router_;
    testing_support::DriverModule driver_;
};

TEST_F(RoutedStationTest, ABindingFromALocalIAmStillAddressesTheNetworkAndMacOfTheStation) {
    RouterSends("01 00 10 00 c4 02 00 00 4d 22 05 c4 91 00 22 01 04");  // I-Am of device 77, local
    // Wait for the binding through a station that leaves no binding of its own behind.
    std::int32_t status = 0;
    for (int i = 0; i < 200 && StartRead(u"0:77", status) != 1; ++i) platform::SleepMs(10);
    ASSERT_EQ(status, 0) << "the I-Am of device 77 did not bind it";
    EXPECT_TRUE(BytesAre(RouterReceives(), "01 04 02 35 01 0c 0c 00 80 00 03 19 55"));
    HostValue value{};
    for (int i = 0; i < 300 && driver_->readGroupFinish(&value, 0, 1, &status) != 1; ++i) platform::SleepMs(10);

    ASSERT_EQ(StartRead(u"127.0.0.2:5:77:0A", status), 1) << status;
    const Bytes request = RouterReceives();
    ASSERT_GE(request.size(), 12u);
    // DNET 5, DLEN 1, DADR 0A, hop count 255: the destination group with its control bit.
    EXPECT_TRUE(BytesAre(request, "01 24 00 05 01 0a ff 02 35 " + testing_support::ToHex(&request[9], 1) +
                                      " 0c 0c 00 80 00 03 19 55"));
}

}  // namespace
