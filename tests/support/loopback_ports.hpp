// Ports for a driver and the devices it meets on loopback.
//
// BACnet/IP peers answer to one port, so on Linux a device binds the driver's
// own port at another loopback address (127.0.0.2), as on a site. Wine binds
// every loopback address as the any-address of the loopback interface, so a
// second socket on one port fails there: under Windows builds each device
// address gets a port of its own, and the network library stand-in sends the
// driver's datagrams for that address to it (VORNE_PEER_PORTS).
// VORNE_TEST_PORTS=shared or separate chooses either way on any build.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

class LoopbackPorts {
public:
    LoopbackPorts();  // picks the driver's port
    ~LoopbackPorts();  // the stand-in sends to the driver's port again
    LoopbackPorts(const LoopbackPorts&) = delete;
    LoopbackPorts& operator=(const LoopbackPorts&) = delete;

    // The port of the driver's settings, where it listens.
    std::uint16_t Driver() const { return driver_; }
    // Where a device at this loopback address listens and the driver's
    // datagrams to it arrive: the driver's port, or one of its own.
    std::uint16_t Device(const std::string& address);
    // The address a device binds: the one given when devices share the
    // driver's port; else 127.0.0.1, because under Wine a device's answers
    // leave from 127.0.0.1 whatever loopback address it bound, and the relay
    // takes only answers from the device's own address.
    std::string DeviceAddress(const std::string& address) const { return separate_ ? "127.0.0.1" : address; }

private:
    struct Peer {
        std::string address;
        std::uint16_t port;
    };
    bool separate_;
    std::uint16_t driver_;
    std::vector<Peer> peers_;
};

}  // namespace testing_support
