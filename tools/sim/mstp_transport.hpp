// MS/TP: the device as one station on a serial line. It answers the data
// frames addressed to it (or broadcast) with BACnet Data Not Expecting Reply
// frames; like the driver, it takes no part in token passing, so it suits a
// line with the driver alone (or a pseudo-terminal), not a live token ring.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "sim/byte_line.hpp"
#include "sim/transport.hpp"

namespace sim {

// The largest NPDU of a BACnet data frame.
inline constexpr std::size_t kMstpMaxNpdu = 501;
// The largest APDU that fits one frame beside a routed network header.
inline constexpr std::size_t kMstpMaxApdu = 480;

class MstpTransport : public Transport {
public:
    MstpTransport(std::unique_ptr<ByteLine> line, std::uint8_t station, const Placement& placement, Log log)
        : line_(std::move(line)), station_(station), placement_(placement), log_(std::move(log)) {}

    bool Receive(Incoming& incoming) override;
    void Send(const Peer& to, const encoding::ByteVector& apdu) override;
    std::string Describe() const override;
    const ByteLine& Line() const { return *line_; }

    // Frames dropped for a bad header or data CRC so far.
    std::uint64_t BadFrames() const { return badFrames_; }

private:
    // Takes the next whole frame off the front of pending_: true with a
    // request for this device, false when more octets are needed.
    bool NextFrame(Incoming& incoming);

    std::unique_ptr<ByteLine> line_;
    std::uint8_t station_;
    Placement placement_;
    Log log_;
    std::vector<std::uint8_t> pending_;
    std::vector<std::uint8_t> frame_;  // the data of the frame handed out last
    std::uint64_t badFrames_ = 0;
};

}  // namespace sim
