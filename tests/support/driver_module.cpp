#include "support/driver_module.hpp"

#include <filesystem>

namespace testing_support {
namespace {

template <typename Fn>
bool Resolve(const platform::DynamicLibrary& library, const char* name, Fn& out, std::string& error) {
    out = reinterpret_cast<Fn>(library.Symbol(name));
    if (out == nullptr) error += std::string(error.empty() ? "" : ", ") + "missing " + name;
    return out != nullptr;
}

}  // namespace

DriverModule::DriverModule(const std::string& copyName) {
    std::string path = VORNE_LIBRARY_PATH;
    if (!copyName.empty()) {
        namespace fs = std::filesystem;
        copyPath_ = (fs::temp_directory_path() / copyName).string();
        std::error_code ignored;
        fs::copy_file(path, copyPath_, fs::copy_options::overwrite_existing, ignored);
        path = copyPath_;
    }
    library_ = platform::DynamicLibrary(path);
    if (!library_.IsLoaded()) {
        error_ = library_.Error();
        return;
    }
    bool ok = true;
    ok &= Resolve(library_, "UDrvOpenW", entries_.open, error_);
    ok &= Resolve(library_, "UDrvClose", entries_.close, error_);
    ok &= Resolve(library_, "UDrvOnIdle", entries_.onIdle, error_);
    ok &= Resolve(library_, "UDrvSetDriverTaskInterface", entries_.setDriverTaskInterface, error_);
    ok &= Resolve(library_, "UDrvGetTypeW", entries_.getType, error_);
    ok &= Resolve(library_, "UDrvValidHeaderW", entries_.validHeader, error_);
    ok &= Resolve(library_, "UDrvValidAddressW", entries_.validAddress, error_);
    ok &= Resolve(library_, "UDrvValidAddressExW", entries_.validAddressEx, error_);
    ok &= Resolve(library_, "UDrvGetHeaderAddressW", entries_.getHeaderAddress, error_);
    ok &= Resolve(library_, "UDrvCompareAddressW", entries_.compareAddress, error_);
    ok &= Resolve(library_, "UDrvAddGroupW", entries_.addGroup, error_);
    ok &= Resolve(library_, "UDrvRemoveGroup", entries_.removeGroup, error_);
    ok &= Resolve(library_, "UDrvReadGroupStartW", entries_.readGroupStart, error_);
    ok &= Resolve(library_, "UDrvReadGroupFinishExtW", entries_.readGroupFinish, error_);
    ok &= Resolve(library_, "UDrvWriteItemStartW", entries_.writeItemStart, error_);
    ok &= Resolve(library_, "UDrvWriteItemFinish", entries_.writeItemFinish, error_);
    complete_ = ok;
}

DriverModule::~DriverModule() {
    library_ = platform::DynamicLibrary();
    if (!copyPath_.empty()) {
        std::error_code ignored;
        std::filesystem::remove(copyPath_, ignored);
    }
}

vorne::DriverSettings BacnetIpSettings(std::uint32_t udpPort, std::uint16_t timeoutMs) {
    vorne::DriverSettings settings{};
    settings.timeout = timeoutMs;
    settings.retries = 3;
    settings.udpPort = udpPort;
    return settings;
}

vorne::DriverSettings MstpSettings(const char16_t* station) {
    vorne::DriverSettings settings{};
    settings.timeout = 1000;
    settings.useMstp = 1;
    vorne::SetSettingsText(settings.mstpStation, station);
    return settings;
}

}  // namespace testing_support
