#include "platform/dynamic_library.hpp"

#include <utility>

#ifdef _WIN32
#include <windows.h>

#include "platform/utf.hpp"
#else
#include <dlfcn.h>
#endif

namespace platform {

DynamicLibrary::DynamicLibrary(const std::string& path) {
#ifdef _WIN32
    // The path is UTF-8; the ANSI call would read it in the system's code page.
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "Win32 wide characters are UTF-16");
    const std::u16string wide = Utf8ToUtf16(path);
    handle_ = reinterpret_cast<void*>(::LoadLibraryW(reinterpret_cast<const wchar_t*>(wide.c_str())));
    if (handle_ == nullptr) error_ = "LoadLibrary(" + path + ") failed with " + std::to_string(::GetLastError());
#else
    // RTLD_LOCAL: a second copy under another file name gets its own globals.
    handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) error_ = ::dlerror();
#endif
}

DynamicLibrary::~DynamicLibrary() {
    if (handle_ == nullptr) return;
#ifdef _WIN32
    ::FreeLibrary(reinterpret_cast<HMODULE>(handle_));
#else
    ::dlclose(handle_);
#endif
}

DynamicLibrary::DynamicLibrary(DynamicLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), error_(std::move(other.error_)) {}

DynamicLibrary& DynamicLibrary::operator=(DynamicLibrary&& other) noexcept {
    if (this != &other) {
        this->~DynamicLibrary();
        handle_ = std::exchange(other.handle_, nullptr);
        error_ = std::move(other.error_);
    }
    return *this;
}

void* DynamicLibrary::Symbol(const char* name) const {
    if (handle_ == nullptr) return nullptr;
#ifdef _WIN32
    return reinterpret_cast<void*>(::GetProcAddress(reinterpret_cast<HMODULE>(handle_), name));
#else
    return ::dlsym(handle_, name);
#endif
}

const void* ModuleContaining(const void* address) {
#ifdef _WIN32
    HMODULE module = nullptr;
    const DWORD flags = GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
    if (!::GetModuleHandleExW(flags, static_cast<LPCWSTR>(address), &module)) return nullptr;
    return module;
#else
    Dl_info info{};
    if (::dladdr(address, &info) == 0) return nullptr;
    return info.dli_fbase;
#endif
}

}  // namespace platform
