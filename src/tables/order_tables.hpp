// The host's address grammar names object types and properties by their
// position in its lists; these tables turn positions into BACnet numbers.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>

namespace tables {

using OrderMap = std::map<std::int32_t, std::int32_t>;  // position -> BACnet number

// Assign-or-insert, so a second open leaves the tables as the first did.
void BuildOrderTables();

// Nothing for a position the tables do not hold.
std::optional<std::int32_t> ObjectTypeAtPosition(std::int32_t position);
std::optional<std::int32_t> PropertyAtPosition(std::int32_t position);

// What PropertyAtPosition gives for each position, as one array, while the
// table holds exactly its built-in list (as after every open); empty
// otherwise. For callers that map many positions at once.
std::span<const std::int32_t> LoadedPropertyNumbers();

const OrderMap& ObjectTypeOrder();
const OrderMap& PropertyOrder();

}  // namespace tables
