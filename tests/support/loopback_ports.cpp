#include "support/loopback_ports.hpp"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "support/environment.hpp"
#include "support/udp_peer.hpp"

namespace testing_support {
namespace {

constexpr const char* kPeerPortsVariable = "VORNE_PEER_PORTS";

bool SeparatePorts() {
    const char* choice = std::getenv("VORNE_TEST_PORTS");
    if (choice != nullptr && std::strcmp(choice, "separate") == 0) return true;
    if (choice != nullptr && std::strcmp(choice, "shared") == 0) return false;
#ifdef _WIN32
    return true;
#else
    return false;
#endif
}

}  // namespace

LoopbackPorts::LoopbackPorts() : separate_(SeparatePorts()), driver_(FreeUdpPort()) {
    SetEnvironment(kPeerPortsVariable, nullptr);
}

LoopbackPorts::~LoopbackPorts() { SetEnvironment(kPeerPortsVariable, nullptr); }

std::uint16_t LoopbackPorts::Device(const std::string& address) {
    if (!separate_) return driver_;
    for (const Peer& peer : peers_)
        if (peer.address == address) return peer.port;
    const auto taken = [this](std::uint16_t port) {
        return port == driver_ || std::any_of(peers_.begin(), peers_.end(),
                                              [port](const Peer& peer) { return peer.port == port; });
    };
    std::uint16_t port = FreeUdpPort();
    while (taken(port)) port = FreeUdpPort();
    peers_.push_back({address, port});
    std::string list;
    for (const Peer& peer : peers_) list += (list.empty() ? "" : ",") + peer.address + "=" + std::to_string(peer.port);
    SetEnvironment(kPeerPortsVariable, list.c_str());
    return port;
}

}  // namespace testing_support
