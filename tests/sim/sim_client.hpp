// A raw BACnet/IP client for simulator tests: frames requests by hand, sends
// them from a loopback UDP peer and takes the answers apart.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/simulator.hpp"
#include "support/udp_peer.hpp"

namespace sim_test {

using Bytes = std::vector<std::uint8_t>;

// BVLC Original-Unicast and a network header without addresses.
Bytes Frame(const Bytes& apdu);
// The APDU of an answer frame; empty when it is not a well-formed frame.
Bytes ApduOf(const Bytes& frame);

Bytes ConfirmedHeader(std::uint8_t invokeId, std::uint8_t service, std::uint8_t maxApduCode = 5,
                      bool segmentedAccepted = false, std::uint8_t maxSegmentsCode = 0);
void AppendContextUnsigned(Bytes& out, std::uint8_t tag, std::uint32_t value);
void AppendContextObjectId(Bytes& out, std::uint8_t tag, std::uint32_t type, std::uint32_t instance);
Bytes ReadPropertyRequest(std::uint8_t invokeId, std::uint32_t type, std::uint32_t instance, std::uint32_t property,
                          std::optional<std::uint32_t> index = std::nullopt);
// value: the application-tagged value(s); priority 0 leaves it out.
Bytes WritePropertyRequest(std::uint8_t invokeId, std::uint32_t type, std::uint32_t instance, std::uint32_t property,
                           const Bytes& value, std::uint32_t priority = 0,
                           std::optional<std::uint32_t> index = std::nullopt);
Bytes Encode(const sim::Value& value);

// The application values between the [3] tags of a ReadProperty-ACK.
std::optional<std::vector<sim::Value>> ValuesOfReadAck(const Bytes& apdu);
std::optional<std::vector<sim::Value>> DecodeAll(const std::uint8_t* data, std::size_t length);

struct ReadResult {
    std::vector<sim::Value> values;
    std::uint32_t errorClass = 0xFFFF;  // set for an Error PDU
    std::uint32_t errorCode = 0xFFFF;
    Bytes apdu;
};

class SimulatorTest : public ::testing::Test {
protected:
    // Starts the simulator on 127.0.0.2 and a free port.
    void StartSimulator(sim::SimOptions options = {});
    void TearDown() override { simulator.Stop(); }

    void Send(const Bytes& apdu) { peer.SendTo(address.c_str(), port, Frame(apdu)); }
    // The APDU of the next answer, if one comes within the time-out.
    std::optional<Bytes> Receive(std::uint32_t timeoutMs = 1000);
    std::optional<Bytes> Exchange(const Bytes& apdu, std::uint32_t timeoutMs = 1000);
    ReadResult Read(std::uint32_t type, std::uint32_t instance, std::uint32_t property,
                    std::optional<std::uint32_t> index = std::nullopt);
    // The answer's APDU to a WriteProperty.
    Bytes Write(std::uint32_t type, std::uint32_t instance, std::uint32_t property, const sim::Value& value,
                std::uint32_t priority = 0, std::optional<std::uint32_t> index = std::nullopt);

    sim::Simulator simulator;
    testing_support::UdpPeer peer;
    std::string address = "127.0.0.2";
    std::uint16_t port = 0;
    std::uint8_t nextInvokeId = 1;
};

}  // namespace sim_test
