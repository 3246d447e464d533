// Where an answer goes: the sender's IP address and port, and, for a request
// that came through a router, the network and address behind it.
#pragma once

#include <compare>
#include <cstdint>
#include <vector>

namespace sim {

struct Peer {
    std::uint32_t address = 0;  // host byte order
    std::uint16_t port = 0;
    bool routed = false;          // the request carried a source network
    std::uint16_t network = 0;    // that network
    std::vector<std::uint8_t> mac;  // and the address on it
    auto operator<=>(const Peer&) const = default;
};

}  // namespace sim
