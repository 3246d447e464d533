// Tagcore's records of the drivers registered in this process. A host loads
// one copy of a driver library per driver instance; each copy calls Tagcore
// from its own code, so the module a call comes from tells the instances
// apart. Each gets its own parsed-address record (handed out once at
// registration and refilled by every parse) and its own header-address
// record, so no instance ever sees another's parse.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "tagcore.h"
#include "tagcore/address_cache.hpp"

namespace tagcore {

struct DriverRecord {
    std::mutex mutex;  // one instance may still call from several threads
    ParsedAddressRecord record{};
    std::vector<ParsedAddressItem> items;
    std::vector<ParsedAddressItem> nextItems;  // filled by a parse, swapped in when it succeeds
    AddressCache parsedAddresses;
    HeaderAddressRecord headerAddress{};
};

// Registers the module that holds `callerAddress` (a return address into the
// caller's code) and returns its record; registering again returns the same
// record. Records live as long as the process, so a pointer handed out never
// dangles.
DriverRecord& RegisterCaller(const void* callerAddress);

// The record of the registered module that holds `callerAddress`, or nullptr.
DriverRecord* RecordOfCaller(const void* callerAddress);

}  // namespace tagcore
