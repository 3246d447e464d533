// Datatypes of properties, and the values of properties of the driver's own
// local objects, as the driver serves them to peers.
#pragma once

#include <cstdint>

#include "tables/datatype_table.hpp"
#include "tables/local_objects.hpp"
#include "tagcore.h"

namespace encoding {

// The exact (object type, property) entry, else the every-type entry, else 0
// (unknown).
using tables::GetDatatype;

// The reader of host-served local items: the host layer binds it to the host
// task interface once the host has handed one over, and clears it (an empty
// reader) when the interface goes away. Without a reader, host-served items
// are answered like any other property.
void SetLocalItemReader(tables::HostItemReader reader);

// The current value of a property of a local object into value. The Device
// object's local-time ("%d:%d:%d.%d" with milliseconds) and local-date
// ("%d-%d-%d", day-month-year) come from the clock; property 8 (all)
// succeeds without touching value, its caller encodes every property itself;
// anything else comes from the local tables. On failure errorCode receives
// the BACnet error code (32, unknown-property); on success it is left alone.
bool GetLocalPropertyValue(std::int32_t objectType, std::int32_t instance, std::int32_t property,
                           HostValue& value, std::int32_t& errorCode);

}  // namespace encoding
