// The network-layer addressing of one NPDU.
#pragma once

#include <cstdint>

namespace network {

struct NpduInfo {
    static constexpr std::uint32_t kMaxMacLength = 6;

    std::uint16_t destinationNetwork = 0;  // DNET; 0xFFFF is a global broadcast
    std::uint8_t hopCount = 255;
    std::uint8_t sourcePresent = 0;
    std::uint16_t sourceNetwork = 0;  // SNET
    std::uint32_t sourceMacLength = 0;  // SLEN
    std::uint8_t sourceMac[kMaxMacLength] = {};
    std::uint8_t segmentedResponseAccepted = 0;
    std::uint8_t destinationPresent = 0;
    std::uint8_t expectingReply = 0;
    std::uint32_t destinationMacLength = 0;  // DLEN; 0 with a destination is a broadcast on DNET
    std::uint8_t routedStation = 0;  // the station text gave a remote MAC for this device
    std::uint8_t destinationMac[kMaxMacLength] = {};

    void Reset() { *this = NpduInfo{}; }
    void SetBroadcastDestination(std::uint16_t network);
    // Logs "Invalid DLEN" and changes nothing when the MAC is longer than 6.
    void SetDestination(std::uint16_t network, std::uint32_t length, const std::uint8_t* mac);
    void SetSourceNetwork(std::uint16_t network);
    // Logs "Invalid SLEN" and changes nothing when the MAC is longer than 6.
    void SetSource(std::uint16_t network, std::uint32_t length, const std::uint8_t* mac);
    // The station named a router's network and a MAC behind it (set with
    // DLEN/DADR): requests go there, whatever the device's binding held.
    void SetRoutedStation(std::uint16_t network);
    // Whether the NPDU carries DNET/DLEN/DADR and a hop count.
    bool HasDestination() const { return destinationPresent != 0 || routedStation != 0; }
    void SetExpectingReply() { expectingReply = 1; }
    void SetHopCount(std::uint8_t count) { hopCount = count; }
    std::uint8_t ControlByte() const;

    // The record that answers go out with: destination = the request's source.
    static NpduInfo MakeReply(const NpduInfo& received);
};

}  // namespace network
