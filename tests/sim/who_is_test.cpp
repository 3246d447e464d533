// Who-Is and I-Am, the network layer addressing of answers, and several
// simulators side by side on loopback.
#include "sim/ids.hpp"
#include "sim_client.hpp"

namespace sim_test {
namespace {

namespace t = sim::object_type;

const Bytes kIAm1234{0x10, 0x00, 0xC4, 0x02, 0x00, 0x04, 0xD2, 0x22, 0x05, 0xC4, 0x91, 0x00, 0x22, 0x03, 0xE7};

Bytes WhoIs(std::optional<std::uint32_t> low = std::nullopt, std::optional<std::uint32_t> high = std::nullopt) {
    Bytes apdu{0x10, 0x08};
    if (low) AppendContextUnsigned(apdu, 0, *low);
    if (high) AppendContextUnsigned(apdu, 1, *high);
    return apdu;
}

// An NPDU with the given header octets after the version, then the APDU.
Bytes RawFrame(const Bytes& npduHeader, const Bytes& apdu, std::uint8_t function = 0x0A) {
    Bytes frame{0x81, function, 0, 0, 0x01};
    frame.insert(frame.end(), npduHeader.begin(), npduHeader.end());
    frame.insert(frame.end(), apdu.begin(), apdu.end());
    frame[2] = static_cast<std::uint8_t>(frame.size() >> 8);
    frame[3] = static_cast<std::uint8_t>(frame.size());
    return frame;
}

class WhoIsTest : public SimulatorTest {};

TEST_F(WhoIsTest, AnswersWithAndWithoutMatchingRange) {
    StartSimulator();
    std::uint16_t from = 0;
    Send(WhoIs());
    const auto frame = peer.Receive(1000, &from);
    ASSERT_TRUE(frame);
    EXPECT_EQ(from, port);
    EXPECT_EQ(ApduOf(*frame), kIAm1234);
    EXPECT_EQ(Exchange(WhoIs(1000, 2000)), kIAm1234);
    EXPECT_EQ(Exchange(WhoIs(1234, 1234)), kIAm1234);
}

TEST_F(WhoIsTest, StaysSilentOutsideTheRangeOrForHalfARange) {
    StartSimulator();
    Send(WhoIs(1235, 5000));
    Send(WhoIs(0, 1233));
    Send(WhoIs(1000));
    EXPECT_FALSE(Receive(300));
}

TEST_F(WhoIsTest, GlobalBroadcastsAndBroadcastFramesAreAnswered) {
    StartSimulator();
    peer.SendTo(address.c_str(), port, RawFrame({0x20, 0xFF, 0xFF, 0x00, 0xFF}, WhoIs(), 0x0B));
    EXPECT_EQ(Receive(), kIAm1234);
    // A remote network the device is not on.
    peer.SendTo(address.c_str(), port, RawFrame({0x20, 0x00, 0x09, 0x00, 0xFF}, WhoIs()));
    EXPECT_FALSE(Receive(300));
}

TEST_F(WhoIsTest, BehindARouterAnswersCarryTheSourceNetwork) {
    sim::SimOptions options;
    options.network = 5;
    options.mac = 7;
    StartSimulator(options);
    peer.SendTo(address.c_str(), port, RawFrame({0x20, 0x00, 0x05, 0x00, 0xFF}, WhoIs()));
    const auto frame = peer.Receive(1000);
    ASSERT_TRUE(frame);
    Bytes expected{0x81, 0x0A, 0x00, 0x19, 0x01, 0x08, 0x00, 0x05, 0x01, 0x07};
    expected.insert(expected.end(), kIAm1234.begin(), kIAm1234.end());
    EXPECT_EQ(*frame, expected);

    const Bytes read = ReadPropertyRequest(1, t::kDevice, 1234, sim::property::kObjectIdentifier);
    peer.SendTo(address.c_str(), port, RawFrame({0x24, 0x00, 0x05, 0x01, 0x08, 0xFF}, read));
    EXPECT_FALSE(peer.Receive(300)) << "another station on network 5";
    peer.SendTo(address.c_str(), port, RawFrame({0x24, 0x00, 0x05, 0x01, 0x07, 0xFF}, read));
    EXPECT_TRUE(peer.Receive(1000));
}

TEST_F(WhoIsTest, RequestsFromBehindARouterAreAnsweredThroughIt) {
    StartSimulator();
    // From station 0x21 on network 3.
    peer.SendTo(address.c_str(), port, RawFrame({0x08, 0x00, 0x03, 0x01, 0x21}, WhoIs()));
    const auto frame = peer.Receive(1000);
    ASSERT_TRUE(frame);
    Bytes expected{0x81, 0x0A, 0x00, 0x1A, 0x01, 0x20, 0x00, 0x03, 0x01, 0x21, 0xFF};
    expected.insert(expected.end(), kIAm1234.begin(), kIAm1234.end());
    EXPECT_EQ(*frame, expected);
}

TEST_F(WhoIsTest, SeveralSimulatorsShareAPortOnDifferentAddresses) {
    StartSimulator();
    sim::Simulator second;
    sim::SimOptions options;
    options.bindAddress = "127.0.0.3";
    options.port = port;
    options.deviceInstance = 4321;
    std::string error;
    ASSERT_TRUE(second.Start(options, error)) << error;
    EXPECT_EQ(Exchange(WhoIs()), kIAm1234);
    peer.SendTo("127.0.0.3", port, Frame(WhoIs()));
    const auto other = Receive();
    ASSERT_TRUE(other);
    EXPECT_EQ(Bytes(other->begin() + 2, other->begin() + 7), (Bytes{0xC4, 0x02, 0x00, 0x10, 0xE1}));
    sim::Simulator clash;
    options.deviceInstance = 99;
    EXPECT_FALSE(clash.Start(options, error));
    EXPECT_NE(error.find("127.0.0.3"), std::string::npos) << error;
}

}  // namespace
}  // namespace sim_test
