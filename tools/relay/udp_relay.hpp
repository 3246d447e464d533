// A UDP relay that stands between the driver and a device and spoils the
// traffic on purpose: it drops, duplicates, delays, reorders and truncates
// datagrams, each decision drawn from a generator seeded per direction, so
// that a given seed spoils the same datagrams of a run every time.
//
// The driver sends to the relay's front socket as if it were the device; the
// relay sends on from its back socket to the device and carries the device's
// answers back to whoever last sent to the front.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace relay {

// Chances (0..1) per datagram, tried in this order; a datagram gets at most
// one fault.
struct Faults {
    double drop = 0;
    double duplicate = 0;  // sent twice, the copy after up to maxDelayMs
    double delay = 0;      // held for 1..maxDelayMs
    double reorder = 0;    // held until the next datagram has gone (or maxDelayMs passed)
    double truncate = 0;   // cut to a random shorter length (possibly empty)
    std::uint32_t maxDelayMs = 100;
};

enum class Direction { kToDevice, kToDriver };

struct RelayOptions {
    std::string frontAddress = "127.0.0.3";  // where the driver sends
    std::uint16_t frontPort = 47808;
    std::string deviceAddress = "127.0.0.2";
    std::uint16_t devicePort = 47808;
    std::uint32_t seed = 1;
    Faults toDevice;
    Faults toDriver;
    // Sees every datagram on the relay's thread before the faults are
    // applied; may be empty.
    std::function<void(Direction, const std::vector<std::uint8_t>&)> watch;
};

struct RelayCounts {
    std::uint64_t received = 0;
    std::uint64_t sent = 0;
    std::uint64_t dropped = 0;
    std::uint64_t duplicated = 0;
    std::uint64_t delayed = 0;
    std::uint64_t reordered = 0;
    std::uint64_t truncated = 0;
};

class UdpRelay {
public:
    UdpRelay();
    ~UdpRelay();
    UdpRelay(const UdpRelay&) = delete;
    UdpRelay& operator=(const UdpRelay&) = delete;

    // Binds both sockets and starts relaying; false with a message when a
    // socket cannot be bound.
    bool Start(const RelayOptions& options, std::string& error);
    void Stop();
    std::uint16_t FrontPort() const;

    // Thread-safe: changes the faults of one direction from the next datagram on.
    void SetFaults(Direction direction, const Faults& faults);
    // Thread-safe: drops everything in both directions while on (a dead line).
    void SetBlackout(bool on);
    RelayCounts Counts() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace relay
