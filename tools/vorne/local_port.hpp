// Whether this machine lets a program listen on a UDP address and port, in
// words a user acts on.
#pragma once

#include <cstdint>
#include <string>

namespace vorne_tool {

enum class PortState { kFree, kInUse, kNotLocal, kOtherError };

struct PortCheck {
    PortState state = PortState::kFree;
    std::string where;  // "127.0.0.1:47808", "all interfaces, port 47808"
    std::string error;  // the system's words for kOtherError
};

// Binds and releases a socket on bindAddress (empty: all interfaces) and port.
PortCheck CheckLocalPort(const std::string& bindAddress, std::uint16_t port);

}  // namespace vorne_tool
