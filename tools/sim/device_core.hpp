// The device's application layer: takes the APDUs addressed to it, answers
// confirmed requests (segmenting large answers the client can take in
// segments), Who-Is, and the client's Segment-ACKs and Aborts. A request
// longer than the device's max-APDU is rejected with buffer-overflow.
#pragma once

#include <cstddef>
#include <cstdint>

#include "sim/object_model.hpp"
#include "sim/segmenter.hpp"

namespace sim {

inline constexpr std::size_t kDeviceMaxApdu = 1476;

// Octets behind a max-APDU code of a request header; reserved codes count as the largest.
std::size_t MaxApduFromCode(std::uint8_t code);
// Segments behind a max-segments code; 0 when unspecified or unlimited.
std::size_t MaxSegmentsFromCode(std::uint8_t code);

class DeviceCore {
public:
    DeviceCore(ObjectDatabase& db, Segmenter::Send send, SegmentSettings settings)
        : db_(db),
          send_(send),
          segmenter_(send, settings),
          maxApdu_(settings.deviceMaxApdu),
          segmentsAnswers_(settings.segmentsAnswers) {}

    void OnApdu(const Peer& from, const std::uint8_t* apdu, std::size_t length, std::uint32_t now);
    void Tick(std::uint32_t now) { segmenter_.Tick(now); }
    std::size_t ActiveTransfers() const { return segmenter_.ActiveTransfers(); }

private:
    void OnConfirmedRequest(const Peer& from, const std::uint8_t* apdu, std::size_t length, std::uint32_t now);

    ObjectDatabase& db_;
    Segmenter::Send send_;
    Segmenter segmenter_;
    std::size_t maxApdu_;
    bool segmentsAnswers_;
};

}  // namespace sim
