// Segmented answers through the driver's entries from a scripted server that
// loses a segment, resends a window whose acknowledgement it missed, or sends
// two segments out of order: the driver joins segments by sequence number,
// acknowledges a repeated window again and answers a gap with a negative
// Segment-ACK, so every read delivers the exact object list.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "encoding/host_value.hpp"
#include "support/scripted_stations.hpp"
#include "tagcore.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using testing_support::ScriptedStations;
using testing_support::UdpPeer;

constexpr std::uint32_t kObjects = 645;
constexpr std::size_t kPayload = 480;  // seven segments for the list
constexpr std::uint8_t kWindow = 2;

struct Faults {
    bool strict = false;      // refuses to segment for a request that does not accept it, as devices do
    int lose = -1;            // this segment is not sent the first time
    int missAckOf = -1;       // the acknowledgement of this window end is not heard once
    int sendBefore = -1;      // this segment goes out before the one in front of it
};

// The object list of device 1234: analog inputs 1..645, and its text.
Bytes ObjectListAck(std::u16string& text) {
    Bytes body = {0x0c, 0x02, 0x00, 0x04, 0xd2, 0x19, 0x4c, 0x3e};
    for (std::uint32_t instance = 1; instance <= kObjects; ++instance) {
        body.insert(body.end(), {0xc4, 0x00, static_cast<std::uint8_t>(instance >> 16),
                                 static_cast<std::uint8_t>(instance >> 8), static_cast<std::uint8_t>(instance)});
        const std::string entry = "(0:" + std::to_string(instance) + ")";
        text.append(entry.begin(), entry.end());
    }
    body.push_back(0x3f);
    return body;
}

Bytes Frame(const Bytes& apdu) {
    Bytes frame(apdu.size() + 6);
    frame[0] = 0x81;
    frame[1] = 0x0a;
    frame[4] = 0x01;
    std::copy(apdu.begin(), apdu.end(), frame.begin() + 6);
    frame[2] = static_cast<std::uint8_t>(frame.size() >> 8);
    frame[3] = static_cast<std::uint8_t>(frame.size());
    return frame;
}

// A server that keeps to the standard's windows, with the faults asked for.
// Returns what went wrong, or nothing.
std::optional<std::string> Serve(UdpPeer& peer, std::uint16_t driverPort, const Bytes& body, Faults faults) {
    const auto send = [&](const Bytes& apdu) { peer.SendTo("127.0.0.1", driverPort, Frame(apdu)); };
    auto request = peer.Receive(2000);
    if (!request || request->size() < 10) return "no request";
    const Bytes& r = *request;  // BVLC 4, NPDU 2, then the APDU
    const std::uint8_t id = r[8];
    if (faults.strict && (r[6] & 0x02) == 0) {
        send({0x71, id, 0x04});  // a device that must segment refuses: segmentation-not-supported
        return "segmented answer not accepted";
    }
    std::vector<Bytes> segments;
    for (std::size_t at = 0; at < body.size(); at += kPayload)
        segments.emplace_back(body.begin() + static_cast<std::ptrdiff_t>(at),
                              body.begin() + static_cast<std::ptrdiff_t>(std::min(body.size(), at + kPayload)));
    const std::size_t allowed = std::size_t{1} << ((r[7] >> 4) & 7);
    if ((r[7] >> 4) != 0 && segments.size() > allowed) return "more segments than the driver takes";
    const auto segment = [&](std::size_t n) {
        Bytes apdu = {static_cast<std::uint8_t>(n + 1 < segments.size() ? 0x3c : 0x38), id,
                      static_cast<std::uint8_t>(n), kWindow, 0x0c};
        apdu.insert(apdu.end(), segments[n].begin(), segments[n].end());
        return apdu;
    };
    const auto sendWindow = [&](std::size_t first, std::size_t count) {
        const std::size_t end = std::min(segments.size(), first + count);
        for (std::size_t n = first; n < end; ++n) {
            if (static_cast<int>(n) == faults.lose) {
                faults.lose = -1;
                continue;
            }
            if (static_cast<int>(n) == faults.sendBefore - 1 && n + 1 < end) {
                send(segment(n + 1));
                send(segment(n));
                faults.sendBefore = -1;
                ++n;
                continue;
            }
            send(segment(n));
        }
        return end;
    };
    std::size_t next = 0;  // the first segment not acknowledged
    std::size_t end = sendWindow(0, 1);
    for (int round = 0; round < 200; ++round) {
        const auto ack = peer.Receive(100);
        if (!ack) {
            end = sendWindow(next, end - next);  // time-out: the window again
            continue;
        }
        if (ack->size() < 10 || ((*ack)[6] & 0xf0) != 0x40 || (*ack)[7] != id) return "not a Segment-ACK";
        const bool negative = ((*ack)[6] & 0x02) != 0;
        const std::size_t acknowledged = (*ack)[8];
        if (!negative && static_cast<int>(acknowledged) == faults.missAckOf) {
            faults.missAckOf = -1;
            continue;
        }
        if (!negative && acknowledged + 1 < end) continue;  // a repeated acknowledgement
        if (acknowledged + 1 >= segments.size()) return std::nullopt;
        next = acknowledged + 1;
        end = sendWindow(next, kWindow);
    }
    return "no end";
}

class SegmentRecoveryTest : public ScriptedStations {
protected:
    void SetUp() override {
        ScriptedStations::SetUp();
        driver_->close(nullptr);
        Open(3000);
    }

    // Reads the object list from the first station, given by IP address,
    // while it serves with the given faults.
    void ReadsTheWholeList(Faults faults) {
        std::u16string expected;
        const Bytes body = ObjectListAck(expected);
        std::optional<std::string> serverFault = "not run";
        std::thread server([&] { serverFault = Serve(*first_, port_, body, faults); });
        std::int32_t status = 99;
        const bool started = StartRead(u"127.0.0.2", {u"DEV:1234:OBJECT-LIST"}, status) == 1;
        HostValue value{};
        status = 99;  // a complete scan leaves it untouched
        const bool finished = started && FinishRead(&value, 1, status, 5000);
        server.join();
        ASSERT_TRUE(finished) << status;
        EXPECT_EQ(serverFault, std::nullopt) << *serverFault;
        ASSERT_EQ(status, 99);
        ASSERT_EQ(value.quality, 192);
        std::u16string text(expected.size() + 16, u'\0');
        FetchText(&value, text.data(), static_cast<std::int32_t>(text.size()));
        text.resize(std::u16string(text.c_str()).size());
        EXPECT_TRUE(text == expected) << "the list arrived with " << text.size() << " characters, not "
                                      << expected.size();
    }
};

TEST_F(SegmentRecoveryTest, ALongListFromAStationGivenByAddressArrivesSegmented) {
    ReadsTheWholeList({.strict = true});
}

TEST_F(SegmentRecoveryTest, ALostSegmentIsAskedForAgain) { ReadsTheWholeList({.lose = 3}); }

TEST_F(SegmentRecoveryTest, AWindowSentTwiceIsJoinedOnce) { ReadsTheWholeList({.missAckOf = 2}); }

TEST_F(SegmentRecoveryTest, SegmentsOutOfOrderAreJoinedInOrder) { ReadsTheWholeList({.sendBefore = 4}); }

}  // namespace
