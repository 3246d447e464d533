// The driver, loaded as a host loads it, and one scripted BACnet/IP device:
// the driver at 127.0.0.1, the device at 127.0.0.2 on the driver's port, or
// on one of its own where that port cannot be bound twice (Wine), the
// driver still seeing it on its port (support/loopback_ports.hpp). The test is the device's script: it sees each frame the driver sends
// and answers with frames of its own. The driver's communication log goes to
// a file of its own, which the test reads back.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/driver_module.hpp"
#include "support/loopback_ports.hpp"
#include "support/udp_peer.hpp"
#include "tagcore.h"

namespace testing_support {

struct FinishedScan {
    bool finished = false;        // the finish entry returned 1 within 3 s
    std::int32_t status = 99;     // a complete scan leaves it untouched
    std::vector<HostValue> values;
};

class ScriptedDeviceTest : public ::testing::Test {
protected:
    static constexpr std::int32_t kStatusUntouched = 99;

    void SetUp() override;
    void TearDown() override;

    // The next frame the device receives, without its BVLC header; empty after 2 s of silence.
    std::vector<std::uint8_t> DeviceReceives();
    // Sends the NPDU in an Original-Unicast-NPDU to the driver.
    void DeviceSends(const std::string& npduHex);

    // Reads the tags from the device; the device answers the request with
    // apduHex, where "%ID%" stands for the request's invoke ID. Polls the
    // finish entry until the scan ends.
    FinishedScan ReadAnswered(const std::vector<const char16_t*>& addresses, const std::string& apduHex);

    // The log lines written so far, without their time stamps.
    std::vector<std::string> LogLines() const;

    LoopbackPorts ports_;
    std::uint16_t port_ = 0;
    std::unique_ptr<UdpPeer> device_;
    DriverModule driver_;
    std::string logPath_;
};

// The value of a host record read back as a number (kinds 1 and 2).
double NumberOf(const HostValue& value);

}  // namespace testing_support
