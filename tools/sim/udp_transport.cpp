#include "sim/udp_transport.hpp"

namespace sim {
namespace {

constexpr std::uint32_t kReceivePollMs = 20;
// Any UDP datagram, so that an oversized request is seen whole and refused.
constexpr std::size_t kLargestDatagram = 65536;

}  // namespace

std::string HexOf(const std::uint8_t* data, std::size_t length) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        if (i != 0) text += ' ';
        text += kDigits[data[i] >> 4];
        text += kDigits[data[i] & 15];
    }
    return text;
}

std::unique_ptr<UdpTransport> UdpTransport::Open(const std::string& bindAddress, std::uint16_t port,
                                                 const Placement& placement, Log log, std::string& error) {
    const auto address = platform::ParseIpv4(bindAddress);
    if (!address) return error = "not an IPv4 address: " + bindAddress, nullptr;
    std::int32_t code = 0;
    const platform::SocketHandle socket = platform::UdpSocketOpen(code);
    if (socket == platform::kNoSocket) return error = "cannot open a UDP socket (error " + std::to_string(code) + ")", nullptr;
    if (!platform::UdpSocketBind(socket, *address, port, code)) {
        platform::UdpSocketClose(socket);
        error = "cannot bind " + bindAddress + ":" + std::to_string(port) + " (error " + std::to_string(code) + ")";
        return nullptr;
    }
    platform::UdpSocketSetReceiveTimeout(socket, kReceivePollMs);
    std::unique_ptr<UdpTransport> transport(new UdpTransport());
    transport->socket_ = socket;
    transport->address_ = *address;
    transport->port_ = platform::UdpSocketLocalPort(socket);
    transport->placement_ = placement;
    transport->log_ = std::move(log);
    transport->buffer_.resize(kLargestDatagram);
    return transport;
}

UdpTransport::~UdpTransport() { platform::UdpSocketClose(socket_); }

bool UdpTransport::Receive(Incoming& incoming) {
    std::uint32_t address = 0;
    std::uint16_t fromPort = 0;
    std::int32_t error = 0;
    const std::int32_t n = platform::UdpSocketReceive(socket_, buffer_.data(), buffer_.size(), address, fromPort, error);
    if (n <= 0 || static_cast<std::size_t>(n) > buffer_.size()) return false;
    const auto length = static_cast<std::size_t>(n);
    if (log_)
        log_("<- " + platform::FormatIpv4(address) + ":" + std::to_string(fromPort) + " " +
             HexOf(buffer_.data(), length));
    return ParseFrame(buffer_.data(), length, address, fromPort, placement_, incoming);
}

void UdpTransport::Send(const Peer& to, const encoding::ByteVector& apdu) {
    const encoding::ByteVector frame = BuildFrame(to, placement_, apdu);
    platform::UdpSocketSendTo(socket_, to.address, to.port, frame.data(), frame.size());
    if (log_)
        log_("-> " + platform::FormatIpv4(to.address) + ":" + std::to_string(to.port) + " " +
             HexOf(frame.data(), frame.size()));
}

std::string UdpTransport::Describe() const {
    return platform::FormatIpv4(address_) + ":" + std::to_string(port_);
}

}  // namespace sim
