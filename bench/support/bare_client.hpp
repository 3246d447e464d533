// A bare BACnet/IP client for the references: one UDP socket, request frames
// built by hand exactly as the driver sends them, no decoding of the answer.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/udp_socket.hpp"

namespace bench {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t Ip(const char* text);

// Original-Unicast ReadProperty of (type, instance, property), invoke ID 0.
Bytes ReadPropertyFrame(std::uint16_t type, std::uint32_t instance, std::uint8_t property);
// Original-Unicast ReadPropertyMultiple, one entry per (instance, properties)
// of the given type, invoke ID 0; `segmentedAccepted` sets the APDU's flag.
Bytes ReadPropertyMultipleFrame(std::uint16_t type,
                                const std::vector<std::pair<std::uint32_t, std::vector<std::uint8_t>>>& objects,
                                bool segmentedAccepted);
// Where a confirmed request frame (no network addressing) carries its invoke ID.
constexpr std::size_t kRequestInvokeIdAt = 8;

class BareClient {
public:
    BareClient(const char* ip, std::uint32_t timeoutMs);
    ~BareClient();
    BareClient(const BareClient&) = delete;
    BareClient& operator=(const BareClient&) = delete;
    // Sends the request (its invoke ID advanced each time) and waits for one
    // datagram: its length, or 0 after the time-out.
    std::int32_t RoundTrip(std::uint32_t toIp, std::uint16_t toPort, Bytes& request);
    // The last answer's datagram (valid up to RoundTrip's length).
    const std::uint8_t* LastAnswer() const { return answer_; }

private:
    platform::SocketHandle handle_ = platform::kNoSocket;
    std::uint8_t invokeId_ = 0;
    std::uint8_t answer_[2048];
};

}  // namespace bench
