#include <gtest/gtest.h>

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
std::vector<LinkAddress> g_sources;

void Collect(const LinkAddress& source, const network::NpduInfo&, const std::uint8_t* apdu, std::size_t n) {
    g_apdus.emplace_back(apdu, apdu + n);
    g_sources.push_back(source);
}

class BvllDatagramTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_apdus.clear();
        g_sources.clear();
        previous_ = network::SetApduHandler(&Collect);
        source_.SetIp(u"10.0.0.2", 47808);
    }
    void TearDown() override { network::SetApduHandler(previous_); }

    void Datagram(const char* hex) { Datagram(Hex(hex)); }
    void Datagram(const std::vector<std::uint8_t>& bytes) { bvll_.ProcessDatagram(bytes.data(), bytes.size(), source_); }

    BVLL bvll_;
    LinkAddress source_;
    testing_support::TraceCapture trace_;
    network::ApduHandler previous_ = nullptr;
};

TEST_F(BvllDatagramTest, EachDatagramIsOneMessageOfTheAcceptedFunctions) {
    Datagram("81 0a 00 08 01 00 10 08");
    Datagram("81 0b 00 08 01 00 10 09");
    Datagram("81 09 00 08 01 00 10 0a");
    Datagram("81 04 00 0e c0 a8 00 05 ba c0 01 00 10 0b");  // behind the originator's B/IP address
    EXPECT_EQ(g_apdus, (std::vector<std::vector<std::uint8_t>>{Hex("10 08"), Hex("10 09"), Hex("10 0a"), Hex("10 0b")}));
    EXPECT_TRUE(trace_.Lines().empty());
    // A forwarded message comes from the originator it names, not from the BBMD that forwarded it.
    ASSERT_EQ(g_sources.size(), 4u);
    EXPECT_EQ(g_sources[2].IpText(), u"10.0.0.2");
    EXPECT_EQ(g_sources[3].IpText(), u"192.168.0.5");
    EXPECT_EQ(g_sources[3].port, 47808u);
}

// A BVLC header whose length disagrees with its datagram is dropped alone
// with "Error: 2"; a datagram that is no BVLC message at all, without a line.
// Either way the datagram behind it is whole.
TEST_F(BvllDatagramTest, ABadDatagramCostsOnlyItself) {
    const struct {
        const char* hex;
        bool logged;
    } bad[] = {
        {"81 0a 13 92", true},              // announces 5010 octets
        {"81 0a 00 08 01 00", true},        // cut short
        {"81 0a 00 06 01 00 10 08", true},  // longer than announced
        {"81 0a 00 08 01 00 10 08 81 0b 00 08 01 00 10 08", true},  // two messages in one datagram
        {"81 0a 00", true},
        {"00 ff 7e 81 0a 00 08 01 00 10 08", false},  // leading garbage
        {"", false},
    };
    for (const auto& datagram : bad) {
        SCOPED_TRACE(datagram.hex);
        trace_.Clear();
        Datagram(datagram.hex);
        Datagram("81 0a 00 08 01 00 10 08");
        EXPECT_EQ(trace_.Lines(), datagram.logged ? std::vector<std::string>{"Error: 2"} : std::vector<std::string>{});
        ASSERT_EQ(g_apdus.size(), 1u);
        EXPECT_TRUE(BytesAre(g_apdus[0], "10 08"));
        g_apdus.clear();
    }
}

TEST_F(BvllDatagramTest, RefusesOtherFunctionsAndEmptyMessages) {
    Datagram("81 05 00 06 00 00");        // delete-foreign-device-table-entry
    Datagram("81 0a 00 04");              // empty NPDU: refused by the network layer
    Datagram("81 04 00 08 01 02 03 04");  // forwarded message too short for its B/IP address
    EXPECT_TRUE(g_apdus.empty());
    EXPECT_EQ(trace_.Lines(), (std::vector<std::string>{"Error: 6", "Error: 2", "Error: 2"}));
}

TEST_F(BvllDatagramTest, AMessageLongerThanTheFrameBufferIsRefused) {
    std::vector<std::uint8_t> bytes(BVLL::kMaxFrameSize + 1, 0x00);
    bytes[0] = 0x81;
    bytes[1] = 0x0a;
    bytes[2] = static_cast<std::uint8_t>(bytes.size() >> 8);
    bytes[3] = static_cast<std::uint8_t>(bytes.size());
    Datagram(bytes);
    EXPECT_TRUE(g_apdus.empty());
    EXPECT_EQ(trace_.Lines(), std::vector<std::string>{"Error: 2"});
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
