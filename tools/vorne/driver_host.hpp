// How `vorne` meets the driver: as a SCADA host does, through the sixteen
// exported entries of the loaded library, a settings record, groups and
// start/finish polling with idle ticks in between.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/dynamic_library.hpp"
#include "tagcore.h"
#include "vorne/settings_record.hpp"
#include "vorne/vorne.h"

namespace vorne_tool {

struct HostSettings {
    std::uint32_t udpPort = 47808;
    std::uint16_t timeoutMs = 3000;
    std::u16string nullValue;
    std::string mstpDevice;  // empty: BACnet/IP
    std::uint32_t baudRate = 38400;
    std::string mstpStation = "1";
};

struct TagValue {
    std::int32_t kind = 0;
    std::string text;  // the value as shown to users
    std::uint16_t quality = 0;
    std::uint64_t timeStamp = 0;
};

struct ScanResult {
    bool sent = false;        // the start entry sent a request
    std::int32_t status = 0;  // the start's or the finish's status
    bool statusWritten = false;
    std::vector<TagValue> values;
};

class DriverHost {
public:
    // Loads the library; Error() says why when Loaded() is false.
    explicit DriverHost(const std::string& libraryPath);
    ~DriverHost();

    bool Loaded() const { return loaded_; }
    const std::string& Error() const { return error_; }

    // 0 on success, else the driver's open error code.
    std::int32_t Open(const HostSettings& settings);
    void Close();

    void AddGroup(std::intptr_t handle, const std::u16string& station);
    void RemoveGroup(std::intptr_t handle);
    ScanResult Read(const std::u16string& station, const std::vector<std::u16string>& addresses);
    // Read, but while the station is not bound yet (status 13) the driver gets
    // idle ticks to hear the I-Am, for up to waitMs or until *stop.
    ScanResult ReadWhenBound(const std::u16string& station, const std::vector<std::u16string>& addresses,
                             std::uint32_t waitMs, const std::atomic<bool>* stop = nullptr);
    // The write's status (0 acknowledged).
    std::int32_t Write(const std::u16string& station, const std::u16string& address, const std::u16string& value);
    // Write, waiting for the station's binding as ReadWhenBound does.
    std::int32_t WriteWhenBound(const std::u16string& station, const std::u16string& address,
                                const std::u16string& value, std::uint32_t waitMs);
    // The driver's address check: 0, or the address status (104..108).
    std::int32_t CheckAddress(const std::u16string& address);
    std::int32_t TagType(const std::u16string& address);
    void Idle();

private:
    // Idle ticks for about 100 ms, time for an I-Am to arrive.
    void IdleAWhile();
    std::int32_t WaitForRead(std::vector<HostValue>& records, std::int32_t count, std::int32_t& status);

    platform::DynamicLibrary library_;
    bool loaded_ = false;
    bool open_ = false;
    std::string error_;
    HostSettings settings_;
    decltype(&UDrvOpenW) open_entry_ = nullptr;
    decltype(&UDrvClose) close_entry_ = nullptr;
    decltype(&UDrvOnIdle) idle_entry_ = nullptr;
    decltype(&UDrvGetTypeW) type_entry_ = nullptr;
    decltype(&UDrvValidAddressExW) valid_address_entry_ = nullptr;
    decltype(&UDrvAddGroupW) add_group_entry_ = nullptr;
    decltype(&UDrvRemoveGroup) remove_group_entry_ = nullptr;
    decltype(&UDrvReadGroupStartW) read_start_entry_ = nullptr;
    decltype(&UDrvReadGroupFinishExtW) read_finish_entry_ = nullptr;
    decltype(&UDrvWriteItemStartW) write_start_entry_ = nullptr;
    decltype(&UDrvWriteItemFinish) write_finish_entry_ = nullptr;
};

// The library next to this program (../src/libvorne.so in a build tree), or VORNE_DRIVER.
std::string DefaultLibraryPath(const char* argv0);

}  // namespace vorne_tool
