// IPv4 UDP sockets over BSD sockets or Winsock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Socket handles travel as 32-bit words (the shared receiver stores one in
// a 32-bit field); -1 is no socket.
using SocketHandle = std::int32_t;
inline constexpr SocketHandle kNoSocket = -1;

// Opens a datagram socket that may send broadcasts; kNoSocket and an error code on failure.
SocketHandle UdpSocketOpen(std::int32_t& error);
void UdpSocketSetReceiveTimeout(SocketHandle socket, std::uint32_t milliseconds);
// Binds to the address (host byte order, 0 for all interfaces) and port.
bool UdpSocketBind(SocketHandle socket, std::uint32_t address, std::uint16_t port, std::int32_t& error);
// The local port the socket is bound to, 0 when unknown.
std::uint16_t UdpSocketLocalPort(SocketHandle socket);
// One datagram: its length, 0 when the wait timed out, -1 on error. The
// sender's address is in host byte order.
std::int32_t UdpSocketReceive(SocketHandle socket, std::uint8_t* data, std::size_t capacity, std::uint32_t& address,
                              std::uint16_t& port, std::int32_t& error);
// 0 on success, else the system's error code.
std::int32_t UdpSocketSendTo(SocketHandle socket, std::uint32_t address, std::uint16_t port,
                             const std::uint8_t* data, std::size_t length);
void UdpSocketClose(SocketHandle socket);

// Dotted-quad IPv4 text and the address in host byte order.
std::optional<std::uint32_t> ParseIpv4(std::string_view text);
std::optional<std::uint32_t> ParseIpv4(std::u16string_view text);
inline constexpr std::size_t kIpv4TextCapacity = 16;  // "255.255.255.255" and its NUL
std::string FormatIpv4(std::uint32_t address);
// Writes the text and its NUL; returns its length.
std::size_t FormatIpv4(std::uint32_t address, char16_t (&out)[kIpv4TextCapacity]);

}  // namespace platform
