// The scripted UDP peer that loopback tests share: it receives what the
// driver sends and sends datagrams to the driver's port.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/udp_socket.hpp"

namespace testing_support {

class UdpPeer {
public:
    // Binds to 127.0.0.1 on a port the system chooses.
    UdpPeer();
    // Binds to the given loopback address and port, e.g. a device at 127.0.0.2
    // on the driver's own port.
    UdpPeer(const char* address, std::uint16_t port);
    ~UdpPeer();
    UdpPeer(const UdpPeer&) = delete;
    UdpPeer& operator=(const UdpPeer&) = delete;

    std::uint16_t Port() const { return port_; }
    void SendTo(std::uint16_t port, const std::vector<std::uint8_t>& datagram);
    void SendTo(const char* address, std::uint16_t port, const std::vector<std::uint8_t>& datagram);
    // The next datagram within the time-out, with the port it came from.
    std::optional<std::vector<std::uint8_t>> Receive(std::uint32_t timeoutMs, std::uint16_t* fromPort = nullptr);

private:
    platform::SocketHandle socket_ = platform::kNoSocket;
    std::uint16_t port_ = 0;
};

// A UDP port that is free on loopback right now.
std::uint16_t FreeUdpPort();

}  // namespace testing_support
