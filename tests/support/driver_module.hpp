// A test host: loads the driver library and calls it only through its
// exported entries, as a SCADA host does. Each DriverModule may load its own
// copy of the file (under another name), so that copies have separate globals.
#pragma once

#include <cstdint>
#include <string>

#include "platform/dynamic_library.hpp"
#include "vorne/settings_record.hpp"
#include "vorne/vorne.h"

namespace testing_support {

struct DriverEntries {
    decltype(&UDrvOpenW) open = nullptr;
    decltype(&UDrvClose) close = nullptr;
    decltype(&UDrvOnIdle) onIdle = nullptr;
    decltype(&UDrvSetDriverTaskInterface) setDriverTaskInterface = nullptr;
    decltype(&UDrvGetTypeW) getType = nullptr;
    decltype(&UDrvValidHeaderW) validHeader = nullptr;
    decltype(&UDrvValidAddressW) validAddress = nullptr;
    decltype(&UDrvValidAddressExW) validAddressEx = nullptr;
    decltype(&UDrvGetHeaderAddressW) getHeaderAddress = nullptr;
    decltype(&UDrvCompareAddressW) compareAddress = nullptr;
    decltype(&UDrvAddGroupW) addGroup = nullptr;
    decltype(&UDrvRemoveGroup) removeGroup = nullptr;
    decltype(&UDrvReadGroupStartW) readGroupStart = nullptr;
    decltype(&UDrvReadGroupFinishExtW) readGroupFinish = nullptr;
    decltype(&UDrvWriteItemStartW) writeItemStart = nullptr;
    decltype(&UDrvWriteItemFinish) writeItemFinish = nullptr;
};

class DriverModule {
public:
    // copyName empty: the built library itself; else a copy under that file name.
    explicit DriverModule(const std::string& copyName = "");
    ~DriverModule();

    bool Loaded() const { return complete_; }
    const std::string& Error() const { return error_; }
    const DriverEntries& Entries() const { return entries_; }
    const DriverEntries* operator->() const { return &entries_; }

private:
    std::string copyPath_;
    platform::DynamicLibrary library_;
    DriverEntries entries_;
    bool complete_ = false;
    std::string error_;
};

// A settings record for BACnet/IP on the given port.
vorne::DriverSettings BacnetIpSettings(std::uint32_t udpPort, std::uint16_t timeoutMs = 1000);
// A settings record for MS/TP with the given own-station text.
vorne::DriverSettings MstpSettings(const char16_t* station);

}  // namespace testing_support
