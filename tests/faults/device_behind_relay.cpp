#include "faults/device_behind_relay.hpp"

#include <cstring>
#include <string>

#include "encoding/host_value.hpp"
#include "platform/clock.hpp"
#include "support/environment.hpp"
#include "support/udp_peer.hpp"

namespace faults {
namespace {

constexpr std::uint16_t kQualityGood = 192;

}  // namespace

std::vector<std::u16string> PresentValues(const std::vector<std::uint32_t>& instances) {
    std::vector<std::u16string> addresses;
    for (std::uint32_t n : instances) {
        const std::string text = "AV:" + std::to_string(n) + ":PRESENT-VALUE";
        addresses.emplace_back(text.begin(), text.end());
    }
    return addresses;
}

double ExpectedValue(std::uint32_t instance) { return instance * 0.5; }

std::vector<std::uint8_t> ReadPropertyAckFrame(std::uint8_t invokeId, std::uint32_t instance, float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    const std::uint32_t object = (2u << 22) | instance;
    std::vector<std::uint8_t> frame = {0x81, 0x0A, 0, 0, 0x01, 0x00, 0x30, invokeId, 0x0C, 0x0C};
    for (int shift = 24; shift >= 0; shift -= 8) frame.push_back(static_cast<std::uint8_t>(object >> shift));
    frame.insert(frame.end(), {0x19, 0x55, 0x3E, 0x44});
    for (int shift = 24; shift >= 0; shift -= 8) frame.push_back(static_cast<std::uint8_t>(bits >> shift));
    frame.push_back(0x3F);
    frame[3] = static_cast<std::uint8_t>(frame.size());
    return frame;
}

void DeviceBehindRelay::SetUp() {
    testing_support::SetEnvironment("VORNE_BIND", "127.0.0.1");
    testing_support::SetEnvironment("VORNE_BROADCAST", kRelayAddress);
    port_ = ports_.Driver();
    std::string error;
    deviceOptions_.bindAddress = ports_.DeviceAddress("127.0.0.2");
    deviceOptions_.port = 0;
    ASSERT_TRUE(device_.Start(deviceOptions_, error)) << error;
    deviceOptions_.port = device_.Port();
    relay::RelayOptions options;
    options.frontAddress = kRelayAddress;
    options.frontPort = ports_.Device(kRelayAddress);
    options.deviceAddress = deviceOptions_.bindAddress;
    options.devicePort = deviceOptions_.port;
    options.seed = 11;
    ASSERT_TRUE(relay_.Start(options, error)) << error;
    ASSERT_TRUE(driver_.Loaded()) << driver_.Error();
    const auto settings = testing_support::BacnetIpSettings(port_, kTimeoutMs);
    char16_t version[8];
    std::int32_t openError = 0;
    ASSERT_EQ(driver_->open(nullptr, &settings, version, &openError), 1) << openError;
}

void DeviceBehindRelay::TearDown() {
    driver_->close(nullptr);
    relay_.Stop();
    device_.Stop();
    testing_support::SetEnvironment("VORNE_BIND", nullptr);
    testing_support::SetEnvironment("VORNE_BROADCAST", nullptr);
}

Scan DeviceBehindRelay::Read(const std::u16string& station, const std::vector<std::u16string>& addresses,
                             std::uint32_t limitMs) {
    Scan scan;
    std::vector<const char16_t*> texts;
    for (const auto& address : addresses) texts.push_back(address.c_str());
    const auto count = static_cast<std::int32_t>(texts.size());
    const std::uint32_t start = platform::TickCount();
    scan.started = driver_->readGroupStart(station.c_str(), nullptr, texts.data(), count, &scan.status) == 1;
    if (!scan.started) return scan;
    scan.status = kUntouched;
    scan.values.assign(texts.size(), HostValue{});
    while (platform::TickCount() - start <= limitMs) {
        if (driver_->readGroupFinish(scan.values.data(), 0, count, &scan.status) == 1) {
            scan.finished = true;
            break;
        }
        driver_->onIdle();
        platform::SleepMs(2);
    }
    scan.elapsedMs = platform::TickCount() - start;
    return scan;
}

std::size_t DeviceBehindRelay::CheckLinesBelongToTheirTags(const Scan& scan,
                                                           const std::vector<std::uint32_t>& instances) {
    std::size_t good = 0;
    for (std::size_t line = 0; line < scan.values.size() && line < instances.size(); ++line) {
        const HostValue& value = scan.values[line];
        if (value.quality != kQualityGood) continue;
        ++good;
        EXPECT_EQ(value.kind, encoding::kKindDouble) << "line " << line;
        EXPECT_EQ(encoding::GetDouble(value), ExpectedValue(instances[line]))
            << "line " << line << " (AV:" << instances[line] << ") holds another tag's value";
    }
    return good;
}

void DeviceBehindRelay::ExpectCompleteScan(const Scan& scan, const std::vector<std::uint32_t>& instances) {
    ASSERT_TRUE(scan.started);
    ASSERT_TRUE(scan.finished) << "the scan did not end within " << scan.elapsedMs << " ms";
    EXPECT_EQ(scan.status, kUntouched);
    EXPECT_EQ(CheckLinesBelongToTheirTags(scan, instances), instances.size());
}

void DeviceBehindRelay::RestartDevice() {
    device_.Stop();
    std::string error;
    ASSERT_TRUE(device_.Start(deviceOptions_, error)) << error;
}

}  // namespace faults
