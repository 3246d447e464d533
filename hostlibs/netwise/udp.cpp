// Netwise stand-in: UDP sockets for the driver's shared receiver.
//
// Handles are the socket number plus one, so that 0 (the shared receiver's
// "closed") is never a valid handle.
#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "netwise.h"
#include "platform/udp_socket.hpp"
#include "platform/utf.hpp"

namespace {

platform::SocketHandle ToSocket(int32_t handle) { return handle - 1; }

std::uint32_t AddressFromEnvironment(const char* variable, std::uint32_t fallback) {
    const char* text = std::getenv(variable);
    if (text == nullptr || *text == '\0') return fallback;
    return platform::ParseIpv4(text).value_or(fallback);
}

// VORNE_PEER_PORTS ("127.0.0.2=47900,127.0.0.3=47901") names addresses
// whose datagrams go to a port of their own instead of the one the driver
// names: it lets a test device on loopback listen on its own port where one
// port cannot be bound at two addresses (Wine).
struct PeerPortEntry {
    std::uint32_t address;
    std::uint16_t port;
};

std::vector<PeerPortEntry> PeerPorts() {
    std::vector<PeerPortEntry> entries;
    const char* text = std::getenv("VORNE_PEER_PORTS");
    std::string_view list = text != nullptr ? text : "";
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        const std::string_view entry = list.substr(0, comma);
        list = comma == std::string_view::npos ? std::string_view{} : list.substr(comma + 1);
        const std::size_t equals = entry.find('=');
        if (equals == std::string_view::npos) continue;
        const auto address = platform::ParseIpv4(std::string(entry.substr(0, equals)));
        const long port = std::strtol(std::string(entry.substr(equals + 1)).c_str(), nullptr, 10);
        if (address && port > 0 && port < 65536) entries.push_back({*address, static_cast<std::uint16_t>(port)});
    }
    return entries;
}

std::uint16_t PeerPort(std::uint32_t address, std::uint32_t requested) {
    for (const PeerPortEntry& entry : PeerPorts())
        if (entry.address == address) return entry.port;
    return static_cast<std::uint16_t>(requested);
}

// A device given a port of its own answers from that port, and under Wine
// from 127.0.0.1 whatever loopback address it bound: the sender is named
// back as the address and port the driver sent to, as on a site.
struct PeerRoute {
    std::uint16_t ownPort;
    std::uint32_t address;
    std::uint16_t requestedPort;
};
std::mutex routesLock;
std::vector<PeerRoute> routes;

std::uint16_t RoutePeer(std::uint32_t address, std::uint32_t requested) {
    const std::uint16_t port = PeerPort(address, requested);
    if (port == requested) return port;
    std::lock_guard<std::mutex> lock(routesLock);
    for (auto& route : routes)
        if (route.ownPort == port) {
            route = {port, address, static_cast<std::uint16_t>(requested)};
            return port;
        }
    routes.push_back({port, address, static_cast<std::uint16_t>(requested)});
    return port;
}

// The entry in VORNE_PEER_PORTS names the sender, so that a device that
// speaks before the driver sent it anything (an I-Am, a request, a stray
// answer) is named too; its port is the one the driver sent to, or else the
// one the driver's socket is bound to, as BACnet/IP peers on a site share
// one port.
void NameSenderAsRouted(platform::SocketHandle socket, std::uint32_t& address, std::uint16_t& port) {
    if ((address >> 24) != 127) return;
    std::optional<PeerRoute> routed;
    {
        std::lock_guard<std::mutex> lock(routesLock);
        for (const auto& route : routes)
            if (route.ownPort == port) routed = route;
    }
    for (const PeerPortEntry& entry : PeerPorts())
        if (entry.port == port) {
            address = entry.address;
            port = routed && routed->address == entry.address ? routed->requestedPort
                                                              : platform::UdpSocketLocalPort(socket);
            return;
        }
    if (routed) {
        address = routed->address;
        port = routed->requestedPort;
    }
}

}  // namespace

extern "C" {

NETWISE_API int32_t HOSTLIB_CALL UdpOpen(int32_t* error) {
    std::int32_t code = 0;
    const platform::SocketHandle socket = platform::UdpSocketOpen(code);
    if (error != nullptr) *error = socket == platform::kNoSocket ? (code != 0 ? code : -1) : 0;
    return socket == platform::kNoSocket ? 0 : socket + 1;
}

NETWISE_API int32_t HOSTLIB_CALL UdpConfigure(int32_t socket, int32_t receiveTimeoutMs) {
    if (socket <= 0) return NETWISE_NO_SOCKET;
    platform::UdpSocketSetReceiveTimeout(ToSocket(socket), static_cast<std::uint32_t>(std::max(receiveTimeoutMs, 1)));
    return NETWISE_OK;
}

NETWISE_API int32_t HOSTLIB_CALL UdpBind(int32_t socket, int32_t /*reserved*/, uint32_t port, int32_t* error) {
    if (socket <= 0) return NETWISE_NO_SOCKET;
    const std::uint32_t address = AddressFromEnvironment("VORNE_BIND", 0);
    std::int32_t code = 0;
    if (platform::UdpSocketBind(ToSocket(socket), address, static_cast<std::uint16_t>(port), code)) {
        if (error != nullptr) *error = 0;
        return NETWISE_OK;
    }
    if (error != nullptr) *error = code;
    std::int32_t ignored = 0;
    platform::UdpSocketBind(ToSocket(socket), address, 0, ignored);
    return code != 0 ? code : -1;
}

NETWISE_API int32_t HOSTLIB_CALL UdpReceiveFrom(int32_t socket, char16_t* senderText, uint32_t* senderPort,
                                                uint8_t* data, int32_t capacity, int32_t* error) {
    if (socket <= 0 || data == nullptr || capacity <= 0) return -1;
    std::uint32_t address = 0;
    std::uint16_t port = 0;
    std::int32_t code = 0;
    const std::int32_t n =
        platform::UdpSocketReceive(ToSocket(socket), data, static_cast<std::size_t>(capacity), address, port, code);
    if (error != nullptr) *error = code;
    if (n <= 0) return n;
    NameSenderAsRouted(ToSocket(socket), address, port);
    if (senderText != nullptr) {
        char16_t text[platform::kIpv4TextCapacity];
        const std::size_t length = platform::FormatIpv4(address, text);
        std::copy(text, text + length + 1, senderText);
    }
    if (senderPort != nullptr) *senderPort = port;
    return n;
}

NETWISE_API int32_t HOSTLIB_CALL UdpClose(int32_t socket) {
    if (socket > 0) platform::UdpSocketClose(ToSocket(socket));
    return NETWISE_OK;
}

NETWISE_API int32_t HOSTLIB_CALL UdpSendTo(int32_t socket, const char16_t* destination, uint32_t /*localPort*/,
                                           uint32_t destinationPort, const uint8_t* data, int32_t length) {
    if (socket <= 0) return NETWISE_NO_SOCKET;
    const std::u16string_view text = platform::HostText(destination);
    std::uint32_t address = 0;
    if (text == u"BROADCAST:*") {
        address = AddressFromEnvironment("VORNE_BROADCAST", 0xFFFFFFFFu);
    } else {
        const auto parsed = platform::ParseIpv4(text);
        if (!parsed) return NETWISE_BAD_DESTINATION;
        address = *parsed;
    }
    if (length < 0 || (data == nullptr && length > 0)) return NETWISE_BAD_DESTINATION;
    return platform::UdpSocketSendTo(ToSocket(socket), address, RoutePeer(address, destinationPort), data,
                                     static_cast<std::size_t>(length));
}

}  // extern "C"
