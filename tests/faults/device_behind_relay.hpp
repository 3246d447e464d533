// The driver, loaded as a host loads it, reading a simulated device through
// the fault relay: the driver on 127.0.0.1, the relay on 127.0.0.3 (both on
// the driver's port, or the relay on its own: support/loopback_ports.hpp),
// the device on 127.0.0.2 on a port of its own. Analog
// value n of the device holds n * 0.5 (n >= 2), so every answer shows which
// tag it belongs to.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "relay/udp_relay.hpp"
#include "sim/simulator.hpp"
#include "support/driver_module.hpp"
#include "support/loopback_ports.hpp"
#include "tagcore.h"

namespace faults {

inline constexpr const char* kRelayAddress = "127.0.0.3";
inline constexpr const char16_t* kRelayStation = u"127.0.0.3";
inline constexpr std::int32_t kUntouched = 99;  // a complete scan leaves the status as it was
inline constexpr std::int32_t kNoAnswer = -15;
inline constexpr std::int32_t kMalformedAnswer = 2;

// What a scan may end with when stray bytes reach the driver: a whole answer,
// none, or a malformed one.
inline bool ExpectedOnAFaultyLine(std::int32_t status) {
    return status == kUntouched || status == kNoAnswer || status == kMalformedAnswer;
}

struct Scan {
    bool started = false;
    bool finished = false;  // the finish entry returned 1 within the limit
    std::int32_t status = kUntouched;
    std::uint32_t elapsedMs = 0;
    std::vector<HostValue> values;
};

// "AV:n:PRESENT-VALUE" for each n.
std::vector<std::u16string> PresentValues(const std::vector<std::uint32_t>& instances);
double ExpectedValue(std::uint32_t instance);
// A BACnet/IP frame with a ReadProperty-ACK for AV:instance present-value.
std::vector<std::uint8_t> ReadPropertyAckFrame(std::uint8_t invokeId, std::uint32_t instance, float value);

class DeviceBehindRelay : public ::testing::Test {
protected:
    static constexpr std::uint16_t kTimeoutMs = 250;

    void SetUp() override;
    void TearDown() override;

    // Starts a read and polls its finish until it ends or limitMs pass.
    Scan Read(const std::u16string& station, const std::vector<std::u16string>& addresses,
              std::uint32_t limitMs = 5000);
    Scan ReadAnalogValues(const std::vector<std::uint32_t>& instances) {
        return Read(kRelayStation, PresentValues(instances));
    }
    // Every line that came back with good quality holds its own tag's value;
    // the number of such lines.
    std::size_t CheckLinesBelongToTheirTags(const Scan& scan, const std::vector<std::uint32_t>& instances);
    // A full, good answer: status untouched and every line its own value.
    void ExpectCompleteScan(const Scan& scan, const std::vector<std::uint32_t>& instances);

    void RestartDevice();

    testing_support::LoopbackPorts ports_;
    std::uint16_t port_ = 0;
    sim::Simulator device_;
    sim::SimOptions deviceOptions_;
    relay::UdpRelay relay_;
    testing_support::DriverModule driver_;
};

}  // namespace faults
