// An answer that comes so late that its invoke ID is in use again (each
// instance has only seven) must not fill a line of the scan that now owns
// the ID: it answers another scan's tags. The device here is scripted.
#include <memory>
#include <optional>

#include "encoding/host_value.hpp"
#include "faults/device_behind_relay.hpp"
#include "platform/clock.hpp"
#include "support/udp_peer.hpp"

namespace faults {
namespace {

constexpr std::uint32_t kInvokeIdAt = 8;  // BVLC 4, NPDU 2, APDU type and max-APDU octets

class StaleAnswerTest : public DeviceBehindRelay {
protected:
    void SetUp() override {
        DeviceBehindRelay::SetUp();
        scripted_ = std::make_unique<testing_support::UdpPeer>("127.0.0.5", ports_.Device("127.0.0.5"));
    }

    // Starts a one-tag read of AV:instance at the scripted device; the invoke ID it used.
    std::optional<std::uint8_t> Start(std::uint32_t instance) {
        const auto address = PresentValues({instance})[0];
        const char16_t* addresses[] = {address.c_str()};
        std::int32_t status = 0;
        if (driver_->readGroupStart(u"127.0.0.5", nullptr, addresses, 1, &status) != 1) return std::nullopt;
        const auto request = scripted_->Receive(2000);
        if (!request || request->size() <= kInvokeIdAt) return std::nullopt;
        return (*request)[kInvokeIdAt];
    }
    void Answer(std::uint8_t invokeId, std::uint32_t instance, float value) {
        scripted_->SendTo("127.0.0.1", port_, ReadPropertyAckFrame(invokeId, instance, value));
    }
    // Polls the finish entry; the status, and the value when the line is good.
    std::int32_t Finish(std::optional<double>& value) {
        HostValue record{};
        std::int32_t status = kUntouched;
        const std::uint32_t start = platform::TickCount();
        while (driver_->readGroupFinish(&record, 0, 1, &status) == 0 && platform::TickCount() - start < 3000)
            platform::SleepMs(2);
        if (status == kUntouched && record.quality == 192) value = encoding::GetDouble(record);
        return status;
    }

    std::unique_ptr<testing_support::UdpPeer> scripted_;
};

TEST_F(StaleAnswerTest, AnAnswerToAnEarlierScanUnderTheSameInvokeIdIsNotFiledUnderTheRunningOne) {
    const auto first = Start(5);
    ASSERT_TRUE(first);
    std::optional<double> value;
    EXPECT_EQ(Finish(value), kNoAnswer);

    // Six answered scans bring the invoke IDs round to the first one again.
    std::optional<std::uint8_t> invokeId;
    for (int i = 0; i < 6; ++i) {
        invokeId = Start(6);
        ASSERT_TRUE(invokeId);
        Answer(*invokeId, 6, 3.0f);
        value.reset();
        EXPECT_EQ(Finish(value), kUntouched);
        EXPECT_EQ(value, 3.0);
    }
    invokeId = Start(7);
    ASSERT_EQ(invokeId, first) << "the invoke IDs did not come round";
    Answer(*first, 5, 2.5f);  // the first scan's answer, at last
    platform::SleepMs(30);
    HostValue record{};
    std::int32_t status = kUntouched;
    ASSERT_EQ(driver_->readGroupFinish(&record, 0, 1, &status), 0)
        << "the scan of AV:7 ended with AV:5's answer: " << encoding::GetDouble(record);
    Answer(*first, 7, 3.5f);
    value.reset();
    EXPECT_EQ(Finish(value), kUntouched);
    EXPECT_EQ(value, 3.5);
}

}  // namespace
}  // namespace faults
