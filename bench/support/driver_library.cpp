#include "bench/support/driver_library.hpp"

#include <filesystem>

#include "platform/named_objects.hpp"

namespace bench {
namespace {

template <typename Fn>
bool Resolve(const platform::DynamicLibrary& library, const char* name, Fn& out, std::string& error) {
    out = reinterpret_cast<Fn>(library.Symbol(name));
    if (out == nullptr) error += std::string(error.empty() ? "" : ", ") + "missing " + name;
    return out != nullptr;
}

}  // namespace

DriverLibrary::DriverLibrary(int copyIndex) {
    std::string path = VORNE_LIBRARY_PATH;
    if (copyIndex > 0) {
        namespace fs = std::filesystem;
        copyPath_ = (fs::temp_directory_path() / ("libvorne-bench-" + std::to_string(platform::CurrentProcessId()) +
                                                  "-" + std::to_string(copyIndex) + ".so"))
                        .string();
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
    ok &= Resolve(library_, "UDrvAddGroupW", entries_.addGroup, error_);
    ok &= Resolve(library_, "UDrvRemoveGroup", entries_.removeGroup, error_);
    ok &= Resolve(library_, "UDrvReadGroupStartW", entries_.readStart, error_);
    ok &= Resolve(library_, "UDrvReadGroupFinishExtW", entries_.readFinish, error_);
    complete_ = ok;
}

DriverLibrary::~DriverLibrary() {
    Close();
    library_ = platform::DynamicLibrary();
    if (!copyPath_.empty()) {
        std::error_code ignored;
        std::filesystem::remove(copyPath_, ignored);
    }
}

bool DriverLibrary::Open(std::uint32_t udpPort, std::uint16_t timeoutMs, std::int32_t& error) {
    vorne::DriverSettings settings{};
    settings.timeout = timeoutMs;
    settings.retries = 3;
    settings.udpPort = udpPort;
    char16_t version[16] = {};
    error = 0;
    open_ = entries_.open(nullptr, &settings, version, &error) == 1;
    return open_;
}

void DriverLibrary::Close() {
    if (!open_) return;
    entries_.close(nullptr);
    open_ = false;
}

}  // namespace bench
