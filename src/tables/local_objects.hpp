// Local objects whose properties the host serves, and the lookup that answers
// a peer about a property of any local object. The driver itself adds no
// local objects, so every answer comes from the Device property table unless
// a filler puts entries into the two tables here.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <utility>

#include "tagcore.h"

namespace tables {

// BACnet error code of a property the local objects do not have.
inline constexpr std::int32_t kErrorUnknownProperty = 32;

// The host's reference to the item that holds a local property's value.
using HostItemHandle = std::uintptr_t;

using LocalObjectKey = std::pair<std::int32_t, std::int32_t>;    // (object type, instance)
using LocalObjectTable = std::map<LocalObjectKey, std::int32_t>;  // -> local object index
using LocalPropertyKey = std::pair<std::int32_t, std::int32_t>;  // (local object index, instance)
using LocalPropertyTable = std::map<LocalPropertyKey, std::map<std::int32_t, HostItemHandle>>;  // property -> item

LocalObjectTable& LocalObjects();
LocalPropertyTable& LocalProperties();

// Reads a host-served value into value. The driver binds it to the host task
// interface's fetch operation; the tables know nothing of that interface.
using HostItemReader = std::function<void(std::int32_t objectIndex, HostItemHandle item, HostValue& value)>;

// Looks up a property of local object (objectType, instance):
// - a property the local property table holds is read through readHostItem;
//   with no reader (no task interface yet) it is answered from the Device
//   property table like any other;
// - otherwise the Device property table, by property alone: a missing
//   property gets a kCategoryMissing entry. Missing and kCategoryMissing
//   entries give kErrorUnknownProperty; kCategoryObjectList gives 0 and leaves
//   value untouched (its coder builds the list); any other entry is copied
//   into value, kind included, and gives 0.
// Returns 0 on success, else the BACnet error code.
std::int32_t LookupLocalProperty(std::int32_t objectType, std::int32_t instance, std::int32_t property,
                                 HostValue& value, const HostItemReader& readHostItem = {});

}  // namespace tables
