// BACnet/IP: BVLC datagrams on a UDP socket bound to one address and port.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/udp_socket.hpp"
#include "sim/transport.hpp"

namespace sim {

class UdpTransport : public Transport {
public:
    ~UdpTransport() override;
    // Binds the socket; nullptr with a message when the address is unusable.
    static std::unique_ptr<UdpTransport> Open(const std::string& bindAddress, std::uint16_t port,
                                              const Placement& placement, Log log, std::string& error);

    bool Receive(Incoming& incoming) override;
    void Send(const Peer& to, const encoding::ByteVector& apdu) override;
    std::string Describe() const override;
    std::uint16_t Port() const { return port_; }

private:
    UdpTransport() = default;

    platform::SocketHandle socket_ = platform::kNoSocket;
    std::uint32_t address_ = 0;
    std::uint16_t port_ = 0;
    Placement placement_;
    Log log_;
    std::vector<std::uint8_t> buffer_;
};

}  // namespace sim
