// The driver on an MS/TP line, loaded and driven through its exported entries
// as a host does. The line is a pseudo-terminal: the driver opens its slave
// side by the device path in the settings record, and the test plays MS/TP
// device 5 (and others) on the master side.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "encoding/host_value.hpp"
#include "links/mstp.hpp"
#include "links/mstp_frame.hpp"
#include "links/mstp_lock.hpp"
#include "network/npdu.hpp"
#include "platform/clock.hpp"
#include "platform/named_objects.hpp"
#include "platform/utf.hpp"
#include "portwise.h"
#include "support/driver_module.hpp"
#include "support/hex.hpp"

namespace {

using testing_support::BytesAre;
using testing_support::Hex;
namespace frame = LinkServices::MstpFrame;

constexpr std::uint8_t kDriverStation = 1;
constexpr std::uint8_t kDevice = 5;

// One MS/TP frame as the device side sees it.
struct Frame {
    std::uint8_t type = 0;
    std::uint8_t destination = 0;
    std::uint8_t source = 0;
    std::vector<std::uint8_t> data;
    bool crcsGood = false;
};

// The device end of the line.
class LineDevice {
public:
    LineDevice() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
        slavePath_ = ::ptsname(master_);
    }
    ~LineDevice() { Unplug(); }

    const std::string& SlavePath() const { return slavePath_; }
    int Descriptor() const { return master_; }
    // Writes then drop what does not fit instead of waiting.
    void DoNotWait() { ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK); }
    void Unplug() {
        if (master_ >= 0) ::close(master_);
        master_ = -1;
    }

    void Write(const std::vector<std::uint8_t>& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
            if (n <= 0) return;
            done += static_cast<std::size_t>(n);
        }
    }
    void Send(std::uint8_t type, std::uint8_t destination, std::uint8_t source, const std::vector<std::uint8_t>& npdu) {
        Write(frame::Encode(type, destination, source, npdu.data(), static_cast<std::uint16_t>(npdu.size())));
    }

    // The next whole frame the driver wrote, or nothing within the time-out.
    std::optional<Frame> Receive(int timeoutMs = 2000) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            if (auto f = TakeFrame()) return f;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return std::nullopt;
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) return std::nullopt;
            std::uint8_t buffer[600];
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n <= 0) return std::nullopt;
            pending_.insert(pending_.end(), buffer, buffer + n);
        }
    }

    // True when the driver wrote nothing at all within the time.
    bool Silent(int timeoutMs) {
        if (!pending_.empty()) return false;
        pollfd p{master_, POLLIN, 0};
        return ::poll(&p, 1, timeoutMs) == 0;
    }

private:
    std::optional<Frame> TakeFrame() {
        while (pending_.size() >= 2 && !(pending_[0] == 0x55 && pending_[1] == 0xFF)) pending_.erase(pending_.begin());
        if (pending_.size() < 8) return std::nullopt;
        const std::size_t length = pending_[5] << 8 | pending_[6];
        const std::size_t total = 8 + (length > 0 ? length + 2 : 0);
        if (pending_.size() < total) return std::nullopt;
        Frame f;
        f.type = pending_[2];
        f.destination = pending_[3];
        f.source = pending_[4];
        f.data.assign(pending_.begin() + 8, pending_.begin() + 8 + static_cast<std::ptrdiff_t>(length));
        f.crcsGood = pending_[7] == frame::HeaderCrc(pending_.data() + 2) &&
                     (length == 0 || frame::DataCrc(f.data.data(), length) ==
                                         (pending_[8 + length] | pending_[9 + length] << 8));
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(total));
        return f;
    }

    int master_ = -1;
    std::string slavePath_;
    std::vector<std::uint8_t> pending_;
};

class LogFile {
public:
    LogFile() {
        path_ = (std::filesystem::temp_directory_path() /
                 ("vorne-mstp-" + std::to_string(platform::CurrentProcessId()) + ".log"))
                    .string();
        std::filesystem::remove(path_);
        ::setenv("VORNE_LOG", path_.c_str(), 1);
    }
    ~LogFile() {
        ::unsetenv("VORNE_LOG");
        std::filesystem::remove(path_);
    }
    // The lines logged so far, without their time stamps.
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        std::ifstream log(path_);
        for (std::string line; std::getline(log, line);) lines.push_back(line.size() > 24 ? line.substr(24) : line);
        return lines;
    }
    bool Has(const std::string& text) const {
        for (const auto& line : Lines())
            if (line == text) return true;
        return false;
    }
    bool WaitFor(const std::string& prefix, int timeoutMs = 2000) const {
        for (int waited = 0; waited <= timeoutMs; waited += 5) {
            for (const auto& line : Lines())
                if (line.rfind(prefix, 0) == 0) return true;
            platform::SleepMs(5);
        }
        return false;
    }

private:
    std::string path_;
};

vorne::DriverSettings LineSettings(const std::string& device) {
    auto settings = testing_support::MstpSettings(u"1");
    vorne::SetSettingsText(settings.serialDevice, platform::Utf8ToUtf16(device).c_str());
    settings.serialBaudRate = 38400;
    return settings;
}

class MstpLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(device_.SlavePath().empty());
        ASSERT_TRUE(driver_.Loaded()) << driver_.Error();
        const auto settings = LineSettings(device_.SlavePath());
        char16_t version[8];
        int32_t error = -1;
        ASSERT_EQ(driver_->open(nullptr, &settings, version, &error), 1) << error;
        opened_ = true;
    }
    void TearDown() override {
        if (opened_) driver_->close(nullptr);
    }

    // The request the device receives: a data frame from the driver's station
    // to the device, with its NPDU.
    std::vector<std::uint8_t> DeviceReceivesRequest(std::uint8_t device = kDevice) {
        const auto f = device_.Receive();
        if (!f) {
            ADD_FAILURE() << "no frame on the line";
            return {};
        }
        EXPECT_TRUE(f->crcsGood);
        EXPECT_EQ(f->type, frame::kDataNotExpectingReply);
        EXPECT_EQ(f->destination, device);
        EXPECT_EQ(f->source, kDriverStation);
        return f->data;
    }

    int32_t FinishRead(HostValue* values, int32_t count, int32_t& status) {
        for (int i = 0; i < 300; ++i) {
            if (driver_->readGroupFinish(values, 0, count, &status) == 1) return 1;
            platform::SleepMs(5);
        }
        return 0;
    }
    int32_t FinishWrite(int32_t& status) {
        for (int i = 0; i < 300; ++i) {
            if (driver_->writeItemFinish(&status) == 1) return 1;
            platform::SleepMs(5);
        }
        return 0;
    }

    LogFile log_;
    LineDevice device_;
    testing_support::DriverModule driver_;
    bool opened_ = false;
};

const char16_t* const kPresentValue[] = {u"AV:3:PRESENT-VALUE"};

TEST_F(MstpLineTest, APresentValueIsReadFromAStation) {
    int32_t status = 99;
    ASSERT_EQ(driver_->readGroupStart(u"5", nullptr, kPresentValue, 1, &status), 1) << status;
    // ReadProperty with invoke ID 0 and the 480-octet APDU limit of MS/TP.
    EXPECT_TRUE(BytesAre(DeviceReceivesRequest(), "01 04 00 03 00 0c 0c 00 80 00 03 19 55"));

    // The answer comes in two pieces, as a slow line delivers it.
    const auto answer = frame::Encode(frame::kDataNotExpectingReply, kDriverStation, kDevice,
                                      Hex("01 00 30 00 0c 0c 00 80 00 03 19 55 3e 44 41 ac 00 00 3f").data(), 19);
    device_.Write(std::vector<std::uint8_t>(answer.begin(), answer.begin() + 11));
    platform::SleepMs(20);
    device_.Write(std::vector<std::uint8_t>(answer.begin() + 11, answer.end()));

    HostValue value{};
    status = 99;
    ASSERT_EQ(FinishRead(&value, 1, status), 1);
    EXPECT_EQ(status, 99);  // a complete scan leaves the status untouched
    EXPECT_DOUBLE_EQ(encoding::GetDouble(value), 21.5);
    EXPECT_EQ(value.quality, 192);
    EXPECT_TRUE(log_.Has("Rx:55 FF 06 01 05 00 13 6C 01 00 30 00 0C 0C 00 80 00 03 19 55 3E 44 41 AC 00 00 3F A6 5C "));
}

TEST_F(MstpLineTest, APresentValueIsWrittenAndAcknowledged) {
    HostValue value{};
    encoding::SetDouble(value, 21.5);
    int32_t status = 99;
    ASSERT_EQ(driver_->writeItemStart(u"5", nullptr, u"AV:3:PRESENT-VALUE", &value, &status), 1) << status;
    EXPECT_TRUE(BytesAre(DeviceReceivesRequest(), "01 04 00 03 00 0f 0c 00 80 00 03 19 55 3e 44 41 ac 00 00 3f 49 08"));
    device_.Send(frame::kDataNotExpectingReply, kDriverStation, kDevice, Hex("01 00 20 00 0f"));
    ASSERT_EQ(FinishWrite(status), 1);
    EXPECT_EQ(status, 0);
}

TEST_F(MstpLineTest, AnswersAreTakenInWithoutTheHostCallingAndIdleDoesNothing) {
    device_.Send(frame::kDataNotExpectingReply, frame::kBroadcastStation, 9, Hex("01 00 10 08"));
    ASSERT_TRUE(log_.WaitFor("Rx:55 FF 06 FF 09 "));
    const auto before = log_.Lines();
    for (int i = 0; i < 3; ++i) driver_->onIdle();
    EXPECT_EQ(log_.Lines(), before);
    EXPECT_TRUE(device_.Silent(50));
}

TEST_F(MstpLineTest, NoWhoIsGoesOutAndADeviceThatAnnouncesItselfIsBound) {
    EXPECT_EQ(driver_->addGroup(reinterpret_cast<void*>(1), u"0:1234"), 1);
    EXPECT_TRUE(log_.Has("Error: 3"));  // the Who-Is, refused by the link
    int32_t status = 0;
    EXPECT_EQ(driver_->readGroupStart(u"0:1234", nullptr, kPresentValue, 1, &status), 0);
    EXPECT_EQ(status, 13);
    EXPECT_TRUE(device_.Silent(50));

    // Device 1234 at station 7 sends its I-Am unasked.
    device_.Send(frame::kDataNotExpectingReply, frame::kBroadcastStation, 7,
                 Hex("01 00 10 00 c4 02 00 04 d2 22 01 e0 91 00 22 01 04"));
    for (int i = 0; i < 200 && status != 0; ++i) {
        platform::SleepMs(5);
        driver_->readGroupStart(u"0:1234", nullptr, kPresentValue, 1, &status);
    }
    ASSERT_EQ(status, 0);
    EXPECT_TRUE(BytesAre(DeviceReceivesRequest(7), "01 04 02 03 00 0c 0c 00 80 00 03 19 55"));
}

// The device answers each request the moment it sees it, often before the
// entry that sent it has returned; none of the answers may be lost.
TEST_F(MstpLineTest, AnImmediateAnswerIsNeverMissed) {
    constexpr int kRounds = 40;
    std::atomic<bool> stop{false};
    std::thread device([&] {
        for (int round = 0; round < kRounds && !stop; ++round) {
            const auto f = device_.Receive(3000);
            if (!f) return;
            // A Real present value: the round.
            std::vector<std::uint8_t> answer = Hex("01 00 30 00 0c 0c 00 80 00 03 19 55 3e 44 00 00 00 00 3f");
            const float value = static_cast<float>(round);
            std::uint32_t bits = 0;
            std::memcpy(&bits, &value, sizeof bits);
            for (int i = 0; i < 4; ++i) answer[14 + i] = static_cast<std::uint8_t>(bits >> (24 - 8 * i));
            device_.Send(frame::kDataNotExpectingReply, kDriverStation, kDevice, answer);
        }
    });
    for (int round = 0; round < kRounds; ++round) {
        int32_t status = 0;
        if (driver_->readGroupStart(u"5", nullptr, kPresentValue, 1, &status) != 1) {
            ADD_FAILURE() << "round " << round << " not sent: " << status;
            break;
        }
        HostValue value{};
        status = 99;
        const int32_t finished = FinishRead(&value, 1, status);
        if (finished != 1 || status != 99) {
            ADD_FAILURE() << "round " << round << ": finished " << finished << ", status " << status;
            break;
        }
        EXPECT_EQ(encoding::GetDouble(value), round);
    }
    stop = true;
    device.join();
}

TEST_F(MstpLineTest, ClosingWhileTheLineIsBusyReturnsPromptly) {
    std::atomic<bool> stop{false};
    device_.DoNotWait();
    std::thread device([&] {
        const auto chatter = frame::Encode(frame::kDataNotExpectingReply, frame::kBroadcastStation, 9,
                                           Hex("01 00 10 08").data(), 4);
        while (!stop) device_.Write(chatter);
    });
    ASSERT_TRUE(log_.WaitFor("Rx:"));
    const auto started = std::chrono::steady_clock::now();
    driver_->close(nullptr);
    opened_ = false;
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));
    stop = true;
    device.join();
}

TEST_F(MstpLineTest, AVanishedAdapterFailsTheWriteWithTheLibrarysCode) {
    device_.Unplug();
    HostValue value{};
    encoding::SetDouble(value, 1);
    int32_t status = 0;
    EXPECT_EQ(driver_->writeItemStart(u"5", nullptr, u"AV:3:PRESENT-VALUE", &value, &status), 0);
    EXPECT_EQ(status, PORTWISE_WRITE_FAILED);
    EXPECT_TRUE(log_.WaitFor("Portwise: writing to " + device_.SlavePath() + " failed (system error "));
}

// The link object of this process on the line, the test taking the host's
// side of the driver-state lock.
std::vector<std::vector<std::uint8_t>> g_apdus;  // under the driver-state lock

void CollectApdu(const LinkServices::LinkAddress&, const network::NpduInfo&, const std::uint8_t* apdu,
                 std::size_t n) {
    g_apdus.emplace_back(apdu, apdu + n);
}

class MstpLinkOnALine : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(device_.SlavePath().empty());
        previous_ = network::SetApduHandler(&CollectApdu);
        g_apdus.clear();
        const auto settings = LineSettings(device_.SlavePath());
        ASSERT_EQ(link_.Open(nullptr, &settings, kDriverStation), 0);
    }
    void TearDown() override {
        link_.Close();
        network::SetApduHandler(previous_);
    }
    std::size_t Delivered() {
        const LinkServices::DriverStateLock host;
        return g_apdus.size();
    }

    LogFile log_;
    LineDevice device_;
    LinkServices::MSTP link_;
    network::ApduHandler previous_ = nullptr;
};

TEST_F(MstpLinkOnALine, FramesGoOutByteExact) {
    LinkServices::LinkAddress to;
    to.SetMstpStation(kDevice);
    const auto npdu = Hex("01 04");
    EXPECT_EQ(link_.Send(to, npdu.data(), 2), 0);
    device_.DoNotWait();
    std::vector<std::uint8_t> wire;
    for (int i = 0; i < 100 && wire.size() < 12; ++i) {
        std::uint8_t buffer[64];
        const ssize_t n = ::read(device_.Descriptor(), buffer, sizeof buffer);
        if (n > 0) wire.insert(wire.end(), buffer, buffer + n);
        else platform::SleepMs(5);
    }
    EXPECT_TRUE(BytesAre(wire, "55 ff 06 05 01 00 02 27 01 04 bb 50"));
}

TEST_F(MstpLinkOnALine, TheReceiverWaitsWhileTheHostHoldsTheLock) {
    {
        const LinkServices::DriverStateLock host;
        device_.Send(frame::kDataNotExpectingReply, kDriverStation, kDevice, Hex("01 00 10 08"));
        platform::SleepMs(100);
        EXPECT_TRUE(g_apdus.empty());
    }
    for (int i = 0; i < 200 && Delivered() == 0; ++i) platform::SleepMs(5);
    EXPECT_EQ(Delivered(), 1u);
}

// The host's close holds the lock while the receive thread waits for it in
// its callback; the receiver must give up so that the close can end it.
TEST_F(MstpLinkOnALine, ClosingUnderTheLockDoesNotWaitForTheReceiver) {
    const LinkServices::DriverStateLock host;
    device_.Send(frame::kDataNotExpectingReply, kDriverStation, kDevice, Hex("01 00 10 08"));
    platform::SleepMs(100);
    const auto started = std::chrono::steady_clock::now();
    link_.Close();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(500));
    EXPECT_TRUE(g_apdus.empty());
}

TEST(MstpLineOpen, ADeviceThatCannotBeOpenedFailsTheOpenWithItsReason) {
    LogFile log;
    testing_support::DriverModule driver;
    ASSERT_TRUE(driver.Loaded()) << driver.Error();
    char16_t version[8];
    int32_t error = 0;

    auto settings = LineSettings("");
    EXPECT_EQ(driver->open(nullptr, &settings, version, &error), 0);
    EXPECT_EQ(error, PORTWISE_NO_DEVICE);
    EXPECT_TRUE(log.Has("Portwise: no serial device in the settings record"));

    settings = LineSettings("/dev/vorne-no-such-adapter");
    EXPECT_EQ(driver->open(nullptr, &settings, version, &error), 0);
    EXPECT_EQ(error, PORTWISE_CANNOT_OPEN);
    EXPECT_TRUE(log.Has("Portwise: cannot open /dev/vorne-no-such-adapter (system error 2)"));

    settings = LineSettings("/dev/null");
    settings.serialDataBits = 6;
    EXPECT_EQ(driver->open(nullptr, &settings, version, &error), 0);
    EXPECT_EQ(error, PORTWISE_BAD_LINE);
    // The station is checked before the line is touched.
    settings = LineSettings("/dev/null");
    vorne::SetSettingsText(settings.mstpStation, u"255");
    EXPECT_EQ(driver->open(nullptr, &settings, version, &error), 0);
    EXPECT_EQ(error, 11);
    driver->close(nullptr);
}

}  // namespace

#endif
