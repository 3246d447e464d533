// What the dispatcher does with each kind of APDU, and the invoke-ID policy.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "services/apdu_headers.hpp"
#include "services/dispatch.hpp"
#include "services/segmentation.hpp"
#include "services/transactions.hpp"
#include "support/hex.hpp"
#include "support/recording_link.hpp"
#include "support/trace_capture.hpp"
#include "tables/vocabulary.hpp"

namespace {

using namespace APDUServices;
using testing_support::BytesAre;
using testing_support::Hex;

struct Outcome {
    std::string what;
    std::uint32_t a = 0, b = 0, c = 0;
};
std::vector<Outcome> g_outcomes;

class DispatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        tables::BuildTypeTables();
        tables::BuildNameTables();
        tables::BuildDevicePropertyTable(1000, 3, 1476);
        g_outcomes.clear();
        saved_ = Transactions();
        auto& hooks = Transactions().hooks;
        hooks = ResultHooks{};
        hooks.onPropertyValue = [](std::uint8_t id, std::int32_t type, std::int32_t instance, std::int32_t property,
                                   const HostValue&) {
            g_outcomes.push_back({"value", id, static_cast<std::uint32_t>(type * 100000 + instance),
                                  static_cast<std::uint32_t>(property)});
        };
        hooks.onReadError = [](std::uint8_t id, std::uint32_t cls, std::uint32_t code) {
            g_outcomes.push_back({"read error", id, cls, code});
        };
        hooks.onWriteAck = [](std::uint8_t id) { g_outcomes.push_back({"write ack", id}); };
        hooks.onWriteError = [](std::uint8_t id, std::uint32_t cls, std::uint32_t code) {
            g_outcomes.push_back({"write error", id, cls, code});
        };
        Transactions().pendingInvokeId = 5;
        Transactions().deviceTimedOut = false;
        ClearReassembly();
    }
    void TearDown() override { Transactions() = saved_; }

    static LinkServices::LinkAddress Station() {
        LinkServices::LinkAddress source;
        source.SetIp(u"10.0.0.9", 47808);
        return source;
    }
    // A request with invoke ID 5 to the station, waiting for its answer.
    void Pending(std::uint8_t service) { BeginRequest(service, Station(), network::NpduInfo{}); }
    void Feed(const char* apduHex) {
        const auto apdu = Hex(apduHex);
        services::Dispatch(Station(), network::NpduInfo{}, apdu.data(), apdu.size());
    }

    testing_support::RecordingLink link_;
    testing_support::TraceCapture trace_;
    TransactionState saved_;
};

TEST_F(DispatchTest, ComplexAckReachesItsServiceOnlyForThePendingRequest) {
    Pending(kServiceReadProperty);
    Feed("30 05 0c 0c 00 80 00 03 19 55 3e 44 41 ac 00 00 3f");
    ASSERT_EQ(g_outcomes.size(), 1u);
    EXPECT_EQ(g_outcomes[0].what, "value");
    EXPECT_EQ(g_outcomes[0].b, 2u * 100000 + 3);
    EXPECT_EQ(g_outcomes[0].c, 85u);

    trace_.Clear();
    Feed("30 06 0c 0c 00 80 00 03 19 55 3e 44 41 ac 00 00 3f");
    EXPECT_EQ(g_outcomes.size(), 1u);
    EXPECT_EQ(trace_.Lines(), (std::vector<std::string>{"Warning: Received InvokeID=6",
                                                        "Warning: BACNET_ERROR_PACKET_NOT_FOR_THIS_INSTANCE"}));

    Transactions().deviceTimedOut = true;
    Feed("30 05 0c 0c 00 80 00 03 19 55 3e 44 41 ac 00 00 3f");
    EXPECT_EQ(g_outcomes.size(), 1u);
}

TEST_F(DispatchTest, ReadPropertyAcksThatBreakTheirLayoutAreDropped) {
    const char* broken[] = {
        "30 05 0c",                                           // no service data
        "30 05 0c 0c 00 80 00 03 19 55 29 01 3e 44 41 ac 00 00 3f",  // carries an array index
        "30 05 0c 0c 00 80 00 03 19 55 3e 44 41 ac 00 00 00",  // no closing tag behind the value
        "30 05 0c 0c 00 80 00 03 19 55 3e 44 41 ac",          // cut inside the value
    };
    for (const char* apdu : broken) {
        Pending(kServiceReadProperty);
        Feed(apdu);
    }
    EXPECT_TRUE(g_outcomes.empty());
    // A two-octet property identifier is read in full before the opening tag.
    Pending(kServiceReadProperty);
    Feed("30 05 0c 0c 00 80 00 03 1a 01 00 3e 21 07 3f");
    ASSERT_EQ(g_outcomes.size(), 1u);
    EXPECT_EQ(g_outcomes[0].c, 256u);
}

TEST_F(DispatchTest, ErrorsAndSimpleAcksReachTheirHooksOnlyForThePendingRequest) {
    Pending(kServiceWriteProperty);
    Feed("50 05 0f 91 02 91 20");
    Pending(kServiceReadProperty);
    Feed("50 07 0c 91 01 91 1f");  // another instance's request
    Feed("50 05 0f 91 02 91 20");  // an answer to another service
    Feed("50 05 0c 91 01 91 1f");
    Feed("50 05 0c 91 01 91 1f");  // the request has had its answer
    Pending(kServiceWriteProperty);
    Feed("20 09 0f");  // another invoke ID
    Feed("20 05 0f");
    ASSERT_EQ(g_outcomes.size(), 3u);
    EXPECT_EQ(g_outcomes[0].what, "write error");
    EXPECT_EQ(g_outcomes[0].c, 32u);
    EXPECT_EQ(g_outcomes[1].what, "read error");
    EXPECT_EQ(g_outcomes[2].what, "write ack");
    EXPECT_EQ(g_outcomes[2].a, 5u);

    trace_.Clear();
    Pending(kServiceWriteProperty);
    EndRequest(Transactions().request.serial);  // the write has timed out
    Feed("20 05 0f");
    Feed("20 05 0c");
    Feed("60 05");
    Feed("40 05 00 01");
    Feed("90 00 00");
    EXPECT_TRUE(g_outcomes.size() == 3u);
    EXPECT_EQ(trace_.Lines(),
              (std::vector<std::string>{"Warning: Late answer dropped: InvokeID=5 from 10.0.0.9",
                                        "Warning: Unsupported Confirmed Service (SimpleAck): 12", "Error: 2",
                                        "Error: 7", "Error: 8"}));
}

TEST_F(DispatchTest, PeersReadTheLocalDeviceAndUnknownRequestsGetNoAnswer) {
    Feed("00 05 01 0c 0c 02 00 00 01 19 4d");  // object-name of a device
    ASSERT_EQ(link_.sent.size(), 1u);
    EXPECT_TRUE(BytesAre(link_.sent[0], "01 04 30 01 0c 0c 02 00 00 01 19 4d 3e 75 06 00 53 43 41 44 41 3f"));

    Feed("00 05 02 0c 0c 02 00 00 01 19 55");  // no present-value in the local table
    ASSERT_EQ(link_.sent.size(), 2u);
    EXPECT_TRUE(BytesAre(link_.sent[1], "01 04 50 02 0c 91 02 91 20"));

    Feed("00 05 03 0c 0c 02 00 00 01 19 4d 29 01");  // array index [2] echoed, whole value
    ASSERT_EQ(link_.sent.size(), 3u);
    EXPECT_TRUE(BytesAre(link_.sent[2], "01 04 30 03 0c 0c 02 00 00 01 19 4d 29 01 3e 75 06 00 53 43 41 44 41 3f"));

    trace_.Clear();
    Feed("08 05 01 0c 0c 02 00 00 01 19 4d");  // segmented request
    Feed("00 05 01 10 00");                    // service 16
    Feed("00 05 07 11 09 05 19 01");           // device communication control
    Feed("00 05 08 14 09 00");                 // reinitialize device
    Feed("00 05 04 0c 0c 02");                 // too short to answer
    EXPECT_EQ(link_.sent.size(), 3u);
    EXPECT_NE(std::find(trace_.Lines().begin(), trace_.Lines().end(), "Error: 7"), trace_.Lines().end());
    EXPECT_NE(std::find(trace_.Lines().begin(), trace_.Lines().end(),
                        "Warning: Unsupported Confirmed Service (ConfirmedRequest): 16"),
              trace_.Lines().end());
}

TEST_F(DispatchTest, SegmentedAnswersAreAcknowledgedAndJoined) {
    Pending(kServiceReadProperty);
    // Window 2: segments 0 and 2 are acknowledged at window ends, 3 as the final one.
    Feed("3c 05 00 02 0c 0c 00 80 00 03 19 55 3e");
    Feed("3c 05 01 02 0c 44 41");
    Feed("3c 05 02 02 0c ac 00");
    EXPECT_TRUE(g_outcomes.empty());
    Feed("38 05 03 02 0c 00 3f");
    ASSERT_EQ(g_outcomes.size(), 1u);
    EXPECT_EQ(g_outcomes[0].c, 85u);
    ASSERT_EQ(link_.sent.size(), 3u);
    EXPECT_TRUE(BytesAre(link_.sent[0], "01 04 40 05 00 02"));
    EXPECT_TRUE(BytesAre(link_.sent[1], "01 04 40 05 02 02"));
    EXPECT_TRUE(BytesAre(link_.sent[2], "01 04 40 05 03 02"));
}

TEST_F(DispatchTest, SegmentsAreJoinedBySequenceNumber) {
    Pending(kServiceReadProperty);
    Feed("3c 05 00 02 0c 0c 00 80 00 03 19 55 3e");
    Feed("3c 05 02 02 0c ac 00");  // 1 is missing: a negative acknowledgement for 0
    Feed("3c 05 03 02 0c 00 3f");  // the same gap is reported once
    Feed("3c 05 01 02 0c 44 41");
    Feed("3c 05 02 02 0c ac 00");  // ends the window after the gap
    Feed("3c 05 01 02 0c 44 41");  // repeated: dropped
    Feed("3c 05 02 02 0c ac 00");  // a repeated window end: acknowledged again
    EXPECT_TRUE(g_outcomes.empty());
    Feed("38 05 03 02 0c 00 3f");
    ASSERT_EQ(g_outcomes.size(), 1u);
    EXPECT_EQ(g_outcomes[0].c, 85u);
    std::vector<std::string> acks;
    for (const auto& sent : link_.sent) acks.push_back(testing_support::ToHex(sent));
    EXPECT_EQ(acks, (std::vector<std::string>{"01 04 40 05 00 02", "01 04 42 05 00 02", "01 04 40 05 02 02",
                                              "01 04 40 05 02 02", "01 04 40 05 03 02"}));
}

TEST(InvokeIds, EachInstanceCyclesThroughItsSevenIds) {
    const TransactionState saved = Transactions();
    SetInvokeIdRange(14, 20);
    Transactions().currentInvokeId = 0;
    std::vector<int> ids;
    for (int i = 0; i < 9; ++i) ids.push_back(AllocateInvokeId());
    EXPECT_EQ(ids, (std::vector<int>{14, 15, 16, 17, 18, 19, 20, 14, 15}));
    EXPECT_EQ(Transactions().pendingInvokeId, 15);
    SetInvokeIdRange(0, 6);
    Transactions().currentInvokeId = 0;
    EXPECT_EQ(AllocateInvokeId(), 1);
    Transactions() = saved;
}

}  // namespace
