#include "support/udp_peer.hpp"

#include "platform/clock.hpp"

namespace testing_support {
namespace {

constexpr std::uint32_t kLoopback = 0x7F000001;

}  // namespace

UdpPeer::UdpPeer() {
    std::int32_t error = 0;
    socket_ = platform::UdpSocketOpen(error);
    platform::UdpSocketBind(socket_, kLoopback, 0, error);
    port_ = platform::UdpSocketLocalPort(socket_);
}

UdpPeer::UdpPeer(const char* address, std::uint16_t port) {
    std::int32_t error = 0;
    socket_ = platform::UdpSocketOpen(error);
    platform::UdpSocketBind(socket_, platform::ParseIpv4(address).value_or(kLoopback), port, error);
    port_ = platform::UdpSocketLocalPort(socket_);
}

void UdpPeer::SendTo(const char* address, std::uint16_t port, const std::vector<std::uint8_t>& datagram) {
    platform::UdpSocketSendTo(socket_, platform::ParseIpv4(address).value_or(kLoopback), port, datagram.data(),
                              datagram.size());
}

UdpPeer::~UdpPeer() { platform::UdpSocketClose(socket_); }

void UdpPeer::SendTo(std::uint16_t port, const std::vector<std::uint8_t>& datagram) {
    platform::UdpSocketSendTo(socket_, kLoopback, port, datagram.data(), datagram.size());
}

std::optional<std::vector<std::uint8_t>> UdpPeer::Receive(std::uint32_t timeoutMs, std::uint16_t* fromPort) {
    platform::UdpSocketSetReceiveTimeout(socket_, timeoutMs);
    std::vector<std::uint8_t> data(65536);
    std::uint32_t address = 0;
    std::uint16_t port = 0;
    std::int32_t error = 0;
    const std::int32_t n = platform::UdpSocketReceive(socket_, data.data(), data.size(), address, port, error);
    if (n <= 0) return std::nullopt;
    data.resize(static_cast<std::size_t>(n));
    if (fromPort != nullptr) *fromPort = port;
    return data;
}

std::uint16_t FreeUdpPort() {
    std::int32_t error = 0;
    const platform::SocketHandle socket = platform::UdpSocketOpen(error);
    platform::UdpSocketBind(socket, kLoopback, 0, error);
    const std::uint16_t port = platform::UdpSocketLocalPort(socket);
    platform::UdpSocketClose(socket);
    return port;
}

}  // namespace testing_support
