// The items of this instance's last address parse, copied out of Tagcore's
// record as soon as the parse returns, and mapped to BACnet numbers through
// the order tables.
#pragma once

#include <cstdint>
#include <span>

namespace host {

struct ResolvedItem {
    std::int32_t objectType;
    std::int32_t instance;
    std::int32_t property;
    std::int32_t priority;  // -1 when the address gives none
};

// Has Tagcore parse a header and addresses into the record it handed out at
// open, and copies the items out: 0, or Tagcore's status (also when the
// driver was never opened).
std::int32_t ParseTagAddresses(const char16_t* header, const char16_t* firstAddressArgument,
                               const char16_t* const* addresses, std::int32_t count);

// Item `index` of the last parse; positions the tables lack map to 0, and an
// instance that comes out as -1 after the offset is used as 0. An index the
// last parse did not fill (or a failed parse) gives all zeros.
ResolvedItem ResolveParsedItem(std::int32_t index);
// All items of the last parse, in the host's order (empty after a failed one).
std::span<const ResolvedItem> ParsedItems();

}  // namespace host
