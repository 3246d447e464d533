// The simulator's MS/TP framing: which frames off the line become requests
// and how answers are framed, over a scripted line.
#include "sim/mstp_transport.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>

#include "links/mstp_frame.hpp"

namespace sim_test {
namespace {

namespace frame = LinkServices::MstpFrame;
using Bytes = std::vector<std::uint8_t>;

// Hands out the scripted chunks one per read and keeps what is written.
class ScriptedLine : public sim::ByteLine {
public:
    std::deque<Bytes> chunks;
    Bytes written;
    std::int32_t Read(std::uint8_t* buffer, std::size_t capacity) override {
        if (chunks.empty()) return 0;
        Bytes chunk = std::move(chunks.front());
        chunks.pop_front();
        const std::size_t n = std::min(capacity, chunk.size());
        std::memcpy(buffer, chunk.data(), n);
        return static_cast<std::int32_t>(n);
    }
    bool Write(const std::uint8_t* data, std::size_t length) override {
        written.insert(written.end(), data, data + length);
        return true;
    }
    std::string Name() const override { return "scripted"; }
};

constexpr std::uint8_t kDevice = 5;
constexpr std::uint8_t kClient = 1;
const Bytes kReadRequestNpdu{0x01, 0x04, 0x00, 0x03, 0x07, 0x0C, 0x0C, 0x00, 0x00, 0x00, 0x01, 0x19, 0x55};

Bytes DataFrame(std::uint8_t type, std::uint8_t destination, const Bytes& npdu, std::uint8_t source = kClient) {
    return frame::Encode(type, destination, source, npdu.data(), static_cast<std::uint16_t>(npdu.size()));
}

class MstpTransportTest : public ::testing::Test {
protected:
    MstpTransportTest() {
        auto owned = std::make_unique<ScriptedLine>();
        line = owned.get();
        transport = std::make_unique<sim::MstpTransport>(std::move(owned), kDevice, sim::Placement{}, nullptr);
    }
    // The requests that the transport takes off the line until it runs dry, as (source, APDU).
    std::vector<std::pair<std::uint32_t, Bytes>> Drain() {
        std::vector<std::pair<std::uint32_t, Bytes>> out;
        sim::Incoming incoming;
        for (int reads = 0; reads < 64 && (!line->chunks.empty() || reads == 0); ++reads)
            while (transport->Receive(incoming))
                out.emplace_back(incoming.peer.address, Bytes(incoming.apdu, incoming.apdu + incoming.apduLength));
        return out;
    }
    ScriptedLine* line = nullptr;
    std::unique_ptr<sim::MstpTransport> transport;
};

TEST_F(MstpTransportTest, TakesDataFramesForItsStationOrBroadcastThroughNoiseAndSplitReads) {
    Bytes stream{0x00, 0x55, 0x13, 0xFF};  // noise, including a lone preamble octet
    const Bytes expecting = DataFrame(frame::kDataExpectingReply, kDevice, kReadRequestNpdu);
    stream.insert(stream.end(), expecting.begin(), expecting.end());
    const Bytes otherStation = DataFrame(frame::kDataNotExpectingReply, 6, kReadRequestNpdu);
    stream.insert(stream.end(), otherStation.begin(), otherStation.end());
    const Bytes token = DataFrame(0x00, kDevice, {});  // a token: no data, not a request
    stream.insert(stream.end(), token.begin(), token.end());
    const Bytes broadcast = DataFrame(frame::kDataNotExpectingReply, frame::kBroadcastStation, kReadRequestNpdu, 9);
    stream.insert(stream.end(), broadcast.begin(), broadcast.end());
    // Delivered three octets at a time, so frames straddle reads.
    for (std::size_t i = 0; i < stream.size(); i += 3)
        line->chunks.emplace_back(stream.begin() + static_cast<std::ptrdiff_t>(i),
                                  stream.begin() + static_cast<std::ptrdiff_t>(std::min(stream.size(), i + 3)));

    const auto requests = Drain();
    const Bytes apdu(kReadRequestNpdu.begin() + 2, kReadRequestNpdu.end());
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], std::make_pair(std::uint32_t{kClient}, apdu));
    EXPECT_EQ(requests[1], std::make_pair(std::uint32_t{9}, apdu));
    EXPECT_EQ(transport->BadFrames(), 0u);
}

TEST_F(MstpTransportTest, DropsFramesWithBadCrcsAndRecoversOnTheNextGoodOne) {
    Bytes badHeader = DataFrame(frame::kDataExpectingReply, kDevice, kReadRequestNpdu);
    badHeader[7] ^= 0x01;
    Bytes badData = DataFrame(frame::kDataExpectingReply, kDevice, kReadRequestNpdu);
    badData[frame::kHeaderSize + 3] ^= 0x40;
    Bytes huge = DataFrame(frame::kDataExpectingReply, kDevice, {});
    huge[5] = 0xFF;  // a length no BACnet data frame has, with a matching header CRC
    huge[7] = frame::HeaderCrc(huge.data() + 2);
    const Bytes good = DataFrame(frame::kDataExpectingReply, kDevice, kReadRequestNpdu);
    line->chunks = {badHeader, badData, huge, good};

    const auto requests = Drain();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].first, kClient);
    EXPECT_EQ(transport->BadFrames(), 3u);
}

TEST_F(MstpTransportTest, AnswersInADataNotExpectingReplyFrameToTheSender) {
    sim::Peer to;
    to.address = kClient;
    const encoding::ByteVector apdu{0x20, 0x07, 0x0F};
    transport->Send(to, apdu);
    const Bytes npdu{0x01, 0x00, 0x20, 0x07, 0x0F};
    EXPECT_EQ(line->written, DataFrame(frame::kDataNotExpectingReply, kClient, npdu, kDevice));
}

}  // namespace
}  // namespace sim_test
