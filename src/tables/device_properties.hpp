// The property values the driver serves for its own Device object. Peers
// that read any object's property are answered from here (see
// local_objects.hpp), keyed by property identifier alone.
#pragma once

#include <cstdint>
#include <map>

#include "tagcore.h"

namespace tables {

// Entry categories. 0: the property does not exist (what a lookup of a
// missing property inserts). 76: the object list, whose value the object-list
// coder builds, so none is kept here. Anything else (2, 8, 9) is served from
// the stored value.
inline constexpr std::int32_t kCategoryMissing = 0;
inline constexpr std::int32_t kCategoryObjectList = 76;

// max-apdu-length-accepted when no link is active at build time.
inline constexpr std::int32_t kMaxApduWithoutLink = 512;

struct DeviceProperty {
    std::int32_t category = kCategoryMissing;
    HostValue value{};  // kind 1 integer, kind 3 text, or kind 0 for none
};

using DevicePropertyMap = std::map<std::int32_t, DeviceProperty>;

// Writes the Device object's entries with assign-or-insert; only the three
// settings-dependent ones can differ from one open to the next. maxApduLength
// is the active link's largest frame, kMaxApduWithoutLink without a link.
void BuildDevicePropertyTable(std::uint16_t timeoutMs, std::uint32_t retries, std::int32_t maxApduLength);

DevicePropertyMap& DeviceProperties();

}  // namespace tables
