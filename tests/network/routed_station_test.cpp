// A station that names a router's network and a MAC behind it
// ("IP:NETWORK:DEVICE:MAC") reaches its device with a well-formed NPDU, whatever
// the binding of the device came from: here a local I-Am, read by a host that
// never registered the station's group.
#include <gtest/gtest.h>

#include "encoding/host_value.hpp"
#include "support/scripted_stations.hpp"

namespace {

using Bytes = std::vector<std::uint8_t>;
using testing_support::BytesAre;

// The router is the first station, at 127.0.0.2.
class RoutedStationTest : public testing_support::ScriptedStations {
protected:
    // The NPDU of the next request, or nothing; global broadcasts (Who-Is) are passed over.
    Bytes RouterReceives() {
        for (;;) {
            Bytes npdu = Receives(*first_);
            if (npdu.empty()) return {};
            const bool globalBroadcast = npdu.size() > 4 && (npdu[1] & 0x20) != 0 && npdu[2] == 0xFF && npdu[3] == 0xFF;
            if (!globalBroadcast) return npdu;
        }
    }
    void RouterSends(const char* npduHex) { Sends(*first_, npduHex, 0); }
    // Starts a read of AV:3 through the station; the start entry's result.
    std::int32_t StartRead(const char16_t* station, std::int32_t& status) {
        return ScriptedStations::StartRead(station, {u"AV:3:PRESENT-VALUE"}, status);
    }
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
