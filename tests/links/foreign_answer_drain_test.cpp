// The receive path sorts out the answers of other instances on the shared
// port by their invoke ID before anything of them is decoded, and writes the
// same lines for them as the full path does.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "links/bvll.hpp"
#include "network/npdu.hpp"
#include "services/dispatch.hpp"
#include "services/foreign_answer.hpp"
#include "services/transactions.hpp"
#include "support/hex.hpp"
#include "support/trace_capture.hpp"

namespace {

using LinkServices::BVLL;
using LinkServices::LinkAddress;
using testing_support::Hex;

int g_decoded = 0;

void CountDecoded(const LinkAddress&, const network::NpduInfo&, const std::uint8_t*, std::size_t) { ++g_decoded; }

class ForeignAnswerDrainTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_decoded = 0;
        saved_ = APDUServices::Transactions();
        APDUServices::Transactions().pendingInvokeId = 9;
        APDUServices::Transactions().deviceTimedOut = false;
        source_.SetIp(u"10.0.0.2", 47808);
    }
    void TearDown() override { APDUServices::Transactions() = saved_; }

    // The lines of the datagram through the receive path, and whether it was decoded.
    std::vector<std::string> Drained(const std::vector<std::uint8_t>& datagram, bool& decoded) {
        const network::ApduHandler previous = network::SetApduHandler(&CountDecoded);
        testing_support::TraceCapture trace;
        g_decoded = 0;
        bvll_.ProcessDatagram(datagram.data(), datagram.size(), source_);
        network::SetApduHandler(previous);
        decoded = g_decoded != 0;
        return trace.Lines();
    }

    // The lines that the dispatcher writes for the APDU (NPDU header 01 00 stripped).
    std::vector<std::string> Dispatched(const std::vector<std::uint8_t>& apdu) {
        testing_support::TraceCapture trace;
        network::NpduInfo info;
        services::Dispatch(source_, info, apdu.data(), apdu.size());
        return trace.Lines();
    }

    static std::vector<std::uint8_t> Datagram(const std::vector<std::uint8_t>& npdu) {
        std::vector<std::uint8_t> bytes{0x81, 0x0a, 0, static_cast<std::uint8_t>(npdu.size() + 4)};
        bytes.insert(bytes.end(), npdu.begin(), npdu.end());
        return bytes;
    }

    BVLL bvll_;
    LinkAddress source_;
    APDUServices::TransactionState saved_;
};

// ReadProperty-ACK of AV 2 present-value, REAL 1.0.
const char* kAck = "30 0b 0c 0c 00 80 00 02 19 55 3e 44 3f 80 00 00 3f";

TEST_F(ForeignAnswerDrainTest, AnotherInstancesAnswerIsDroppedUndecodedWithTheDispatchersLines) {
    const std::vector<std::uint8_t> apdu = Hex(kAck);  // invoke ID 11: not the pending 9
    std::vector<std::uint8_t> npdu = Hex("01 00");
    npdu.insert(npdu.end(), apdu.begin(), apdu.end());
    bool decoded = true;
    const auto lines = Drained(Datagram(npdu), decoded);
    EXPECT_FALSE(decoded);
    EXPECT_EQ(lines, (std::vector<std::string>{"Warning: Received InvokeID=11",
                                               "Warning: BACNET_ERROR_PACKET_NOT_FOR_THIS_INSTANCE"}));
    EXPECT_EQ(lines, Dispatched(apdu));
}

TEST_F(ForeignAnswerDrainTest, EveryShapeOfForeignAnswerWritesWhatDispatchWrites) {
    struct Case {
        const char* npduHeader;
        const char* apdu;
        bool deviceTimedOut;
    };
    const Case cases[] = {
        {"01 00", "50 0c 0c 91 02 91 20", false},  // Error PDU of another instance: no Received line
        {"01 00", "38 0c 00", false},              // a segment too short for its header: Error: 2
        {"01 00", kAck, true},                     // after a time-out: the Received line only
        {"01 08 00 05 01 07", kAck, false},        // from a routed station (SNET, SADR)
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.apdu);
        APDUServices::Transactions().deviceTimedOut = c.deviceTimedOut;
        const std::vector<std::uint8_t> apdu = Hex(c.apdu);
        std::vector<std::uint8_t> npdu = Hex(c.npduHeader);
        npdu.insert(npdu.end(), apdu.begin(), apdu.end());
        bool decoded = true;
        const auto lines = Drained(Datagram(npdu), decoded);
        EXPECT_FALSE(decoded);
        EXPECT_FALSE(lines.empty());
        EXPECT_EQ(lines, Dispatched(apdu));
    }
}

// What is not surely another instance's answer takes the full path: the
// pending invoke ID, requests, a header that the network layer warns about.
TEST_F(ForeignAnswerDrainTest, OwnAnswersAndEverythingElseAreDecoded) {
    APDUServices::Transactions().pendingInvokeId = 11;
    for (const char* npdu : {"01 00 30 0b 0c",          // the pending ID
                             "01 00 10 08",             // Who-Is
                             "01 00 20 0b 0f",          // SimpleAck: the write hook compares
                             "01 20 ff ff 00 ff 30 0c 0c",  // to the global broadcast network: warns
                             "02 00 30 0c 0c"}) {       // a wrong NPDU version: warns
        SCOPED_TRACE(npdu);
        bool decoded = false;
        Drained(Datagram(Hex(npdu)), decoded);
        EXPECT_TRUE(decoded);
    }
}

TEST(DatagramOwnerTest, AnAnswerBelongsToTheConsumerOfItsInvokeId) {
    const auto owner = [](const char* hex) {
        const std::vector<std::uint8_t> bytes = Hex(hex);
        return LinkServices::DatagramOwner(bytes.data(), bytes.size());
    };
    EXPECT_EQ(owner("81 0a 00 09 01 00 30 0d 0c"), 1u);            // ComplexAck, ID 13
    EXPECT_EQ(owner("81 0a 00 09 01 00 50 0e 0c"), 2u);            // Error, ID 14
    EXPECT_EQ(owner("81 0a 00 08 01 00 20 06"), 0u);               // SimpleAck, ID 6
    EXPECT_EQ(owner("81 0a 00 08 01 00 70 15"), 3u);               // Abort, ID 21
    EXPECT_EQ(owner("81 04 00 10 c0 a8 00 05 ba c0 01 00 30 07 0c 00"), 1u);  // forwarded
    EXPECT_EQ(owner("81 0a 00 08 01 00 10 08"), APDUServices::kAnyConsumer);  // Who-Is: everyone's
    EXPECT_EQ(owner("81 0a 00 09 01 00 30 0d"), APDUServices::kAnyConsumer);  // length disagrees
    EXPECT_EQ(owner("81 0a 00 08 01 80 00 00"), APDUServices::kAnyConsumer);  // network message
}

}  // namespace
