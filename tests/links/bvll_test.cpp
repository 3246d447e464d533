#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "links/bvll.hpp"
#include "network/npdu.hpp"
#include "support/hex.hpp"
#include "support/trace_capture.hpp"

namespace {

using LinkServices::BVLL;
using LinkServices::LinkAddress;
using testing_support::BytesAre;
using testing_support::Hex;

std::vector<std::vector<std::uint8_t>> g_apdus;

void Collect(const LinkAddress&, const network::NpduInfo&, const std::uint8_t* apdu, std::size_t n) {
    g_apdus.emplace_back(apdu, apdu + n);
}

class BvllAssemblerTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_apdus.clear();
        previous_ = network::SetApduHandler(&Collect);
        source_.SetIp(u"10.0.0.2", 47808);
    }
    void TearDown() override { network::SetApduHandler(previous_); }

    void Datagram(const char* hex) {
        for (std::uint8_t b : Hex(hex)) bvll_.ProcessByte(b, source_);
    }

    BVLL bvll_;
    LinkAddress source_;
    testing_support::TraceCapture trace_;
    network::ApduHandler previous_ = nullptr;
};

TEST_F(BvllAssemblerTest, FramesAreDelimitedByTheirLengthAcrossDatagrams) {
    Datagram("81 0a 00 08 01 00");  // half a frame
    EXPECT_TRUE(g_apdus.empty());
    Datagram("10 08 81 0b 00 08 01 00 10 08");  // its end, then a whole broadcast frame
    ASSERT_EQ(g_apdus.size(), 2u);
    EXPECT_TRUE(BytesAre(g_apdus[0], "10 08"));
    EXPECT_TRUE(BytesAre(g_apdus[1], "10 08"));
}

TEST_F(BvllAssemblerTest, SkipsLeadingGarbageAndAcceptsForwardedNpdus) {
    Datagram("00 ff 7e 81 04 00 0e c0 a8 00 05 ba c0 01 00 10 08");
    Datagram("81 09 00 08 01 00 10 08");
    ASSERT_EQ(g_apdus.size(), 2u);
    EXPECT_TRUE(BytesAre(g_apdus[0], "10 08"));
    EXPECT_TRUE(trace_.Lines().empty());
}

TEST_F(BvllAssemblerTest, RefusesOtherFunctionsAndEmptyFrames) {
    Datagram("81 05 00 06 00 00");  // delete-foreign-device-table-entry
    Datagram("81 0a 00 04");         // empty NPDU: refused by the network layer
    Datagram("81 04 00 08 01 02 03 04");  // forwarded frame too short for its B/IP address
    EXPECT_TRUE(g_apdus.empty());
    EXPECT_EQ(trace_.Lines(), (std::vector<std::string>{"Error: 6", "Error: 2", "Error: 2"}));
    EXPECT_EQ(bvll_.ReceivedCount(), 0);
}

TEST_F(BvllAssemblerTest, OverlongFrameStartsOver) {
    // Length 0xFFFF is longer than the 5010-byte buffer: the assembler gives up and restarts.
    std::vector<std::uint8_t> bytes = Hex("81 0a ff ff");
    bytes.resize(5011, 0x00);
    for (std::uint8_t b : bytes) bvll_.ProcessByte(b, source_);
    EXPECT_EQ(bvll_.ReceivedCount(), 0);
    Datagram("81 0a 00 08 01 00 10 08");
    EXPECT_EQ(g_apdus.size(), 1u);
}

// The shared ring hands whole datagrams to the assembler; cut anywhere, they
// must come out as the same frames as byte by byte: frames spanning datagrams,
// garbage, short and empty frames, and one longer than the buffer.
TEST_F(BvllAssemblerTest, WholeDatagramsAssembleAsByteByByte) {
    std::mt19937 random(20261206);
    std::vector<std::uint8_t> stream;
    auto frame = [&](std::uint8_t function, std::size_t length) {
        stream.insert(stream.end(), {0x81, function, static_cast<std::uint8_t>(length >> 8),
                                     static_cast<std::uint8_t>(length)});
        stream.push_back(0x01);
        stream.push_back(0x00);
        for (std::size_t i = 6; i < length; ++i) stream.push_back(static_cast<std::uint8_t>(random()));
    };
    for (int i = 0; i < 300; ++i) {
        switch (random() % 6) {
            case 0: stream.push_back(static_cast<std::uint8_t>(random())); break;  // garbage
            case 1: stream.insert(stream.end(), {0x81, 0x0a, 0x00, 0x04}); break;  // empty
            case 2: frame(0x0b, 8 + random() % 40); break;
            default: frame(0x0a, 8 + random() % 1500); break;
        }
        if (i == 150) frame(0x0a, 6000);  // longer than the assembler's buffer
    }

    for (std::uint8_t b : stream) bvll_.ProcessByte(b, source_);
    const auto byteByByte = g_apdus;
    g_apdus.clear();
    BVLL whole;
    for (std::size_t at = 0; at < stream.size();) {
        const std::size_t n = std::min<std::size_t>(stream.size() - at, 1 + random() % 3000);
        whole.ProcessBytes(stream.data() + at, n, source_);
        at += n;
    }
    EXPECT_GT(byteByByte.size(), 150u);
    EXPECT_EQ(g_apdus, byteByByte);
    EXPECT_EQ(whole.ReceivedCount(), bvll_.ReceivedCount());
    EXPECT_EQ(whole.State(), bvll_.State());
}

TEST(BvllSend, RefusesAddressesOfTheWrongKindAndSendsNothingWithoutASocket) {
    BVLL bvll;
    LinkAddress address;
    bvll.ParseAddress(address, u"not-an-ip");
    EXPECT_EQ(address.kind, LinkAddress::kNothing);
    const std::uint8_t npdu[] = {0x01, 0x04};
    EXPECT_EQ(bvll.Send(address, npdu, 2), 3);
    bvll.ParseAddress(address, u"127.0.0.1");
    EXPECT_EQ(bvll.Send(address, npdu, 2), -1);
}

}  // namespace
