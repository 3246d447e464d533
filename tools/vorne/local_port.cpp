#include "tools/vorne/local_port.hpp"


#include <optional>

#include "platform/udp_socket.hpp"

#ifdef _WIN32
#include <winsock2.h>
#define VORNE_ADDRESS_IN_USE WSAEADDRINUSE
#define VORNE_ADDRESS_NOT_LOCAL WSAEADDRNOTAVAIL
#else
#include <cerrno>
#define VORNE_ADDRESS_IN_USE EADDRINUSE
#define VORNE_ADDRESS_NOT_LOCAL EADDRNOTAVAIL
#endif

namespace vorne_tool {

PortCheck CheckLocalPort(const std::string& bindAddress, std::uint16_t port) {
    PortCheck check;
    check.where = bindAddress.empty() ? "UDP port " + std::to_string(port)
                                      : bindAddress + ":" + std::to_string(port);
    const auto address = bindAddress.empty() ? std::optional<std::uint32_t>(0) : platform::ParseIpv4(bindAddress);
    if (!address) {
        check.state = PortState::kNotLocal;
        return check;
    }
    std::int32_t code = 0;
    const platform::SocketHandle socket = platform::UdpSocketOpen(code);
    if (socket == platform::kNoSocket) {
        check.state = PortState::kOtherError;
        check.error = "no UDP socket (error " + std::to_string(code) + ")";
        return check;
    }
    if (!platform::UdpSocketBind(socket, *address, port, code)) {
        check.state = code == VORNE_ADDRESS_IN_USE      ? PortState::kInUse
                      : code == VORNE_ADDRESS_NOT_LOCAL ? PortState::kNotLocal
                                                        : PortState::kOtherError;
        check.error = "error " + std::to_string(code);
    }
    platform::UdpSocketClose(socket);
    return check;
}

}  // namespace vorne_tool
