// The host's description of the VORNE driver's addresses: object types and
// properties by name, in the positions that the driver's order tables use.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tagcore {

struct ObjectTypeEntry {
    std::int32_t objectType;  // BACnet number
    std::string_view name;    // ASHRAE 135 name in capitals with hyphens
    std::string_view alias;   // short form
};

inline constexpr int kObjectTypePositions = 25;
inline constexpr int kPropertyPositions = 183;

const ObjectTypeEntry& ObjectTypeAt(int position);

// Position of an object type given by name or alias (ASCII, any case).
std::optional<int> FindObjectTypePosition(std::u16string_view text);

// Property identifier at a position of the property order table.
std::int32_t PropertyAt(int position);

// Position of a property given by name (any case) or by decimal identifier.
std::optional<int> FindPropertyPosition(std::u16string_view text);

// ASHRAE 135 name of a property identifier, empty when unknown.
std::string_view PropertyName(std::int32_t identifier);

}  // namespace tagcore
