// Framing around the device's APDUs: the network layer header (on any link)
// and, for BACnet/IP, the BVLC header, read from requests and written on answers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "encoding/byte_vector.hpp"
#include "sim/peer.hpp"

namespace sim {

// Where the device sits: directly on the IP network (network 0), or behind
// a router as station mac on the given network.
struct Placement {
    std::uint16_t network = 0;
    std::vector<std::uint8_t> mac;
};

struct Incoming {
    Peer peer;                  // where answers go
    const std::uint8_t* apdu = nullptr;
    std::size_t apduLength = 0;
};

// The network layer part of a request that arrived from `from` (a link-level
// peer): false for anything that is not an APDU addressed to this device.
bool ParseNpdu(const std::uint8_t* data, std::size_t length, const Peer& from, const Placement& placement,
               Incoming& incoming);

// The network layer header and the APDU of an answer.
encoding::ByteVector BuildNpdu(const Peer& to, const Placement& placement, const encoding::ByteVector& apdu);

// A BACnet/IP datagram: false for anything that is not an APDU addressed to this device.
bool ParseFrame(const std::uint8_t* data, std::size_t length, std::uint32_t fromAddress, std::uint16_t fromPort,
                const Placement& placement, Incoming& incoming);

// An Original-Unicast-NPDU carrying the APDU to the peer.
encoding::ByteVector BuildFrame(const Peer& to, const Placement& placement, const encoding::ByteVector& apdu);

}  // namespace sim
