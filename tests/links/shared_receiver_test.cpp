// The shared receiver of this test process's own driver code, on real UDP
// sockets over loopback.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <vector>

#include "links/bvll.hpp"
#include "links/current_link.hpp"
#include "links/shared_receiver.hpp"
#include "links/shared_ring.hpp"
#include "network/npdu.hpp"
#include "platform/clock.hpp"
#include "platform/named_objects.hpp"
#include "services/transactions.hpp"
#include "support/hex.hpp"
#include "support/trace_capture.hpp"
#include "support/udp_peer.hpp"

namespace {

using namespace LinkServices;
using testing_support::BytesAre;
using testing_support::Hex;

struct Received {
    std::u16string sender;
    std::uint32_t port;
    std::vector<std::uint8_t> apdu;
};
std::vector<Received> g_received;

void Collect(const LinkAddress& source, const network::NpduInfo&, const std::uint8_t* apdu, std::size_t n) {
    g_received.push_back({std::u16string(source.IpText()), source.port, std::vector<std::uint8_t>(apdu, apdu + n)});
}

class SharedReceiverTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_received.clear();
        previous_ = network::SetApduHandler(&Collect);
        port_ = testing_support::FreeUdpPort();
        link_.SetConfiguredPort(port_);
        ActiveLink() = &link_;
    }
    void TearDown() override {
        StopSharedReceiver();
        ActiveLink() = nullptr;
        network::SetApduHandler(previous_);
    }

    // Idles until n APDUs arrived or two seconds passed.
    void IdleUntil(std::size_t n) {
        for (int i = 0; i < 200 && g_received.size() < n; ++i) {
            ConsumeSharedRing(receiveSide_);
            if (g_received.size() < n) platform::SleepMs(10);
        }
    }

    std::uint16_t port_ = 0;
    BVLL link_;
    BVLL receiveSide_;
    network::ApduHandler previous_ = nullptr;
};

TEST_F(SharedReceiverTest, DatagramsReachTheDispatcherAndAnswersLeaveAsUnicastFrames) {
    testing_support::TraceCapture trace;
    ASSERT_TRUE(StartSharedReceiver(port_));
    EXPECT_TRUE(IsSharedReceiverMaster());
    EXPECT_EQ(OwnInvokeIdRange().lowest, 0);
    EXPECT_EQ(OwnInvokeIdRange().highest, 6);
    EXPECT_NE(SharedSocket(), 0);

    testing_support::UdpPeer peer;
    // The answer carries the pending invoke ID: another instance's is dropped before it is decoded.
    const std::uint8_t pending = APDUServices::Transactions().pendingInvokeId;
    APDUServices::Transactions().pendingInvokeId = 1;
    peer.SendTo(port_, Hex("81 0a 00 08 01 04 10 08"));
    peer.SendTo(port_, Hex("81 0b 00 09 01 00 30 01 0c"));
    IdleUntil(2);
    APDUServices::Transactions().pendingInvokeId = pending;
    ASSERT_EQ(g_received.size(), 2u);
    EXPECT_EQ(g_received[0].sender, u"127.0.0.1");
    EXPECT_EQ(g_received[0].port, peer.Port());  // the master answers the latest sender's port
    EXPECT_TRUE(BytesAre(g_received[1].apdu, "30 01 0c"));

    LinkAddress destination;
    destination.SetIp(u"127.0.0.1", peer.Port());
    network::NpduInfo info;
    const auto apdu = Hex("10 08");
    EXPECT_EQ(network::EncodeNpdu(destination, info, apdu.data(), apdu.size()), 0);
    std::uint16_t from = 0;
    const auto frame = peer.Receive(2000, &from);
    ASSERT_TRUE(frame.has_value());
    EXPECT_TRUE(BytesAre(*frame, "81 0a 00 08 01 04 10 08"));
    EXPECT_EQ(from, port_);

    StopSharedReceiver();
    EXPECT_EQ(SharedSocket(), 0);
    EXPECT_EQ(link_.Send(destination, apdu.data(), apdu.size()), -1);
}

TEST_F(SharedReceiverTest, ABusyPortIsLoggedAndTheDriverStillOpens) {
    testing_support::UdpPeer occupant;
    testing_support::TraceCapture trace;
    ASSERT_TRUE(StartSharedReceiver(occupant.Port()));
    bool logged = false;
    for (const auto& line : trace.Lines())
        logged |= line.rfind("Warning: The driver failed to bind to port " + std::to_string(occupant.Port()) +
                                 " for receiving data.",
                             0) == 0;
    EXPECT_TRUE(logged);
}

std::atomic<std::uint32_t> g_sleptMs{0};

TEST_F(SharedReceiverTest, MasterWaitsSixtySecondsForInstancesThatStayAttached) {
    ASSERT_TRUE(StartSharedReceiver(port_));
    // Another instance joins: seen from here, the shared instance count goes up.
    platform::SharedMapping mapping;
    ASSERT_TRUE(mapping.CreateOrOpen(SharedMappingName(platform::CurrentProcessId()), kMappingBytes));
    auto* view = static_cast<SharedView*>(mapping.MapView(kSharedViewBytes));
    ASSERT_NE(view, nullptr);
    StoreShared(view->header.instanceCount, 2);

    testing_support::TraceCapture trace;
    g_sleptMs = 0;
    platform::SetClockHooks({nullptr, [](std::uint32_t ms) { g_sleptMs += ms; }});
    StopSharedReceiver();
    platform::SetClockHooks({nullptr, nullptr});
    EXPECT_EQ(g_sleptMs.load() / 1000, 60u);  // the 60 one-second waits, plus the thread's own short sleeps
    EXPECT_NE(std::find(trace.Lines().begin(), trace.Lines().end(),
                        "Warning: Time out waiting for driver instances to finish"),
              trace.Lines().end());
    mapping.UnmapView();
    mapping.Close();
}

}  // namespace
