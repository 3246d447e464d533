#include "support/scripted_device.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "encoding/host_value.hpp"
#include "platform/clock.hpp"
#include "support/environment.hpp"
#include "support/hex.hpp"

namespace testing_support {
namespace {

constexpr std::size_t kBvlcOctets = 4;
constexpr std::size_t kInvokeIdInRequest = 4;  // NPDU 2, APDU type and max-APDU octets
// "2026-12-07 01:18:39.123 " in front of every log line.
constexpr std::size_t kTimeStampOctets = 24;

std::string WithInvokeId(std::string hex, const std::vector<std::uint8_t>& request) {
    const std::string id = request.size() > kInvokeIdInRequest ? ToHex(&request[kInvokeIdInRequest], 1) : "00";
    for (std::size_t at; (at = hex.find("%ID%")) != std::string::npos;) hex.replace(at, 4, id);
    return hex;
}

}  // namespace

void ScriptedDeviceTest::SetUp() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    logPath_ = (std::filesystem::temp_directory_path() /
                (std::string("vorne_") + test->test_suite_name() + "_" + test->name() + ".log"))
                   .string();
    std::filesystem::remove(logPath_);
    SetEnvironment("VORNE_LOG", logPath_.c_str());
    SetEnvironment("VORNE_BIND", "127.0.0.1");
    SetEnvironment("VORNE_BROADCAST", "127.0.0.2");
    port_ = ports_.Driver();
    device_ = std::make_unique<UdpPeer>("127.0.0.2", ports_.Device("127.0.0.2"));
    ASSERT_TRUE(driver_.Loaded()) << driver_.Error();
    const auto settings = BacnetIpSettings(port_, 300);
    char16_t version[8];
    std::int32_t error = 0;
    ASSERT_EQ(driver_->open(nullptr, &settings, version, &error), 1) << error;
}

void ScriptedDeviceTest::TearDown() {
    driver_->close(nullptr);
    SetEnvironment("VORNE_LOG", nullptr);
    SetEnvironment("VORNE_BIND", nullptr);
    SetEnvironment("VORNE_BROADCAST", nullptr);
    std::error_code ignored;
    std::filesystem::remove(logPath_, ignored);
}

std::vector<std::uint8_t> ScriptedDeviceTest::DeviceReceives() {
    const auto frame = device_->Receive(2000);
    if (!frame || frame->size() < kBvlcOctets) return {};
    return std::vector<std::uint8_t>(frame->begin() + kBvlcOctets, frame->end());
}

void ScriptedDeviceTest::DeviceSends(const std::string& npduHex) {
    const auto npdu = Hex(npduHex);
    std::vector<std::uint8_t> frame(npdu.size() + kBvlcOctets);
    frame[0] = 0x81;
    frame[1] = 0x0a;
    frame[3] = static_cast<std::uint8_t>(frame.size());
    std::copy(npdu.begin(), npdu.end(), frame.begin() + kBvlcOctets);
    device_->SendTo("127.0.0.1", port_, frame);
}

FinishedScan ScriptedDeviceTest::ReadAnswered(const std::vector<const char16_t*>& addresses,
                                              const std::string& apduHex) {
    FinishedScan scan;
    const auto count = static_cast<std::int32_t>(addresses.size());
    std::int32_t status = 0;
    if (driver_->readGroupStart(u"127.0.0.2", nullptr, addresses.data(), count, &status) != 1) {
        ADD_FAILURE() << "the read did not start: " << status;
        return scan;
    }
    DeviceSends(WithInvokeId("01 00 " + apduHex, DeviceReceives()));
    scan.values.resize(addresses.size());
    const std::uint32_t start = platform::TickCount();
    while (platform::TickCount() - start < 3000) {
        if (driver_->readGroupFinish(scan.values.data(), 0, count, &scan.status) == 1) {
            scan.finished = true;
            break;
        }
        platform::SleepMs(5);
    }
    return scan;
}

std::vector<std::string> ScriptedDeviceTest::LogLines() const {
    std::vector<std::string> lines;
    std::ifstream log(logPath_);
    for (std::string line; std::getline(log, line);)
        lines.push_back(line.size() > kTimeStampOctets ? line.substr(kTimeStampOctets) : std::string());
    return lines;
}

double NumberOf(const HostValue& value) {
    return value.kind == encoding::kKindDouble ? encoding::GetDouble(value) : encoding::GetInteger(value);
}

}  // namespace testing_support
