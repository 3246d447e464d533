// Loading a library at run time, as a host loads the driver.
#pragma once

#include <string>

namespace platform {

class DynamicLibrary {
public:
    DynamicLibrary() = default;
    explicit DynamicLibrary(const std::string& path);
    ~DynamicLibrary();
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;
    DynamicLibrary(DynamicLibrary&& other) noexcept;
    DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;

    bool IsLoaded() const { return handle_ != nullptr; }
    const std::string& Error() const { return error_; }
    void* Symbol(const char* name) const;

private:
    void* handle_ = nullptr;
    std::string error_;
};

// The loaded library or program whose image holds `address` (a code address
// such as a caller's return address): one value per loaded module, nullptr
// when no module holds it.
const void* ModuleContaining(const void* address);

}  // namespace platform
