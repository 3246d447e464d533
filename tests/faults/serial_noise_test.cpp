// MS/TP on a line that delivers noise: stray bytes, false preambles, frames
// with broken CRCs, frames for other stations and answers split into pieces
// reach the driver between the device's answers. Reads end with the right
// value or -15, never with another tag's value; once the line is quiet the
// next read is whole.
//
// A false header in the noise that announces a long frame takes the bytes
// that follow only until the line falls silent: the assembler drops a frame
// cut off by silence.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <atomic>
#include <cstring>
#include <random>
#include <thread>

#include "encoding/host_value.hpp"
#include "links/mstp_frame.hpp"
#include "platform/clock.hpp"
#include "platform/utf.hpp"
#include "support/driver_module.hpp"
#include "support/line_device.hpp"

namespace faults {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing_support::LineDevice;
namespace frame = LinkServices::MstpFrame;

constexpr std::int32_t kNoAnswer = -15;
constexpr std::int32_t kUntouched = 99;
constexpr std::uint16_t kTimeoutMs = 250;
constexpr std::uint32_t kQuietMs = 60;  // longer than a frame takes to be dropped at 38400 baud

Bytes AnswerNpdu(std::uint8_t invokeId, const std::uint8_t* objectId, float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    Bytes npdu = {0x01, 0x00, 0x30, invokeId, 0x0C, 0x0C, objectId[0], objectId[1], objectId[2], objectId[3],
                  0x19, 0x55, 0x3E, 0x44};
    for (int shift = 24; shift >= 0; shift -= 8) npdu.push_back(static_cast<std::uint8_t>(bits >> shift));
    npdu.push_back(0x3F);
    return npdu;
}

// A line device that answers every ReadProperty of an analog value n with
// n * 0.5, and while noisy surrounds and spoils its answers by a seeded pattern.
class NoisyDevice {
public:
    explicit NoisyDevice(LineDevice& line) : line_(line) {
        thread_ = std::thread([this] { Run(); });
    }
    ~NoisyDevice() {
        running_ = false;
        thread_.join();
    }
    void SetNoisy(bool noisy) { noisy_ = noisy; }
    int Answered() const { return answered_; }

private:
    void Run() {
        std::mt19937 random(4242);
        while (running_) {
            const auto request = line_.Receive(LineDevice::kDevice, 50);
            if (!request) continue;
            // 01 04 | 00 05 invoke 0C | 0C object-id 19 55
            if (request->size() < 13 || (*request)[5] != 0x0C) continue;
            const std::uint8_t* objectId = request->data() + 7;
            const std::uint32_t instance = (objectId[1] & 0x3F) << 16 | objectId[2] << 8 | objectId[3];
            const Bytes npdu = AnswerNpdu((*request)[4], objectId, static_cast<float>(instance * 0.5));
            Bytes answer = frame::Encode(frame::kDataNotExpectingReply, LineDevice::kDriverStation,
                                         LineDevice::kDevice, npdu.data(), static_cast<std::uint16_t>(npdu.size()));
            ++answered_;
            if (!noisy_) {
                // A quiet line: the noise of the last answer is longer ago than the frame-abort time.
                if (wasNoisy_) platform::SleepMs(kQuietMs);
                wasNoisy_ = false;
                line_.Write(answer);
                continue;
            }
            wasNoisy_ = true;
            line_.Write(Noise(random));
            switch (random() % 6) {
                case 0:  // a bit flipped in the data: the data CRC fails
                    answer[8 + random() % npdu.size()] ^= static_cast<std::uint8_t>(1u << (random() % 8));
                    line_.Write(answer);
                    break;
                case 1:  // the same answer for another station
                    line_.Write(frame::Encode(frame::kDataNotExpectingReply, 9, LineDevice::kDevice, npdu.data(),
                                              static_cast<std::uint16_t>(npdu.size())));
                    break;
                case 2: {  // in pieces, with noise-free pauses
                    const std::size_t cut = 1 + random() % (answer.size() - 1);
                    line_.Write(Bytes(answer.begin(), answer.begin() + static_cast<std::ptrdiff_t>(cut)));
                    platform::SleepMs(5);
                    line_.Write(Bytes(answer.begin() + static_cast<std::ptrdiff_t>(cut), answer.end()));
                    break;
                }
                default:
                    line_.Write(answer);
            }
            line_.Write(Noise(random));
        }
    }

    static Bytes Noise(std::mt19937& random) {
        Bytes noise(random() % 40);
        for (auto& byte : noise) byte = static_cast<std::uint8_t>(random());
        if (random() % 4 == 0) {  // a false preamble with a header of noise
            const Bytes preamble = {0x55, 0xFF, 0x06, LineDevice::kDriverStation, LineDevice::kDevice,
                                    static_cast<std::uint8_t>(random() % 3), static_cast<std::uint8_t>(random())};
            noise.insert(noise.begin() + static_cast<std::ptrdiff_t>(random() % (noise.size() + 1)),
                         preamble.begin(), preamble.end());
        }
        return noise;
    }

    LineDevice& line_;
    std::atomic<bool> running_{true};
    std::atomic<bool> noisy_{true};
    std::atomic<int> answered_{0};
    bool wasNoisy_ = false;
    std::thread thread_;
};

class SerialNoiseTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(driver_.Loaded()) << driver_.Error();
        auto settings = testing_support::MstpSettings(u"1");
        vorne::SetSettingsText(settings.serialDevice, platform::Utf8ToUtf16(line_.SlavePath()).c_str());
        settings.serialBaudRate = 38400;
        settings.timeout = kTimeoutMs;
        char16_t version[8];
        std::int32_t error = -1;
        ASSERT_EQ(driver_->open(nullptr, &settings, version, &error), 1) << error;
    }
    void TearDown() override { driver_->close(nullptr); }

    // One read of AV:instance; the value, or nothing with the status.
    std::optional<double> Read(std::uint32_t instance, std::int32_t& status) {
        const std::string text = "AV:" + std::to_string(instance) + ":PRESENT-VALUE";
        const std::u16string address(text.begin(), text.end());
        const char16_t* addresses[] = {address.c_str()};
        status = 0;
        EXPECT_EQ(driver_->readGroupStart(u"5", nullptr, addresses, 1, &status), 1) << status;
        HostValue value{};
        status = kUntouched;
        const std::uint32_t start = platform::TickCount();
        while (platform::TickCount() - start < kTimeoutMs + 1000) {
            if (driver_->readGroupFinish(&value, 0, 1, &status) == 1)
                return status == kUntouched ? std::optional<double>(encoding::GetDouble(value)) : std::nullopt;
            platform::SleepMs(2);
        }
        ADD_FAILURE() << "the read of AV:" << instance << " hangs";
        return std::nullopt;
    }

    LineDevice line_;
    testing_support::DriverModule driver_;
};

TEST_F(SerialNoiseTest, NoiseCostsAnswersButNeverGivesAWrongValue) {
    NoisyDevice device(line_);
    int whole = 0, lost = 0;
    for (std::uint32_t i = 0; i < 50; ++i) {
        const std::uint32_t instance = 2 + i % 7;
        std::int32_t status = 0;
        const auto value = Read(instance, status);
        if (value) {
            EXPECT_EQ(*value, instance * 0.5) << "AV:" << instance << " got another tag's value";
            ++whole;
        } else {
            EXPECT_EQ(status, kNoAnswer);
            ++lost;
        }
    }
    EXPECT_GT(whole, 10);
    EXPECT_GT(lost, 2);

    device.SetNoisy(false);
    for (std::uint32_t instance = 2; instance < 9; ++instance) {
        std::int32_t status = 0;
        EXPECT_EQ(Read(instance, status), std::optional<double>(instance * 0.5)) << "status " << status;
    }
}

}  // namespace
}  // namespace faults
#endif
