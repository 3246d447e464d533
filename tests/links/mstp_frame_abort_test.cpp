// A frame cut off by silence on the line is dropped, so noise that looks like
// the start of a long frame cannot take the bytes of the frames after it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "links/mstp.hpp"
#include "links/mstp_frame.hpp"
#include "network/npdu.hpp"
#include "platform/clock.hpp"
#include "support/hex.hpp"
#include "support/trace_capture.hpp"

namespace {

using LinkServices::LinkAddress;
using LinkServices::MSTP;
using testing_support::Hex;
namespace frame = LinkServices::MstpFrame;

std::uint32_t g_now = 1000;
std::uint32_t FakeTick() { return g_now; }

int g_delivered = 0;
void Count(const LinkAddress&, const network::NpduInfo&, const std::uint8_t*, std::size_t) { ++g_delivered; }

class MstpFrameAbortTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_delivered = 0;
        platform::SetClockHooks({&FakeTick, nullptr});
        previous_ = network::SetApduHandler(&Count);
        link_.SetOwnStation(1);
    }
    void TearDown() override {
        network::SetApduHandler(previous_);
        platform::SetClockHooks({nullptr, nullptr});
    }

    // Feeds the bytes with the given pause (ms) before each of them.
    void Feed(const std::vector<std::uint8_t>& bytes, std::uint32_t pauseMs = 0) {
        for (std::uint8_t b : bytes) {
            g_now += pauseMs;
            link_.ProcessByte(b);
        }
    }
    static std::vector<std::uint8_t> Answer() {
        const auto npdu = Hex("01 00 30 00 0c");
        return frame::Encode(frame::kDataNotExpectingReply, 1, 5, npdu.data(), static_cast<std::uint16_t>(npdu.size()));
    }
    // A header that announces 400 data octets: noise that looks like a frame.
    static std::vector<std::uint8_t> FalseHeader() {
        std::vector<std::uint8_t> header = Hex("55 ff 06 01 05 01 90 00");
        header[7] = frame::HeaderCrc(header.data() + 2);
        return header;
    }

    MSTP link_;
    testing_support::TraceCapture trace_;
    network::ApduHandler previous_ = nullptr;
};

TEST_F(MstpFrameAbortTest, SilenceAfterAFalseHeaderDropsItAndTheNextFrameArrives) {
    Feed(FalseHeader());
    g_now += 41;
    Feed(Answer());
    EXPECT_EQ(g_delivered, 1);
    const auto lines = trace_.Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "Error: 2");  // the frame cut off
}

TEST_F(MstpFrameAbortTest, AFrameWithShortPausesBetweenItsOctetsIsWhole) {
    Feed(Answer(), 40);  // never less than 40 ms, so bursts from a USB adapter stay whole
    EXPECT_EQ(g_delivered, 1);
    Feed(FalseHeader());
    g_now += 40;
    Feed(Answer());
    EXPECT_EQ(g_delivered, 1) << "40 ms is not yet silence";
}

TEST_F(MstpFrameAbortTest, SilenceIsSixtyBitTimesAtSlowRates) {
    link_.SetBaudRate(1200);  // 60 bits take 50 ms
    Feed(Answer(), 50);
    EXPECT_EQ(g_delivered, 1);
    Feed(FalseHeader());
    g_now += 51;
    Feed(Answer());
    EXPECT_EQ(g_delivered, 2);
}

TEST(MstpFrameAbortTime, IsSixtyBitTimesButNeverUnderTheFloor) {
    EXPECT_EQ(frame::FrameAbortMs(9600), 40u);
    EXPECT_EQ(frame::FrameAbortMs(115200), 40u);
    EXPECT_EQ(frame::FrameAbortMs(1200), 50u);
    EXPECT_EQ(frame::FrameAbortMs(1000), 60u);
    EXPECT_EQ(frame::FrameAbortMs(0), 40u);  // no rate given: the line's default
}

}  // namespace
