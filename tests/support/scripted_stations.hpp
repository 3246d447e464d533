// The driver, loaded as a host loads it, on 127.0.0.1 with two scripted
// BACnet/IP stations at 127.0.0.2 and 127.0.0.3, and the communication log
// in a file of its own. The stations are on the driver's port, or where one
// port cannot be bound at two addresses (Wine) on ports of their own, which
// the driver still sees as 127.0.0.2 and 127.0.0.3 on its port
// (support/loopback_ports.hpp).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.hpp"
#include "platform/named_objects.hpp"
#include "support/communication_log.hpp"
#include "support/driver_module.hpp"
#include "support/environment.hpp"
#include "support/hex.hpp"
#include "support/loopback_ports.hpp"
#include "support/udp_peer.hpp"

namespace testing_support {

class ScriptedStations : public ::testing::Test {
protected:
    static constexpr std::uint16_t kTimeoutMs = 400;

    void SetUp() override {
        SetEnvironment("VORNE_BIND", "127.0.0.1");
        SetEnvironment("VORNE_BROADCAST", "127.0.0.2");
        port_ = ports_.Driver();
        first_ = std::make_unique<UdpPeer>("127.0.0.2", ports_.Device("127.0.0.2"));
        second_ = std::make_unique<UdpPeer>("127.0.0.3", ports_.Device("127.0.0.3"));
        ASSERT_TRUE(driver_.Loaded()) << driver_.Error();
        Open(kTimeoutMs);
    }
    void TearDown() override {
        driver_->close(nullptr);
        SetEnvironment("VORNE_BIND", nullptr);
        SetEnvironment("VORNE_BROADCAST", nullptr);
    }
    void Open(std::uint16_t timeoutMs) {
        const auto settings = BacnetIpSettings(port_, timeoutMs);
        char16_t version[8];
        std::int32_t error = 0;
        ASSERT_EQ(driver_->open(nullptr, &settings, version, &error), 1) << error;
    }

    // The next NPDU a station receives (its BVLC header taken off), or nothing.
    static std::vector<std::uint8_t> Receives(UdpPeer& station, std::uint32_t timeoutMs = 2000) {
        auto frame = station.Receive(timeoutMs);
        if (!frame || frame->size() < 4) return {};
        return std::vector<std::uint8_t>(frame->begin() + 4, frame->end());
    }
    // The invoke ID of a request NPDU without network addresses.
    static std::uint8_t InvokeIdOf(const std::vector<std::uint8_t>& request) {
        return request.size() > 4 ? request[4] : 0;
    }
    // The station sends an NPDU to the driver; "%ID%" in the hex stands for the invoke ID.
    void Sends(UdpPeer& station, std::string npduHex, std::uint8_t invokeId) {
        const std::string id = ToHex(&invokeId, 1);
        for (std::size_t at; (at = npduHex.find("%ID%")) != std::string::npos;) npduHex.replace(at, 4, id);
        SendsNpdu(station, Hex(npduHex));
    }
    // The station sends an NPDU of any length in an Original-Unicast-NPDU.
    void SendsNpdu(UdpPeer& station, const std::vector<std::uint8_t>& npdu) {
        std::vector<std::uint8_t> frame(npdu.size() + 4);
        frame[0] = 0x81;
        frame[1] = 0x0a;
        frame[2] = static_cast<std::uint8_t>(frame.size() >> 8);
        frame[3] = static_cast<std::uint8_t>(frame.size());
        std::copy(npdu.begin(), npdu.end(), frame.begin() + 4);
        station.SendTo("127.0.0.1", port_, frame);
    }

    std::int32_t StartRead(const char16_t* station, std::vector<const char16_t*> addresses, std::int32_t& status) {
        return driver_->readGroupStart(station, nullptr, addresses.data(), static_cast<std::int32_t>(addresses.size()),
                                       &status);
    }
    // Polls the finish entry until it returns 1 or limitMs pass; true when it did.
    bool FinishRead(HostValue* values, std::int32_t count, std::int32_t& status, std::uint32_t limitMs = 3000) {
        const std::uint32_t start = platform::TickCount();
        do {
            if (driver_->readGroupFinish(values, 0, count, &status) == 1) return true;
            platform::SleepMs(1);
        } while (platform::TickCount() - start < limitMs);
        return false;
    }
    bool FinishWrite(std::int32_t& status, std::uint32_t limitMs = 3000) {
        const std::uint32_t start = platform::TickCount();
        do {
            if (driver_->writeItemFinish(&status) == 1) return true;
            platform::SleepMs(1);
        } while (platform::TickCount() - start < limitMs);
        return false;
    }

    CommunicationLog log_;
    LoopbackPorts ports_;
    std::uint16_t port_ = 0;
    std::unique_ptr<UdpPeer> first_;
    std::unique_ptr<UdpPeer> second_;
    DriverModule driver_;
};

}  // namespace testing_support
