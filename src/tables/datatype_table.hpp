// What BACnet data type carries each property, and which host tag type shows
// each data type.
#pragma once

#include <cstdint>
#include <map>
#include <utility>

namespace tables {

// Object type of the entries that hold for every object type.
inline constexpr std::int32_t kAnyObjectType = -1;

// Host tag types.
inline constexpr std::int32_t kHostTagInteger = 1;
inline constexpr std::int32_t kHostTagReal = 2;
inline constexpr std::int32_t kHostTagText = 3;

using DatatypeKey = std::pair<std::int32_t, std::int32_t>;  // (object type, property)
using DatatypeMap = std::map<DatatypeKey, std::int32_t>;    // -> application tag number
using HostTypeMap = std::map<std::int32_t, std::int32_t>;   // application tag number -> host tag type

// Both assign-or-insert, so a second open leaves the tables as the first did.
void BuildDatatypeTable();
void BuildHostTypeTable();

// The exact (object type, property) entry, else the every-type entry, else 0.
// 0 means unknown: a Null property cannot be served.
std::int32_t GetDatatype(std::int32_t objectType, std::int32_t property);

// 1, 2 or 3. A data type outside the table gives 1, the host's plain integer
// tag, which is also what the host gets for a property without data type.
std::int32_t HostTypeOf(std::int32_t datatype);

const DatatypeMap& DatatypeTable();
const HostTypeMap& HostTypeTable();

}  // namespace tables
