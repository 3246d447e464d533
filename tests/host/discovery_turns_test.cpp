// Who-Is for unbound stations goes round: a station that never answers does
// not keep the others from being asked. Through the exported entries, on the
// real clock (Who-Is are 3000 ms apart), so this takes some seconds.
#include <gtest/gtest.h>

#include <string>

#include "support/scripted_stations.hpp"

namespace {

using testing_support::ScriptedStations;

const char16_t* const kPresentValue = u"AV:3:PRESENT-VALUE";

class DiscoveryTurnsTest : public ScriptedStations {
protected:
    // The device instance a Who-Is asks for (one-octet ranges), or -1.
    static int AskedFor(const std::vector<std::uint8_t>& npdu) {
        if (npdu.size() < 4 || npdu[npdu.size() - 4] != 0x09) return -1;
        return npdu[npdu.size() - 3];
    }
};

TEST_F(DiscoveryTurnsTest, ASilentStationDoesNotKeepTheNextOneFromBeingAsked) {
    driver_->addGroup(reinterpret_cast<void*>(1), u"0:100");  // never answers
    driver_->addGroup(reinterpret_cast<void*>(2), u"0:200");  // is not up yet
    EXPECT_EQ(AskedFor(Receives(*first_)), 100);
    EXPECT_EQ(AskedFor(Receives(*first_)), 200);

    std::vector<int> asked;
    std::int32_t status = 13;
    const std::uint32_t start = platform::TickCount();
    while (status != 0 && platform::TickCount() - start < 7000) {
        StartRead(u"0:200", {kPresentValue}, status);
        const int device = AskedFor(Receives(*first_, 50));
        if (device == -1) continue;  // nothing, or the read once device 200 is bound
        asked.push_back(device);
        // Device 200 is up now and answers its Who-Is.
        if (asked.back() == 200) Sends(*first_, "01 00 10 00 c4 02 00 00 c8 22 05 c4 91 00 22 01 04", 0);
    }
    EXPECT_EQ(status, 0) << "device 200 was never bound";
    EXPECT_EQ(asked, (std::vector<int>{100, 200})) << "one Who-Is per 3000 ms, each station in turn";
}

}  // namespace
