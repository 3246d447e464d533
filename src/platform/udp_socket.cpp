#include "platform/udp_socket.hpp"


#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
#endif

namespace platform {
namespace {

#ifdef _WIN32
using NativeSocket = SOCKET;
int LastError() { return ::WSAGetLastError(); }
NativeSocket Native(SocketHandle s) { return static_cast<NativeSocket>(static_cast<std::uint32_t>(s)); }
bool EnsureWinsock() {
    static const bool started = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}
#else
using NativeSocket = int;
int LastError() { return errno; }
NativeSocket Native(SocketHandle s) { return s; }
bool EnsureWinsock() { return true; }
#endif

sockaddr_in MakeAddress(std::uint32_t address, std::uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(address);
    a.sin_port = htons(port);
    return a;
}

}  // namespace

SocketHandle UdpSocketOpen(std::int32_t& error) {
    error = 0;
    if (!EnsureWinsock()) {
        error = LastError();
        return kNoSocket;
    }
    const NativeSocket s = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
#ifdef _WIN32
    if (s == INVALID_SOCKET) {
#else
    if (s < 0) {
#endif
        error = LastError();
        return kNoSocket;
    }
    int on = 1;
    ::setsockopt(s, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on), sizeof on);
    return static_cast<SocketHandle>(s);
}

void UdpSocketSetReceiveTimeout(SocketHandle socket, std::uint32_t milliseconds) {
#ifdef _WIN32
    DWORD timeout = milliseconds;
    ::setsockopt(Native(socket), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
#else
    timeval timeout{};
    timeout.tv_sec = static_cast<time_t>(milliseconds / 1000);
    timeout.tv_usec = static_cast<suseconds_t>((milliseconds % 1000) * 1000);
    ::setsockopt(Native(socket), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
#endif
}

bool UdpSocketBind(SocketHandle socket, std::uint32_t address, std::uint16_t port, std::int32_t& error) {
    error = 0;
    const sockaddr_in a = MakeAddress(address, port);
    if (::bind(Native(socket), reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
        error = LastError();
        return false;
    }
    return true;
}

std::uint16_t UdpSocketLocalPort(SocketHandle socket) {
    sockaddr_in a{};
#ifdef _WIN32
    int size = sizeof a;
#else
    socklen_t size = sizeof a;
#endif
    if (::getsockname(Native(socket), reinterpret_cast<sockaddr*>(&a), &size) != 0) return 0;
    return ntohs(a.sin_port);
}

std::int32_t UdpSocketReceive(SocketHandle socket, std::uint8_t* data, std::size_t capacity, std::uint32_t& address,
                              std::uint16_t& port, std::int32_t& error) {
    error = 0;
    sockaddr_in from{};
#ifdef _WIN32
    int size = sizeof from;
    const int n = ::recvfrom(Native(socket), reinterpret_cast<char*>(data), static_cast<int>(capacity), 0,
                             reinterpret_cast<sockaddr*>(&from), &size);
    if (n == SOCKET_ERROR) {
        error = LastError();
        return error == WSAETIMEDOUT ? 0 : (error == WSAEMSGSIZE ? static_cast<std::int32_t>(capacity) + 1 : -1);
    }
#else
    socklen_t size = sizeof from;
    // MSG_TRUNC reports the datagram's real length, so an oversized one is recognised.
    const ssize_t n = ::recvfrom(Native(socket), data, capacity, MSG_TRUNC, reinterpret_cast<sockaddr*>(&from), &size);
    if (n < 0) {
        error = LastError();
        return (error == EAGAIN || error == EWOULDBLOCK || error == EINTR) ? 0 : -1;
    }
#endif
    address = ntohl(from.sin_addr.s_addr);
    port = ntohs(from.sin_port);
    return static_cast<std::int32_t>(n);
}

std::int32_t UdpSocketSendTo(SocketHandle socket, std::uint32_t address, std::uint16_t port,
                             const std::uint8_t* data, std::size_t length) {
    const sockaddr_in to = MakeAddress(address, port);
#ifdef _WIN32
    const int n = ::sendto(Native(socket), reinterpret_cast<const char*>(data), static_cast<int>(length), 0,
                           reinterpret_cast<const sockaddr*>(&to), sizeof to);
    return n == SOCKET_ERROR ? LastError() : 0;
#else
    const ssize_t n = ::sendto(Native(socket), data, length, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    return n < 0 ? LastError() : 0;
#endif
}

void UdpSocketClose(SocketHandle socket) {
    if (socket == kNoSocket) return;
#ifdef _WIN32
    ::closesocket(Native(socket));
#else
    ::close(Native(socket));
#endif
}

namespace {

template <typename Char>
std::optional<std::uint32_t> ParseDottedQuad(std::basic_string_view<Char> text) {
    std::uint32_t address = 0;
    int parts = 0;
    std::size_t i = 0;
    while (parts < 4) {
        if (i >= text.size() || text[i] < '0' || text[i] > '9') return std::nullopt;
        std::uint32_t value = 0;
        int digits = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 4) {
            value = value * 10 + static_cast<std::uint32_t>(text[i++] - '0');
            ++digits;
        }
        if (value > 255 || digits > 3) return std::nullopt;
        address = (address << 8) | value;
        if (++parts < 4) {
            if (i >= text.size() || text[i] != '.') return std::nullopt;
            ++i;
        }
    }
    if (i != text.size()) return std::nullopt;
    return address;
}

template <typename Char>
std::size_t WriteDottedQuad(std::uint32_t address, Char* out) {
    std::size_t n = 0;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const std::uint32_t part = (address >> shift) & 255;
        if (part >= 100) out[n++] = static_cast<Char>('0' + part / 100);
        if (part >= 10) out[n++] = static_cast<Char>('0' + part / 10 % 10);
        out[n++] = static_cast<Char>('0' + part % 10);
        if (shift > 0) out[n++] = static_cast<Char>('.');
    }
    out[n] = Char{};
    return n;
}

}  // namespace

std::optional<std::uint32_t> ParseIpv4(std::string_view text) { return ParseDottedQuad(text); }
std::optional<std::uint32_t> ParseIpv4(std::u16string_view text) { return ParseDottedQuad(text); }

std::string FormatIpv4(std::uint32_t address) {
    char text[kIpv4TextCapacity];
    return std::string(text, WriteDottedQuad(address, text));
}

std::size_t FormatIpv4(std::uint32_t address, char16_t (&out)[kIpv4TextCapacity]) {
    return WriteDottedQuad(address, out);
}

}  // namespace platform
