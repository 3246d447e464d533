// NPDU encoding (down to the active link) and decoding (up to the APDU
// dispatcher). The driver never routes and sends no network-layer messages.
#pragma once

#include <cstddef>
#include <cstdint>

#include "links/link_address.hpp"
#include "network/npdu_info.hpp"

namespace network {

// Wraps the APDU into an NPDU and sends it through the active link; the link's
// Send result. Marks the record expecting reply first.
std::int32_t EncodeNpdu(const LinkServices::LinkAddress& destination, NpduInfo& info, const std::uint8_t* apdu,
                        std::size_t apduLength);

// Builds the NPDU bytes without sending; EncodeNpdu's first half.
void BuildNpdu(NpduInfo& info, const std::uint8_t* apdu, std::size_t apduLength, std::uint8_t* out,
               std::size_t& outLength);

// Parses a received NPDU and hands the APDU to the dispatcher.
void ProcessNpdu(const LinkServices::LinkAddress& source, const std::uint8_t* frame, std::size_t length);

using ApduHandler = void (*)(const LinkServices::LinkAddress& source, const NpduInfo& info,
                             const std::uint8_t* apdu, std::size_t length);

// The layer above; the APDU dispatcher unless a test put another in its place.
ApduHandler SetApduHandler(ApduHandler handler);

}  // namespace network
