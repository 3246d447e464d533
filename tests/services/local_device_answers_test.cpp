// What a peer gets when it reads the driver's own Device object: every
// answer well formed, event-time-stamps included. Through the driver's
// entries, the scripted device being the peer that asks.
#include <gtest/gtest.h>

#include <string>

#include "platform/clock.hpp"
#include "support/hex.hpp"
#include "support/scripted_device.hpp"

namespace {

using testing_support::BytesAre;

// Three unspecified time stamps: date-time choices with every field unspecified.
constexpr const char* kUnspecifiedStamps =
    "2e a4 ff ff ff ff b4 ff ff ff ff 2f "
    "2e a4 ff ff ff ff b4 ff ff ff ff 2f "
    "2e a4 ff ff ff ff b4 ff ff ff ff 2f";

class LocalDeviceAnswersTest : public testing_support::ScriptedDeviceTest {
protected:
    // Sends the request and runs the driver's idle work until its answer
    // comes; the answer's APDU.
    std::vector<std::uint8_t> Ask(const std::string& apduHex) {
        DeviceSends("01 04 " + apduHex);
        const std::uint32_t start = platform::TickCount();
        while (platform::TickCount() - start < 2000) {
            driver_->onIdle();
            const auto frame = device_->Receive(20);
            // BVLC header and an NPDU without addresses.
            if (frame && frame->size() > 6) return std::vector<std::uint8_t>(frame->begin() + 6, frame->end());
        }
        return {};
    }
};

TEST_F(LocalDeviceAnswersTest, EventTimeStampsAreServedAsThreeUnspecifiedStamps) {
    const auto answer = Ask("00 05 07 0c 0c 02 00 04 d2 19 82");
    EXPECT_TRUE(BytesAre(answer, std::string("30 07 0c 0c 02 00 04 d2 19 82 3e ") + kUnspecifiedStamps + " 3f"));
}

TEST_F(LocalDeviceAnswersTest, AReadPropertyMultipleWithEventTimeStampsIsWellFormed) {
    const auto answer = Ask("00 05 08 0e 0c 02 00 04 d2 1e 09 4d 09 82 09 4b 1f");
    EXPECT_TRUE(BytesAre(answer, std::string("30 08 0e 0c 02 00 04 d2 1e "
                                             "29 4d 4e 75 06 00 53 43 41 44 41 4f "
                                             "29 82 4e ") +
                                     kUnspecifiedStamps + " 4f 29 4b 4e c4 00 00 00 00 4f 1f"));
}

}  // namespace
