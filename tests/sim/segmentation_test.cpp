// Segmented answers: the first segment alone, windows as the client grants
// them, resending after a time-out, and the aborts for clients that cannot
// take the answer.
#include "sim/ids.hpp"
#include "sim/segmenter.hpp"
#include "sim_client.hpp"

namespace sim_test {
namespace {

namespace p = sim::property;
namespace t = sim::object_type;

constexpr std::uint8_t kInvoke = 77;
// Long enough that a loaded machine does not see resends where none belong.
constexpr std::uint32_t kResendMs = 1000;

Bytes ObjectListRequest(std::uint8_t maxApduCode, bool segmentedAccepted, std::uint8_t maxSegmentsCode = 0) {
    Bytes apdu = ConfirmedHeader(kInvoke, 12, maxApduCode, segmentedAccepted, maxSegmentsCode);
    AppendContextObjectId(apdu, 0, t::kDevice, 1234);
    AppendContextUnsigned(apdu, 1, p::kObjectList);
    return apdu;
}

Bytes SegmentAck(std::uint8_t sequence, std::uint8_t window) { return {0x40, kInvoke, sequence, window}; }

class SegmentationTest : public SimulatorTest {
protected:
    void SetUp() override {
        sim::SimOptions options;
        options.segmentTimeoutMs = kResendMs;
        options.segmentRetries = 1;
        StartSimulator(options);
    }

    // The next segment's APDU, checked for the segment header.
    Bytes NextSegment(std::uint8_t sequence) {
        const auto segment = Receive(3 * kResendMs);
        if (!segment || segment->size() < 6) {
            ADD_FAILURE() << "no segment " << int(sequence);
            return {};
        }
        EXPECT_EQ((*segment)[0] & 0xF8, 0x38);
        EXPECT_EQ((*segment)[1], kInvoke);
        EXPECT_EQ((*segment)[2], sequence);
        EXPECT_EQ((*segment)[3], 4) << "proposed window";
        EXPECT_EQ((*segment)[4], 12);
        return *segment;
    }
    static bool MoreFollows(const Bytes& segment) { return !segment.empty() && (segment[0] & 0x04) != 0; }
    static void AppendPayload(Bytes& body, const Bytes& segment) {
        if (segment.size() > 5) body.insert(body.end(), segment.begin() + 5, segment.end());
    }
};

TEST_F(SegmentationTest, ObjectListNeedsSegmentsAtFullSizeAndReassembles) {
    Send(ObjectListRequest(5, true));
    const Bytes first = NextSegment(0);
    EXPECT_TRUE(MoreFollows(first));
    EXPECT_EQ(first.size(), 1476u);
    EXPECT_FALSE(Receive(150)) << "only the first segment goes before its acknowledgement";
    Send(SegmentAck(0, 4));
    const Bytes second = NextSegment(1);
    EXPECT_FALSE(MoreFollows(second));
    Send(SegmentAck(1, 4));

    Bytes whole{0x30, kInvoke, 12};
    AppendPayload(whole, first);
    AppendPayload(whole, second);
    const auto values = ValuesOfReadAck(whole);
    ASSERT_TRUE(values);
    ASSERT_EQ(values->size(), simulator.ObjectCount());
    EXPECT_EQ(values->front(), sim::Value::ObjectId(t::kDevice, 1234));
    EXPECT_FALSE(Receive(kResendMs + 500)) << "nothing is resent after the final acknowledgement";
}

TEST_F(SegmentationTest, WindowsFollowTheClientsGrantAndTheClientsSize) {
    Send(ObjectListRequest(1, true));  // 128 octets
    Bytes whole{0x30, kInvoke, 12};
    Bytes segment = NextSegment(0);
    AppendPayload(whole, segment);
    Send(SegmentAck(0, 2));
    std::uint8_t sequence = 1;
    while (MoreFollows(segment)) {
        segment = NextSegment(sequence);
        EXPECT_LE(segment.size(), 128u);
        AppendPayload(whole, segment);
        if (sequence % 2 == 0 && MoreFollows(segment)) {
            EXPECT_FALSE(Receive(100)) << "window of 2 exceeded";
        }
        if (sequence % 2 == 0 || !MoreFollows(segment)) Send(SegmentAck(sequence, 2));
        ++sequence;
    }
    const auto values = ValuesOfReadAck(whole);
    ASSERT_TRUE(values);
    EXPECT_EQ(values->size(), simulator.ObjectCount());
}

TEST_F(SegmentationTest, UnacknowledgedWindowIsResentThenDropped) {
    Send(ObjectListRequest(1, true));
    NextSegment(0);
    Send(SegmentAck(0, 3));
    for (std::uint8_t s : {1, 2, 3}) NextSegment(s);
    // No acknowledgement: the same window comes again once, then nothing.
    for (std::uint8_t s : {1, 2, 3}) NextSegment(s);
    EXPECT_FALSE(Receive(kResendMs + 500));
}

TEST_F(SegmentationTest, PartialAcknowledgementMovesTheWindow) {
    Send(ObjectListRequest(1, true));
    NextSegment(0);
    Send(SegmentAck(0, 3));
    for (std::uint8_t s : {1, 2, 3}) NextSegment(s);
    Send({0x42, kInvoke, 1, 3});  // negative: segment 2 went missing
    for (std::uint8_t s : {2, 3, 4}) NextSegment(s);
}

TEST_F(SegmentationTest, ClientAbortEndsTheTransfer) {
    Send(ObjectListRequest(1, true));
    NextSegment(0);
    Send({0x70, kInvoke, 0});
    EXPECT_FALSE(Receive(kResendMs + 500));
}

TEST_F(SegmentationTest, ClientsThatCannotTakeTheAnswerGetAnAbort) {
    EXPECT_EQ(Exchange(ObjectListRequest(5, false)), (Bytes{0x71, kInvoke, 4}));  // segmentation-not-supported
    EXPECT_EQ(Exchange(ObjectListRequest(1, true, 1)), (Bytes{0x71, kInvoke, 1}));  // two segments: buffer-overflow
    // A small answer to the same small client needs no segments.
    const auto small = Exchange(ReadPropertyRequest(kInvoke, t::kDevice, 1234, p::kObjectList, 0));
    ASSERT_TRUE(small);
    EXPECT_EQ((*small)[0], 0x30);
}

TEST(SegmenterTest, SequenceNumbersWrapPast255) {
    std::vector<Bytes> sent;
    sim::Segmenter segmenter([&](const sim::Peer&, const Bytes& apdu) { sent.push_back(apdu); }, {});
    const sim::Peer peer{0x7F000001, 47808, false, 0, {}};
    segmenter.Begin(peer, 1, 14, Bytes(300, 0xAB), 1, 0);
    ASSERT_EQ(sent.size(), 1u);
    segmenter.OnSegmentAck(peer, 1, 0, 127, 0);
    EXPECT_EQ(sent.size(), 128u);
    segmenter.OnSegmentAck(peer, 1, 127, 127, 0);
    ASSERT_EQ(sent.size(), 255u);
    EXPECT_EQ(sent.back()[2], 254);
    segmenter.OnSegmentAck(peer, 1, 254, 127, 0);
    ASSERT_EQ(sent.size(), 300u);
    EXPECT_EQ(sent[255][2], 255);
    EXPECT_EQ(sent[256][2], 0);  // segment 256
    EXPECT_EQ(sent.back()[0], 0x38);
    // An acknowledgement of the wrapped sequence number 43 is segment 299: done.
    segmenter.OnSegmentAck(peer, 1, 43, 127, 0);
    EXPECT_EQ(segmenter.ActiveTransfers(), 0u);
}

TEST(SegmenterTest, StaleAcknowledgementsAndOtherPeersAreIgnored) {
    std::vector<Bytes> sent;
    sim::Segmenter segmenter([&](const sim::Peer&, const Bytes& apdu) { sent.push_back(apdu); }, {});
    const sim::Peer peer{0x7F000001, 47808, false, 0, {}};
    const sim::Peer other{0x7F000001, 47809, false, 0, {}};
    segmenter.Begin(peer, 1, 12, Bytes(10, 0), 2, 0);
    segmenter.OnSegmentAck(other, 1, 0, 4, 0);
    segmenter.OnSegmentAck(peer, 2, 0, 4, 0);
    segmenter.OnSegmentAck(peer, 1, 9, 4, 0);  // beyond what was sent
    EXPECT_EQ(sent.size(), 1u);
    segmenter.OnSegmentAck(peer, 1, 0, 4, 0);
    EXPECT_EQ(sent.size(), 5u);
    EXPECT_EQ(segmenter.ActiveTransfers(), 1u);
}

}  // namespace
}  // namespace sim_test
