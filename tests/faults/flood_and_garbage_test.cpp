// Datagrams that no device should send reach the driver's port: a flood
// from a stranger while the host scans, garbage, frames cut short or
// announced longer than they are, and datagrams larger than a ring slot.
// Nothing crashes or hangs, scans end with an answer or -15, no line shows
// another tag's value. Each datagram is one BVLC message, so a bad one costs
// only itself: the scan that follows it is whole.
#include <atomic>
#include <random>
#include <thread>

#include "faults/device_behind_relay.hpp"
#include "platform/clock.hpp"
#include "support/udp_peer.hpp"

namespace faults {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint32_t kEndMarginMs = 400;
const std::vector<std::uint32_t> kGroup = {2, 3, 4};

Bytes AnswerFrame(std::uint8_t invokeId, std::uint32_t instance, float value) {
    return ReadPropertyAckFrame(invokeId, instance, value);
}

class FloodAndGarbageTest : public DeviceBehindRelay {
protected:
    void SendToDriver(const Bytes& datagram) { stranger_.SendTo("127.0.0.1", port_, datagram); }

    // Scans until one is complete; the number of scans it took. Every scan
    // on the way ends in time with -15 or with lines of their own tags.
    int ScansUntilComplete(int limit) {
        for (int i = 1; i <= limit; ++i) {
            const Scan scan = ReadAnalogValues(kGroup);
            EXPECT_TRUE(scan.started);
            EXPECT_TRUE(scan.finished) << "scan hangs";
            if (!scan.finished) return limit + 1;
            EXPECT_LE(scan.elapsedMs, kTimeoutMs + kEndMarginMs);
            const std::size_t good = CheckLinesBelongToTheirTags(scan, kGroup);
            if (scan.status == kUntouched && good == kGroup.size()) return i;
            EXPECT_TRUE(ExpectedOnAFaultyLine(scan.status)) << "status " << scan.status;
        }
        return limit + 1;
    }

    testing_support::UdpPeer stranger_{"127.0.0.4", 0};
};

// Thousands of datagrams from a stranger while the host scans: answers for
// objects it did not ask for under every invoke ID, foreign answers to the
// objects it asks for under other instances' invoke IDs, and random bytes.
TEST_F(FloodAndGarbageTest, AFloodAtTheSharedRingCostsAnswersButNeverMixesThemUp) {
    std::atomic<bool> flooding{true};
    std::atomic<int> sent{0};
    std::thread flood([&] {
        std::mt19937 random(77);
        while (flooding) {
            for (int i = 0; i < 50; ++i) {
                const auto invokeId = static_cast<std::uint8_t>(random());
                switch (random() % 3) {
                    case 0:
                        SendToDriver(AnswerFrame(invokeId, 250 + random() % 40, 1e6f));
                        break;
                    case 1:
                        SendToDriver(AnswerFrame(static_cast<std::uint8_t>(7 + invokeId % 240), kGroup[random() % 3],
                                                 -1.0f));
                        break;
                    default: {
                        Bytes junk(random() % 64);
                        for (auto& byte : junk) byte = static_cast<std::uint8_t>(random());
                        SendToDriver(junk);
                    }
                }
                ++sent;
            }
            platform::SleepMs(1);
        }
    });
    int complete = 0;
    // At least 25 scans, and more while a loaded machine has let the flood send little.
    for (int i = 0; i < 25 || (sent.load() <= 3000 && i < 400); ++i) {
        const Scan scan = ReadAnalogValues(kGroup);
        ASSERT_TRUE(scan.finished) << "scan " << i << " hangs";
        EXPECT_LE(scan.elapsedMs, kTimeoutMs + kEndMarginMs);
        EXPECT_TRUE(scan.status == kUntouched || scan.status == kNoAnswer) << "status " << scan.status;
        if (scan.status == kUntouched && CheckLinesBelongToTheirTags(scan, kGroup) == kGroup.size()) ++complete;
    }
    flooding = false;
    flood.join();
    EXPECT_GT(sent.load(), 3000);
    EXPECT_GT(complete, 0);
    // The backlog in the socket's buffer goes through the ring at the pace
    // of the idle ticks; behind it, the first scan is complete.
    for (int i = 0; i < 250; ++i, platform::SleepMs(2)) driver_->onIdle();
    EXPECT_EQ(ScansUntilComplete(1), 1);
}

// Each stray datagram is dropped on its own: the scan right behind it is
// complete.
TEST_F(FloodAndGarbageTest, AScanRightAfterGarbageOrAnOversizedDatagramIsComplete) {
    const Bytes answer = AnswerFrame(3, 300, 150.0f);
    Bytes oversized = answer;
    oversized.resize(20000, 0x81);
    Bytes twoFrames = AnswerFrame(200, 2, -5.0f);
    twoFrames.insert(twoFrames.end(), answer.begin(), answer.end());
    std::mt19937 random(31);
    Bytes randomBytes(700);
    for (auto& byte : randomBytes) byte = static_cast<std::uint8_t>(random());
    const std::vector<Bytes> garbage = {
        {},
        {0x81},
        {0x81, 0x0A, 0x00, 0x04},
        {0x81, 0x0A, 0x00, 0x02, 0x01},
        {0x81, 0x0B, 0x00, 0x06, 0x01, 0x00},
        {0x81, 0x04, 0x00, 0x09, 1, 2, 3, 4, 5},
        {0x81, 0x0A, 0x00, 0x07, 0x02, 0x00, 0x30},
        {0x81, 0x0A, 0x00, 0x0A, 0x01, 0xFF, 0x30, 0x00, 0x0C, 0x0C},
        Bytes(answer.begin(), answer.begin() + 12),
        oversized,
        twoFrames,
        {0x81, 0x0A, 0xFF, 0xFF},
        randomBytes,
    };
    for (std::size_t i = 0; i < garbage.size(); ++i) {
        SendToDriver(garbage[i]);
        EXPECT_EQ(ScansUntilComplete(1), 1) << "garbage datagram " << i;
    }
}

// A frame cut short, or announced longer than its datagram, costs nothing
// but itself.
TEST_F(FloodAndGarbageTest, AFrameCutShortCostsOnlyItself) {
    const Bytes answer = AnswerFrame(3, 300, 150.0f);
    for (std::size_t cut = 5; cut < answer.size(); cut += 4) {
        SendToDriver(Bytes(answer.begin(), answer.begin() + static_cast<std::ptrdiff_t>(cut)));
        EXPECT_EQ(ScansUntilComplete(1), 1) << "cut at " << cut;
    }
    SendToDriver({0x81, 0x0A, 0x13, 0x92});
    EXPECT_EQ(ScansUntilComplete(1), 1) << "a header announcing 5010 octets";
}

}  // namespace
}  // namespace faults
