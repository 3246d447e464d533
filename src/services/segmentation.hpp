// Reassembly of segmented ComplexAcks. The driver never sends segmented
// messages; it collects a peer's segments in sequence order, acknowledges
// them and hands the whole answer back to the ComplexAck dispatch.
#pragma once

#include <cstddef>
#include <cstdint>

#include "links/link_address.hpp"
#include "network/npdu_info.hpp"

namespace APDUServices {

// The service choice and the joined data of one answer. Requests announce
// no more segments than this holds (apdu_headers).
inline constexpr std::size_t kReassemblyBufferBytes = 16384;

// One segment: data starts behind the 5-byte segmented ComplexAck header.
// A segment in sequence is joined; a repeated one is dropped (the last one
// in sequence acknowledged again when it ends a window); one that leaves a
// gap is dropped and answered with a negative Segment-ACK for the last one in
// sequence, so that the server resends from there.
void SegmentReceived(const LinkServices::LinkAddress& source, const network::NpduInfo& npdu, std::uint8_t invokeId,
                     std::uint8_t sequence, std::uint8_t proposedWindow, bool moreFollows, const std::uint8_t* data,
                     std::size_t length);

// True with the service choice and the joined data in the returned buffer
// once the final segment is in; false while open or after a refusal.
bool MessageComplete(std::uint8_t invokeId, std::uint8_t serviceChoice, const std::uint8_t*& message,
                     std::size_t& length);

std::int32_t SendSegmentAck(const LinkServices::LinkAddress& destination, const network::NpduInfo& received,
                            std::uint8_t invokeId, std::uint8_t sequence, std::uint8_t windowSize,
                            bool negative = false);

// Forgets every reassembly in progress.
void ClearReassembly();

}  // namespace APDUServices
