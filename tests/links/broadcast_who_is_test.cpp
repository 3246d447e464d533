// A device that follows the BACnet/IP rules to the letter: it drops an
// Original-Unicast-NPDU that reached it through a broadcast address and
// answers only a Who-Is sent as Original-Broadcast-NPDU. The driver, loaded
// as a host loads it, binds such a device from one Who-Is and reads its
// object list in segments.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/clock.hpp"
#include "support/scripted_stations.hpp"
#include "tagcore.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using testing_support::BytesAre;
using testing_support::Hex;

constexpr const char* kBroadcastAddress = "127.255.255.255";
constexpr std::uint8_t kOriginalUnicast = 0x0A;
constexpr std::uint8_t kOriginalBroadcast = 0x0B;
constexpr std::uint32_t kObjectCount = 320;  // the object list needs four segments of 480 octets

// Device 1234 holding itself and analog values 0.. in its object list.
Bytes ObjectListValue() {
    Bytes value = {0xC4, 0x02, 0x00, 0x04, 0xD2};
    for (std::uint32_t i = 0; i + 1 < kObjectCount; ++i)
        value.insert(value.end(), {0xC4, 0x00, 0x80, static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i)});
    return value;
}

std::u16string ObjectListText() {
    std::u16string text = u"(8:1234)";
    for (std::uint32_t i = 0; i + 1 < kObjectCount; ++i) {
        const std::string entry = "(2:" + std::to_string(i) + ")";
        text.append(entry.begin(), entry.end());
    }
    return text;
}

// The device is the first station, at 127.0.0.2.
class ConformingDeviceTest : public testing_support::ScriptedStations {
protected:
    void SetUp() override {
        ScriptedStations::SetUp();
        if (HasFatalFailure()) return;
        testing_support::SetEnvironment("VORNE_BROADCAST", kBroadcastAddress);
        // Bound to the broadcast address, this socket sees only what was sent to it.
        broadcast_ = std::make_unique<testing_support::UdpPeer>(kBroadcastAddress, ports_.Device(kBroadcastAddress));
        driver_->close(nullptr);
        Open(1000);
    }

    // The NPDU of the next broadcast the device accepts; broadcasts sent as
    // Original-Unicast-NPDU are counted and dropped.
    std::optional<Bytes> AcceptedBroadcast(std::uint32_t timeoutMs) {
        const std::uint32_t start = platform::TickCount();
        while (platform::TickCount() - start < timeoutMs) {
            const auto frame = broadcast_->Receive(50);
            if (!frame || frame->size() < 4) continue;
            ++broadcastsSeen_;
            if ((*frame)[1] == kOriginalBroadcast) return Bytes(frame->begin() + 4, frame->end());
            EXPECT_EQ((*frame)[1], kOriginalUnicast);
        }
        return std::nullopt;
    }

    // The NPDU of the next datagram sent to the device, while the host
    // gives the driver its idle ticks.
    Bytes DeviceReceives() {
        for (int i = 0; i < 200; ++i) {
            driver_->onIdle();
            const auto frame = first_->Receive(10);
            if (!frame || frame->size() < 4) continue;
            EXPECT_EQ((*frame)[1], kOriginalUnicast);
            return Bytes(frame->begin() + 4, frame->end());
        }
        return {};
    }

    void DeviceSends(const Bytes& npdu) { SendsNpdu(*first_, npdu); }

    // Answers the read of the object list in segments of 480 octets, one
    // segment a window, each acknowledged before the next goes.
    void AnswerInSegments(std::uint8_t invokeId) {
        Bytes body = Hex("0c 02 00 04 d2 19 4c 3e");
        const Bytes list = ObjectListValue();
        body.insert(body.end(), list.begin(), list.end());
        body.push_back(0x3F);
        constexpr std::size_t kSegment = 480;
        std::uint8_t sequence = 0;
        for (std::size_t at = 0; at < body.size(); at += kSegment, ++sequence) {
            const bool more = at + kSegment < body.size();
            Bytes npdu = {0x01, 0x00, static_cast<std::uint8_t>(more ? 0x3C : 0x38), invokeId, sequence, 1, 0x0C};
            npdu.insert(npdu.end(), body.begin() + static_cast<std::ptrdiff_t>(at),
                        body.begin() + static_cast<std::ptrdiff_t>(std::min(body.size(), at + kSegment)));
            DeviceSends(npdu);
            if (!more) break;
            const Bytes ack = DeviceReceives();
            ASSERT_TRUE(BytesAre(ack, "01 04 40 " + testing_support::ToHex(&invokeId, 1) + " " +
                                          testing_support::ToHex(&sequence, 1) + " 01"))
                << "segment " << int(sequence);
        }
        EXPECT_GE(sequence, 3) << "the answer needs several segments";
    }

    std::unique_ptr<testing_support::UdpPeer> broadcast_;
    int broadcastsSeen_ = 0;
};

TEST_F(ConformingDeviceTest, BindsFromOneWhoIsAndReadsTheObjectListInSegments) {
    void* const group = reinterpret_cast<void*>(1);
    ASSERT_EQ(driver_->addGroup(group, u"0:1234"), 1);
    const auto whoIs = AcceptedBroadcast(2000);
    ASSERT_TRUE(whoIs) << "no Who-Is the device accepts; broadcasts seen: " << broadcastsSeen_;
    EXPECT_TRUE(BytesAre(*whoIs, "01 24 ff ff 00 ff 10 08 0a 04 d2 1a 04 d2"));
    DeviceSends(Hex("01 00 10 00 c4 02 00 04 d2 22 05 c4 91 00 22 01 04"));

    const char16_t* objectList[] = {u"DEV:1234:OBJECT-LIST"};
    std::int32_t status = 13;
    for (int i = 0; i < 100 && driver_->readGroupStart(u"0:1234", nullptr, objectList, 1, &status) != 1; ++i)
        platform::SleepMs(10);
    ASSERT_EQ(status, 0) << "device 1234 not bound";
    EXPECT_EQ(broadcastsSeen_, 1);

    const Bytes request = DeviceReceives();
    ASSERT_EQ(request.size(), 13u);
    // Every read accepts segmented answers: up to 8 segments of 1476 octets.
    EXPECT_TRUE(BytesAre(request, "01 04 02 35 " + testing_support::ToHex(&request[4], 1) + " 0c 0c 02 00 04 d2 19 4c"));
    AnswerInSegments(request[4]);

    HostValue value{};
    status = 99;
    int finished = 0;
    for (int i = 0; i < 300 && (finished = driver_->readGroupFinish(&value, 0, 1, &status)) != 1; ++i)
        platform::SleepMs(10);
    ASSERT_EQ(finished, 1);
    EXPECT_EQ(status, 99);
    EXPECT_EQ(value.quality, 192);
    std::vector<char16_t> text(1 << 14);
    ASSERT_EQ(FetchText(&value, text.data(), static_cast<std::int32_t>(text.size())), 0);
    EXPECT_EQ(std::u16string(text.data()), ObjectListText());
    driver_->removeGroup(group);
}

}  // namespace
