// How the simulated device meets its clients: BACnet/IP on a UDP socket, or
// MS/TP on a serial line. Both are driven from the simulator's one thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "encoding/byte_vector.hpp"
#include "sim/frames.hpp"

namespace sim {

class Transport {
public:
    using Log = std::function<void(const std::string&)>;

    virtual ~Transport() = default;
    // Waits a short while for traffic; true with one request addressed to
    // the device. The APDU stays valid until the next call.
    virtual bool Receive(Incoming& incoming) = 0;
    virtual void Send(const Peer& to, const encoding::ByteVector& apdu) = 0;
    // Where clients reach the device, for the start-up line.
    virtual std::string Describe() const = 0;
};

// The octets as two-digit hex numbers separated by spaces, for the log.
std::string HexOf(const std::uint8_t* data, std::size_t length);

}  // namespace sim
