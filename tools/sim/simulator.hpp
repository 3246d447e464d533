// A simulated BACnet device on a UDP socket (BACnet/IP) or a serial line
// (MS/TP) of its own, answering from a thread: Who-Is, ReadProperty,
// ReadPropertyMultiple and WriteProperty, with segmented answers for clients
// that accept them.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/object_model.hpp"
#include "sim/value.hpp"

namespace sim {

struct SimOptions {
    std::string bindAddress = "127.0.0.2";
    std::uint16_t port = 47808;  // 0: a port the system chooses (see Simulator::Port)
    std::uint32_t deviceInstance = 1234;
    std::string objectsFile;  // empty: the default object set
    std::string name = "VORNE-SIM";
    // 0: directly on the IP network. Otherwise the device answers as if
    // behind a router, as station `mac` on this network.
    std::uint16_t network = 0;
    std::uint8_t mac = 1;
    // Non-empty: MS/TP on this serial device instead of BACnet/IP, or "pty"
    // for a pseudo-terminal whose other end clients open (see LineName).
    std::string mstpDevice;
    std::uint32_t baudRate = 38400;
    std::uint8_t mstpStation = 2;  // the device's own MS/TP station
    // Segmented answers: time-out before a window is sent again, how often,
    // and the window size the device proposes.
    std::uint32_t segmentTimeoutMs = 2000;
    int segmentRetries = 3;
    std::uint8_t proposedWindow = 4;
    // Nonzero: the largest APDU the device takes and announces in its I-Am, when
    // smaller than its link's (1476 on BACnet/IP, 480 on MS/TP).
    std::size_t maxApdu = 0;
    // false: a device without segmentation (segmentation-supported no-segmentation).
    bool segmentation = true;
    // Objects that answer every read with read-access-denied.
    std::vector<ObjectId> unreadableObjects;
    // Called from the device's thread with one line per request and answer; may be empty.
    std::function<void(const std::string&)> log;
};

class Simulator {
public:
    Simulator();
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Builds the objects, binds the socket and starts answering. False with
    // a message when the object file or the address is unusable.
    bool Start(const SimOptions& options, std::string& error);
    // Thread-safe; stopping a stopped simulator does nothing.
    void Stop();
    bool Running() const;
    std::uint16_t Port() const;
    // Where clients reach the device: "127.0.0.2:47808" or "MS/TP station 2 on /dev/pts/3".
    std::string Where() const;
    // The serial device that clients open on MS/TP (the pseudo-terminal's
    // name for "pty"); empty on BACnet/IP.
    std::string LineName() const;

    // What the objects hold now; nullopt for an unknown object (or property).
    std::optional<std::array<std::optional<Value>, kPriorityLevels>> PriorityArray(std::uint32_t type,
                                                                                   std::uint32_t instance) const;
    std::optional<Value> RelinquishDefault(std::uint32_t type, std::uint32_t instance) const;
    std::optional<Value> PresentValue(std::uint32_t type, std::uint32_t instance) const;
    std::optional<std::vector<Value>> PropertyValues(std::uint32_t type, std::uint32_t instance,
                                                     std::uint32_t property) const;
    std::size_t ObjectCount() const;
    // Confirmed requests answered so far.
    std::uint64_t RequestCount() const;
    // The longest confirmed request's APDU received so far, in octets.
    std::size_t LargestRequest() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace sim
