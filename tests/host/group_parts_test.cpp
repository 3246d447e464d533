// A group whose request would not fit the link goes out as several requests,
// one after another within the one scan. Each part's answer fills only that
// part's lines; a refused part costs its own lines and gives the scan its
// status; a silent part ends the scan at the time-out with what came.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "encoding/host_value.hpp"
#include "support/scripted_stations.hpp"

namespace {

using testing_support::ScriptedStations;

constexpr std::size_t kBacnetIpMaxApdu = 1476;
constexpr std::size_t kNpduHeader = 2;  // version and control, no network addresses
constexpr std::uint32_t kObjects = 300;
constexpr std::int32_t kUntouched = 99;

class GroupPartsTest : public ScriptedStations {
protected:
    void SetUp() override {
        ScriptedStations::SetUp();
        for (std::uint32_t n = 1; n <= kObjects; ++n) {
            const std::string text = "AV:" + std::to_string(n) + ":PRESENT-VALUE";
            addresses_.emplace_back(text.begin(), text.end());
        }
        for (const auto& address : addresses_) texts_.push_back(address.c_str());
    }

    void StartGroup() {
        std::int32_t status = 0;
        ASSERT_EQ(driver_->readGroupStart(u"127.0.0.2", nullptr, texts_.data(), static_cast<std::int32_t>(kObjects),
                                          &status),
                  1)
            << status;
    }

    struct Request {
        std::uint8_t invokeId = 0;
        std::vector<std::uint32_t> instances;  // the analog values it asks for
    };
    // The next request at the first station; its APDU must fit the link.
    Request NextRequest() { return Parse(Receives(*first_)); }
    // The next part, which goes out from the finish entry once the answer
    // before it is in: the host polls meanwhile, and the scan stays open.
    Request NextPart(std::vector<HostValue>& values) {
        for (int attempt = 0; attempt < 200; ++attempt) {
            std::int32_t status = kUntouched;
            if (driver_->readGroupFinish(values.data(), 0, kObjects, &status) != 0) {
                ADD_FAILURE() << "the scan ended with status " << status << " before its next part";
                return {};
            }
            const auto npdu = Receives(*first_, 10);
            if (!npdu.empty()) return Parse(npdu);
        }
        return Parse({});
    }
    Request Parse(const std::vector<std::uint8_t>& npdu) {
        Request request;
        if (npdu.size() < kNpduHeader + 4) {
            ADD_FAILURE() << "no request came";
            return request;
        }
        EXPECT_LE(npdu.size() - kNpduHeader, kBacnetIpMaxApdu);
        EXPECT_EQ(npdu[5], 14) << "not a ReadPropertyMultiple";
        request.invokeId = InvokeIdOf(npdu);
        // Per object: 0C, four octets of identifier, 1E 09 55 1F.
        for (std::size_t at = kNpduHeader + 4; at + 9 <= npdu.size(); at += 9) {
            EXPECT_EQ(npdu[at], 0x0C);
            request.instances.push_back(static_cast<std::uint32_t>((npdu[at + 2] & 0x3F) << 16 | npdu[at + 3] << 8 |
                                                                   npdu[at + 4]));
        }
        return request;
    }

    // The acknowledgement the station gives: analog value n holds n + 0.5.
    void Answer(const Request& request, std::uint8_t invokeId) {
        std::vector<std::uint8_t> npdu = {0x01, 0x00, 0x30, invokeId, 0x0E};
        for (std::uint32_t n : request.instances) {
            const float value = static_cast<float>(n) + 0.5f;
            std::uint32_t bits = 0;
            std::memcpy(&bits, &value, sizeof bits);
            npdu.insert(npdu.end(), {0x0C, 0x00, 0x80, static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n),
                                     0x1E, 0x29, 0x55, 0x4E, 0x44});
            for (int shift = 24; shift >= 0; shift -= 8) npdu.push_back(static_cast<std::uint8_t>(bits >> shift));
            npdu.insert(npdu.end(), {0x4F, 0x1F});
        }
        SendsNpdu(*first_, npdu);  // longer than 255 octets
    }

    // Lines of these objects at 192 with their values, all others at 0.
    static void ExpectOnly(const std::vector<std::uint32_t>& filled, const std::vector<HostValue>& values) {
        std::vector<bool> expected(kObjects + 1, false);
        for (std::uint32_t n : filled) expected[n] = true;
        for (std::uint32_t n = 1; n <= kObjects; ++n) {
            const HostValue& value = values[n - 1];
            if (expected[n]) {
                EXPECT_EQ(value.quality, 192) << "AV:" << n;
                EXPECT_DOUBLE_EQ(encoding::GetDouble(value), n + 0.5) << "AV:" << n;
            } else {
                EXPECT_EQ(value.quality, 0) << "AV:" << n;
            }
        }
    }

    std::vector<std::u16string> addresses_;
    std::vector<const char16_t*> texts_;
};

TEST_F(GroupPartsTest, EachPartGoesOutOnceTheOneBeforeIsAnsweredAndFillsItsOwnLines) {
    StartGroup();
    const Request first = NextRequest();
    ASSERT_FALSE(first.instances.empty());
    ASSERT_LT(first.instances.size(), kObjects);
    std::vector<HostValue> values(kObjects);
    std::int32_t status = kUntouched;
    for (int poll = 0; poll < 10; ++poll) {
        EXPECT_EQ(driver_->readGroupFinish(values.data(), 0, kObjects, &status), 0);
        EXPECT_TRUE(Receives(*first_, 10).empty()) << "the second part went out before the first was answered";
    }
    Answer(first, first.invokeId);
    const Request second = NextPart(values);
    ASSERT_EQ(first.instances.size() + second.instances.size(), kObjects);
    EXPECT_NE(second.invokeId, first.invokeId);

    // The first part's answer again, under the second part's invoke ID: it
    // fills nothing and does not answer the second part.
    Answer(first, second.invokeId);
    platform::SleepMs(30);
    EXPECT_EQ(driver_->readGroupFinish(values.data(), 0, kObjects, &status), 0);
    Answer(second, second.invokeId);
    ASSERT_TRUE(FinishRead(values.data(), kObjects, status));
    EXPECT_EQ(status, kUntouched);
    EXPECT_TRUE(log_.Has("Warning: Packet does not belong to us. Packet Discarted!"));
    std::vector<std::uint32_t> all;
    for (std::uint32_t n = 1; n <= kObjects; ++n) all.push_back(n);
    ExpectOnly(all, values);
}

TEST_F(GroupPartsTest, ARefusedPartCostsItsOwnLinesAndGivesTheScanItsStatus) {
    StartGroup();
    const Request first = NextRequest();
    Sends(*first_, "01 00 60 %ID% 01", first.invokeId);  // Reject: buffer-overflow
    std::vector<HostValue> values(kObjects);
    std::int32_t status = kUntouched;
    const Request second = NextPart(values);
    ASSERT_FALSE(second.instances.empty()) << "the part after the refused one was not sent";
    Answer(second, second.invokeId);
    ASSERT_TRUE(FinishRead(values.data(), kObjects, status));
    EXPECT_EQ(status, 19);
    ExpectOnly(second.instances, values);
    EXPECT_TRUE(log_.Has("Warning: Line not Found!"));
}

TEST_F(GroupPartsTest, ASilentPartEndsTheScanAtTheTimeOutWithWhatCame) {
    StartGroup();
    const Request first = NextRequest();
    Answer(first, first.invokeId);
    std::vector<HostValue> values(kObjects);
    std::int32_t status = kUntouched;
    ASSERT_FALSE(NextPart(values).instances.empty());
    ASSERT_TRUE(FinishRead(values.data(), kObjects, status));
    EXPECT_EQ(status, kUntouched);
    ExpectOnly(first.instances, values);

    // Every part silent: the scan ends with no answer, and sends no more parts.
    StartGroup();
    ASSERT_FALSE(NextRequest().instances.empty());
    ASSERT_TRUE(FinishRead(values.data(), kObjects, status));
    EXPECT_EQ(status, -15);
    EXPECT_TRUE(Receives(*first_, 100).empty());
}

}  // namespace
