#include <gtest/gtest.h>

#include <vector>

#include "network/npdu.hpp"
#include "support/hex.hpp"
#include "support/trace_capture.hpp"

namespace {

using network::NpduInfo;
using testing_support::BytesAre;
using testing_support::Hex;

struct Delivered {
    NpduInfo info;
    std::vector<std::uint8_t> apdu;
};
std::vector<Delivered> g_delivered;

void Collect(const LinkServices::LinkAddress&, const NpduInfo& info, const std::uint8_t* apdu, std::size_t n) {
    g_delivered.push_back({info, std::vector<std::uint8_t>(apdu, apdu + n)});
}

class NpduDecodeTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_delivered.clear();
        previous_ = network::SetApduHandler(&Collect);
    }
    void TearDown() override { network::SetApduHandler(previous_); }

    void Feed(const char* hex) {
        const auto frame = Hex(hex);
        network::ProcessNpdu(LinkServices::LinkAddress{}, frame.data(), frame.size());
    }

    testing_support::TraceCapture trace_;
    network::ApduHandler previous_ = nullptr;
};

std::vector<std::uint8_t> Build(NpduInfo info, const char* apduHex) {
    const auto apdu = Hex(apduHex);
    std::vector<std::uint8_t> out(apdu.size() + 24);
    std::size_t n = 0;
    network::BuildNpdu(info, apdu.data(), apdu.size(), out.data(), n);
    out.resize(n);
    return out;
}

TEST(NpduEncode, LocalRequestRoutedReplyAndRemoteBroadcast) {
    EXPECT_TRUE(BytesAre(Build(NpduInfo{}, "10 08"), "01 04 10 08"));

    NpduInfo routed;
    routed.SetSource(3, 1, Hex("05").data());
    EXPECT_TRUE(BytesAre(Build(NpduInfo::MakeReply(routed), "30 01"), "01 24 00 03 01 05 ff 30 01"));

    NpduInfo broadcast;
    broadcast.SetBroadcastDestination(0xFFFF);
    EXPECT_TRUE(BytesAre(Build(broadcast, "10 08"), "01 24 ff ff 00 ff 10 08"));
}

TEST(NpduEncode, RoutedStationWritesTheDestinationGroupFromItsMac) {
    NpduInfo info;
    info.SetDestination(5, 6, Hex("4d 00 00 00 00 00").data());
    info.routedStation = 1;
    info.destinationMacLength = 1;
    info.destinationMac[0] = 0x0A;
    EXPECT_TRUE(BytesAre(Build(info, "00"), "01 24 00 05 01 0a ff 00"));
}

// A record left without a destination by its binding (a local I-Am) still
// says so in its control byte and carries a hop count when it is routed.
TEST(NpduEncode, ARoutedStationIsAlwaysAWholeDestinationGroup) {
    NpduInfo info;
    info.routedStation = 1;
    info.destinationNetwork = 5;
    info.destinationMacLength = 1;
    info.destinationMac[0] = 0x0A;
    EXPECT_TRUE(BytesAre(Build(info, "00"), "01 24 00 05 01 0a ff 00"));
}

TEST(NpduEncode, OverlongMacsAreRefusedWithAWarning) {
    testing_support::TraceCapture trace;
    NpduInfo info;
    const auto mac = Hex("01 02 03 04 05 06 07");
    info.SetDestination(1, 7, mac.data());
    info.SetSource(1, 7, mac.data());
    EXPECT_EQ(info.destinationPresent, 0);
    EXPECT_EQ(info.sourcePresent, 0);
    EXPECT_EQ(trace.Lines(), (std::vector<std::string>{"Warning: Invalid DLEN", "Warning: Invalid SLEN"}));
}

TEST_F(NpduDecodeTest, DispatchesWithTheAddressingItRead) {
    Feed("01 2c ff ff 00 00 03 01 05 0a 10 08");
    ASSERT_EQ(g_delivered.size(), 1u);
    const auto& d = g_delivered[0];
    EXPECT_EQ(d.info.destinationPresent, 1);
    EXPECT_EQ(d.info.destinationNetwork, 0xFFFF);
    EXPECT_EQ(d.info.destinationMacLength, 0u);
    EXPECT_EQ(d.info.sourceNetwork, 3);
    EXPECT_EQ(d.info.sourceMacLength, 1u);
    EXPECT_EQ(d.info.sourceMac[0], 0x05);
    EXPECT_EQ(d.info.hopCount, 0x0A);
    EXPECT_EQ(d.info.expectingReply, 1);
    EXPECT_TRUE(BytesAre(d.apdu, "10 08"));
    EXPECT_EQ(trace_.Lines(), std::vector<std::string>{"Warning: Broadcast message received"});
}

TEST_F(NpduDecodeTest, WarnsButDispatchesOddHeaders) {
    Feed("02 00 10 08");  // wrong version
    Feed("01 50 10 08");  // reserved bits 6 and 4
    Feed("01 20 00 07 00 ff 10 08");  // remote broadcast on network 7: no line
    Feed("01 08 00 03 00 10 08");  // SNET without MAC
    ASSERT_EQ(g_delivered.size(), 4u);
    EXPECT_EQ(g_delivered[3].info.sourcePresent, 1);
    EXPECT_EQ(g_delivered[3].info.sourceMacLength, 0u);
    EXPECT_EQ(trace_.Lines(), (std::vector<std::string>{"Warning: NPDU version incorrect",
                                                        "Warning: Unexpected bit 6 set",
                                                        "Warning: Unexpected bit 4 set"}));
}

TEST_F(NpduDecodeTest, RefusesTruncatedAndMalformedFrames) {
    const char* refused[] = {
        "01",                             // shorter than a header
        "01 20 00 01 07 01 02 03 04 05 06 07 ff 00",  // DLEN 7
        "01 20 00 01 02 0a 0b",           // DADR ends at the frame's end
        "01 20 00 01",                    // no room for DLEN
        "01 20 00 01 00 ff",              // nothing behind the hop count
        "01 08 00 03 02 05",              // SADR runs off the end
    };
    for (const char* frame : refused) Feed(frame);
    EXPECT_TRUE(g_delivered.empty());
    EXPECT_EQ(trace_.Lines(), std::vector<std::string>(6, "Error: 2"));

    trace_.Clear();
    Feed("01 80 00 00");
    EXPECT_TRUE(g_delivered.empty());
    EXPECT_EQ(trace_.Lines(), std::vector<std::string>{"Warning: Unsupported NSDU received"});
}

}  // namespace
