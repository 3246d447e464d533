// Display names of BACnet numbers for the trace lines: error classes, error
// codes, object types and property identifiers. The spaces around each name
// belong to it and show in the lines as they are. No table maps names back to
// numbers; address parsing does not use them.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace tables {

enum class NameTable { kErrorClass, kErrorCode, kObjectType, kProperty };

using NameMap = std::map<std::int32_t, std::u16string>;

// Writes every name over what the tables hold, so a second open leaves them
// as the first did. Empty entries added by NameOf stay.
void BuildNameTables();

// The name of a number. A number the table lacks gets an empty entry, and its
// name is the empty text. The reference stays valid until unload.
const std::u16string& NameOf(NameTable table, std::int32_t number);

// The whole table, for diagnostics and tests.
const NameMap& NameTableEntries(NameTable table);

}  // namespace tables
