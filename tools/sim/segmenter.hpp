// Segmented ComplexAcks from the device to a client: the first segment goes
// alone, then windows of the size the client's Segment-ACK grants; a window
// without an acknowledgement is sent again after a time-out, a few times.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "encoding/byte_vector.hpp"
#include "sim/peer.hpp"

namespace sim {

struct SegmentSettings {
    std::uint32_t timeoutMs = 2000;
    int retries = 3;
    std::uint8_t proposedWindow = 4;
    // The largest APDU the device sends or takes on its link.
    std::size_t deviceMaxApdu = 1476;
    // false: the device never segments; long answers get Abort segmentation-not-supported.
    bool segmentsAnswers = true;
};

class Segmenter {
public:
    using Send = std::function<void(const Peer&, const encoding::ByteVector& apdu)>;

    Segmenter(Send send, SegmentSettings settings) : send_(std::move(send)), settings_(settings) {}

    // Splits the body into payloads of segmentPayload octets and sends the first.
    void Begin(const Peer& peer, std::uint8_t invokeId, std::uint8_t service, const encoding::ByteVector& body,
               std::size_t segmentPayload, std::uint32_t now);
    void OnSegmentAck(const Peer& peer, std::uint8_t invokeId, std::uint8_t sequence, std::uint8_t window,
                      std::uint32_t now);
    void OnAbort(const Peer& peer, std::uint8_t invokeId);
    // Resends windows whose time-out expired; drops transfers out of retries.
    void Tick(std::uint32_t now);
    std::size_t ActiveTransfers() const { return transfers_.size(); }

private:
    struct Transfer {
        Peer peer;
        std::uint8_t invokeId = 0;
        std::uint8_t service = 0;
        std::vector<encoding::ByteVector> payloads;
        std::size_t windowStart = 0;  // first segment not acknowledged
        std::size_t windowEnd = 0;    // one past the last segment sent
        std::uint32_t sentAt = 0;
        int retriesLeft = 0;
    };
    using Key = std::pair<Peer, std::uint8_t>;

    void SendWindow(Transfer& transfer, std::uint32_t now);

    Send send_;
    SegmentSettings settings_;
    std::map<Key, Transfer> transfers_;
};

}  // namespace sim
