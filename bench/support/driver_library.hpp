// The bench host's view of the driver: one loaded copy of the library and
// its entries, called exactly as a SCADA host calls them.
#pragma once

#include <cstdint>
#include <string>

#include "platform/dynamic_library.hpp"
#include "vorne/settings_record.hpp"
#include "vorne/vorne.h"

namespace bench {

struct DriverEntries {
    decltype(&UDrvOpenW) open = nullptr;
    decltype(&UDrvClose) close = nullptr;
    decltype(&UDrvOnIdle) onIdle = nullptr;
    decltype(&UDrvAddGroupW) addGroup = nullptr;
    decltype(&UDrvRemoveGroup) removeGroup = nullptr;
    decltype(&UDrvReadGroupStartW) readStart = nullptr;
    decltype(&UDrvReadGroupFinishExtW) readFinish = nullptr;
};

class DriverLibrary {
public:
    // copyIndex 0: the built library; n > 0: a copy of it under a name of its
    // own, so that each copy has its own globals (a driver instance).
    explicit DriverLibrary(int copyIndex = 0);
    ~DriverLibrary();
    DriverLibrary(const DriverLibrary&) = delete;
    DriverLibrary& operator=(const DriverLibrary&) = delete;

    bool Loaded() const { return complete_; }
    const std::string& Error() const { return error_; }
    const DriverEntries* operator->() const { return &entries_; }

    // UDrvOpenW with a BACnet/IP settings record; true when it answered 1.
    bool Open(std::uint32_t udpPort, std::uint16_t timeoutMs, std::int32_t& error);
    void Close();

private:
    std::string copyPath_;
    platform::DynamicLibrary library_;
    DriverEntries entries_;
    bool complete_ = false;
    bool open_ = false;
    std::string error_;
};

}  // namespace bench
