#include "tools/vorne/driver_host.hpp"

#include <cstdlib>
#include <filesystem>

#include "platform/clock.hpp"
#include "platform/utf.hpp"
#include "tools/vorne/value_text.hpp"

namespace vorne_tool {
namespace {

constexpr std::uint32_t kPollIntervalMs = 5;
constexpr std::int32_t kStatusNotBound = 13;

template <typename Fn>
bool Resolve(const platform::DynamicLibrary& library, const char* name, Fn& out, std::string& error) {
    out = reinterpret_cast<Fn>(library.Symbol(name));
    if (out == nullptr) error = std::string("the driver library lacks the entry ") + name;
    return out != nullptr;
}

}  // namespace

std::string DefaultLibraryPath(const char* argv0) {
    if (const char* path = std::getenv("VORNE_DRIVER"); path != nullptr && *path != '\0') return path;
    namespace fs = std::filesystem;
    std::error_code ignored;
    const fs::path self = fs::canonical(fs::path(argv0), ignored);
    const fs::path dir = self.empty() ? fs::path(argv0).parent_path() : self.parent_path();
#ifdef _WIN32
    const char* file = "VORNE.dll";
#else
    const char* file = "libvorne.so";
#endif
    for (const fs::path& candidate : {dir / file, dir.parent_path() / "src" / file, dir.parent_path() / "lib" / file})
        if (fs::exists(candidate, ignored)) return candidate.string();
    return (dir.parent_path() / "src" / file).string();
}

DriverHost::DriverHost(const std::string& libraryPath) : library_(libraryPath) {
    if (!library_.IsLoaded()) {
        error_ = "cannot load the driver library " + libraryPath + ": " + library_.Error();
        return;
    }
    loaded_ = Resolve(library_, "UDrvOpenW", open_entry_, error_) && Resolve(library_, "UDrvClose", close_entry_, error_) &&
              Resolve(library_, "UDrvOnIdle", idle_entry_, error_) &&
              Resolve(library_, "UDrvGetTypeW", type_entry_, error_) &&
              Resolve(library_, "UDrvValidAddressExW", valid_address_entry_, error_) &&
              Resolve(library_, "UDrvAddGroupW", add_group_entry_, error_) &&
              Resolve(library_, "UDrvRemoveGroup", remove_group_entry_, error_) &&
              Resolve(library_, "UDrvReadGroupStartW", read_start_entry_, error_) &&
              Resolve(library_, "UDrvReadGroupFinishExtW", read_finish_entry_, error_) &&
              Resolve(library_, "UDrvWriteItemStartW", write_start_entry_, error_) &&
              Resolve(library_, "UDrvWriteItemFinish", write_finish_entry_, error_);
}

DriverHost::~DriverHost() { Close(); }

std::int32_t DriverHost::Open(const HostSettings& settings) {
    settings_ = settings;
    vorne::DriverSettings record{};
    record.timeout = settings.timeoutMs;
    record.retries = 3;
    record.udpPort = settings.udpPort;
    std::u16string nullSpec = settings.nullValue;
    vorne::SetSettingsText(record.nullValueSpec, nullSpec.c_str());
    if (!settings.mstpDevice.empty()) {
        record.useMstp = 1;
        vorne::SetSettingsText(record.mstpStation, platform::Utf8ToUtf16(settings.mstpStation).c_str());
        vorne::SetSettingsText(record.serialDevice, platform::Utf8ToUtf16(settings.mstpDevice).c_str());
        record.serialBaudRate = settings.baudRate;
        record.serialDataBits = 8;
        record.serialStopBits = 1;
    }
    char16_t version[16] = {};
    std::int32_t error = 0;
    open_ = open_entry_(nullptr, &record, version, &error) == 1;
    return open_ ? 0 : (error != 0 ? error : -1);
}

void DriverHost::Close() {
    if (!open_) return;
    close_entry_(nullptr);
    open_ = false;
}

void DriverHost::AddGroup(std::intptr_t handle, const std::u16string& station) {
    add_group_entry_(reinterpret_cast<void*>(handle), station.c_str());
}

void DriverHost::RemoveGroup(std::intptr_t handle) { remove_group_entry_(reinterpret_cast<void*>(handle)); }

void DriverHost::Idle() { idle_entry_(); }

std::int32_t DriverHost::TagType(const std::u16string& address) { return type_entry_(nullptr, address.c_str()); }

std::int32_t DriverHost::CheckAddress(const std::u16string& address) { return valid_address_entry_(address.c_str()); }

void DriverHost::IdleAWhile() {
    for (int i = 0; i < 10; ++i) {
        idle_entry_();
        platform::SleepMs(10);
    }
}

ScanResult DriverHost::ReadWhenBound(const std::u16string& station, const std::vector<std::u16string>& addresses,
                                     std::uint32_t waitMs, const std::atomic<bool>* stop) {
    const std::uint32_t started = platform::TickCount();
    ScanResult scan = Read(station, addresses);
    while (!scan.sent && scan.status == kStatusNotBound && platform::TickCount() - started < waitMs &&
           (stop == nullptr || !*stop)) {
        IdleAWhile();
        scan = Read(station, addresses);
    }
    return scan;
}

std::int32_t DriverHost::WriteWhenBound(const std::u16string& station, const std::u16string& address,
                                        const std::u16string& value, std::uint32_t waitMs) {
    const std::uint32_t started = platform::TickCount();
    std::int32_t status = Write(station, address, value);
    while (status == kStatusNotBound && platform::TickCount() - started < waitMs) {
        IdleAWhile();
        status = Write(station, address, value);
    }
    return status;
}

std::int32_t DriverHost::WaitForRead(std::vector<HostValue>& records, std::int32_t count, std::int32_t& status) {
    for (;;) {
        if (read_finish_entry_(records.data(), 0, count, &status) == 1) return 1;
        idle_entry_();
        platform::SleepMs(kPollIntervalMs);
    }
}

ScanResult DriverHost::Read(const std::u16string& station, const std::vector<std::u16string>& addresses) {
    ScanResult result;
    std::vector<const char16_t*> texts;
    for (const auto& address : addresses) texts.push_back(address.c_str());
    const auto count = static_cast<std::int32_t>(texts.size());
    constexpr std::int32_t kUnwritten = 0x7FFFFFF0;
    std::int32_t status = kUnwritten;
    result.sent = read_start_entry_(station.c_str(), nullptr, texts.data(), count, &status) == 1;
    if (!result.sent) {
        result.status = status;
        result.statusWritten = true;
        return result;
    }
    std::vector<HostValue> records(texts.size());
    status = kUnwritten;
    WaitForRead(records, count, status);
    result.statusWritten = status != kUnwritten;
    result.status = result.statusWritten ? status : 0;
    for (const HostValue& record : records) result.values.push_back(DescribeValue(record));
    return result;
}

std::int32_t DriverHost::Write(const std::u16string& station, const std::u16string& address,
                               const std::u16string& value) {
    HostValue record{};
    if (!EncodeHostValue(value, TagType(address), settings_.nullValue, record)) return 18;
    std::int32_t status = 0;
    const std::int32_t started = write_start_entry_(station.c_str(), nullptr, address.c_str(), &record, &status);
    if (started == 20) return 20;
    if (started != 1) return status;
    for (;;) {
        if (write_finish_entry_(&status) == 1) return status;
        idle_entry_();
        platform::SleepMs(kPollIntervalMs);
    }
}

}  // namespace vorne_tool
