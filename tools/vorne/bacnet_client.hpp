// A small BACnet/IP client of `vorne`'s own, beside the driver: Who-Is and
// I-Am for finding devices, and ReadProperty with an array index, which the
// driver never sends. It frames requests itself on the project's encoding
// library, as the simulator does.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/udp_socket.hpp"
#include "sim/value.hpp"

namespace vorne_tool {

// Where a device answers: its IP address and port, and, behind a router,
// the remote network and the device's MAC on it.
struct DeviceAddress {
    std::uint32_t ip = 0;  // host byte order; the router's address for a remote device
    std::uint16_t port = 47808;
    std::uint16_t network = 0;  // 0: on the IP network itself
    std::vector<std::uint8_t> mac;
    bool operator==(const DeviceAddress&) const = default;
};

struct IAm {
    DeviceAddress from;
    std::uint32_t deviceInstance = 0;
    std::uint32_t maxApdu = 0;
    std::uint32_t segmentation = 3;  // 0 both, 1 transmit, 2 receive, 3 none
    std::uint32_t vendorId = 0;
};

struct ReadOutcome {
    enum class Kind { kValues, kError, kReject, kAbort, kNoAnswer };
    Kind kind = Kind::kNoAnswer;
    std::vector<sim::Value> values;
    std::uint32_t errorClass = 0;
    std::uint32_t errorCode = 0;
    std::uint8_t reason = 0;  // reject or abort reason

    bool Ok() const { return kind == Kind::kValues; }
    // "error class property code read-access-denied (2/27)", "no answer", ...
    std::string Describe() const;
};

class BacnetClient {
public:
    BacnetClient() = default;
    ~BacnetClient();
    BacnetClient(const BacnetClient&) = delete;
    BacnetClient& operator=(const BacnetClient&) = delete;

    // Binds to bindAddress (empty: all interfaces) and port; when the port is
    // taken and anyPortIfBusy, to a port the system chooses. False with a message.
    bool Open(const std::string& bindAddress, std::uint16_t port, bool anyPortIfBusy, std::string& error);
    std::uint16_t LocalPort() const;

    // Who-Is to the address and port, for the whole range or [low, high].
    void SendWhoIs(std::uint32_t to, std::uint16_t port, std::optional<std::pair<std::uint32_t, std::uint32_t>> range);
    // Hands every I-Am that arrives within waitMs to onIAm (duplicates included).
    void CollectIAms(std::uint32_t waitMs, const std::function<void(const IAm&)>& onIAm);

    // One ReadProperty; with an index, that array element (0: the length).
    ReadOutcome ReadProperty(const DeviceAddress& device, std::uint32_t type, std::uint32_t instance,
                             std::uint32_t property, std::optional<std::uint32_t> index, std::uint32_t timeoutMs,
                             int attempts = 2);

private:
    struct Received {
        DeviceAddress from;
        std::vector<std::uint8_t> apdu;
    };
    void Send(const DeviceAddress& to, const std::vector<std::uint8_t>& apdu, bool broadcast, bool expectReply);
    // The next APDU within waitMs.
    std::optional<Received> Receive(std::uint32_t waitMs);
    static std::optional<IAm> ParseIAm(const Received& frame);

    platform::SocketHandle socket_ = platform::kNoSocket;
    std::uint8_t nextInvokeId_ = 1;
};

// "7F000002BAC0"-style hex of MAC octets.
std::string HexText(const std::vector<std::uint8_t>& octets);

}  // namespace vorne_tool
