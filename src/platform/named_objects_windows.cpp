// Named kernel objects, threads and events on Win32: the kernel objects
// themselves.
#include "platform/named_objects.hpp"

#include "platform/utf.hpp"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace platform {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Win32 wide characters are UTF-16");

namespace {

HANDLE Native(void* handle) { return static_cast<HANDLE>(handle); }

std::wstring WideName(const std::string& name) {
    const std::u16string text = Utf8ToUtf16(name);
    return std::wstring(reinterpret_cast<const wchar_t*>(text.data()), text.size());
}

bool CloseNative(void*& handle) {
    if (handle == nullptr) return true;
    const bool ok = ::CloseHandle(Native(handle)) != 0;
    handle = nullptr;
    return ok;
}

struct ThreadStart {
    void (*body)(void*);
    void* argument;
    HMODULE module;  // a reference to the module holding this code, or null
};

DWORD WINAPI ThreadEntry(LPVOID parameter) {
    const ThreadStart start = *static_cast<ThreadStart*>(parameter);
    delete static_cast<ThreadStart*>(parameter);
    start.body(start.argument);
    if (start.module != nullptr) ::FreeLibraryAndExitThread(start.module, 0);
    return 0;
}

}  // namespace

std::uint32_t CurrentProcessId() { return ::GetCurrentProcessId(); }

std::int32_t LastSystemError() { return static_cast<std::int32_t>(::GetLastError()); }

std::string SystemObjectName(NamedKind, const std::string& name) { return name; }

NamedMutex::~NamedMutex() { Close(); }

NamedMutex::CreateResult NamedMutex::Create(const std::string& name) {
    Close();
    const std::wstring wide = WideName(name);
    HANDLE h = ::CreateMutexW(nullptr, TRUE, wide.c_str());
    if (h == nullptr) return CreateResult::kFailed;
    // The initial ownership is ignored when the mutex existed already.
    const bool existed = ::GetLastError() == ERROR_ALREADY_EXISTS;
    handle_ = h;
    return existed ? CreateResult::kAlreadyExisted : CreateResult::kCreatedAndOwned;
}

bool NamedMutex::Wait(std::uint32_t timeoutMs) {
    if (handle_ == nullptr) return false;
    const DWORD r = ::WaitForSingleObject(Native(handle_), timeoutMs);
    return r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;
}

void NamedMutex::Release() {
    if (handle_ != nullptr) ::ReleaseMutex(Native(handle_));
}

bool NamedMutex::Close() { return CloseNative(handle_); }

SharedMapping::~SharedMapping() {
    UnmapView();
    Close();
}

bool SharedMapping::CreateOrOpen(const std::string& name, std::size_t size) {
    UnmapView();
    Close();
    const std::uint64_t bytes = size;
    const std::wstring wide = WideName(name);
    HANDLE h = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, static_cast<DWORD>(bytes >> 32),
                                    static_cast<DWORD>(bytes & 0xFFFFFFFFu), wide.c_str());
    if (h == nullptr) return false;
    handle_ = h;
    return true;
}

void* SharedMapping::MapView(std::size_t bytes) {
    if (handle_ == nullptr) return nullptr;
    UnmapView();
    void* view = ::MapViewOfFile(Native(handle_), FILE_MAP_ALL_ACCESS, 0, 0, bytes);
    if (view == nullptr) return nullptr;
    view_ = view;
    viewBytes_ = bytes;
    return view_;
}

bool SharedMapping::UnmapView() {
    if (view_ == nullptr) return true;
    const bool ok = ::UnmapViewOfFile(view_) != 0;
    view_ = nullptr;
    viewBytes_ = 0;
    return ok;
}

bool SharedMapping::Close() { return CloseNative(handle_); }

Event::~Event() { Close(); }

bool Event::Create() {
    Close();
    handle_ = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    return handle_ != nullptr;
}

void Event::Signal() {
    if (handle_ != nullptr) ::SetEvent(Native(handle_));
}

bool Event::Wait(std::uint32_t timeoutMs) {
    if (handle_ == nullptr) return false;
    return ::WaitForSingleObject(Native(handle_), timeoutMs) == WAIT_OBJECT_0;
}

bool Event::Close() { return CloseNative(handle_); }

Thread::~Thread() { Close(); }

bool Thread::Start(void (*body)(void*), void* argument) {
    if (handle_ != nullptr || body == nullptr) return false;
    // The module holding this code stays loaded until the thread has left it,
    // even when its host frees it first (a DLL that was never closed).
    HMODULE module = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&ThreadEntry), &module);
    auto* start = new ThreadStart{body, argument, module};
    HANDLE h = ::CreateThread(nullptr, 0, ThreadEntry, start, 0, nullptr);
    if (h == nullptr) {
        const DWORD error = ::GetLastError();
        if (module != nullptr) ::FreeLibrary(module);
        delete start;
        ::SetLastError(error);
        return false;
    }
    handle_ = h;
    return true;
}

bool Thread::Join(std::uint32_t timeoutMs) {
    if (handle_ == nullptr) return true;
    return ::WaitForSingleObject(Native(handle_), timeoutMs) == WAIT_OBJECT_0;
}

void Thread::Terminate() {
    if (handle_ != nullptr) ::TerminateThread(Native(handle_), 1);
}

bool Thread::Close() { return CloseNative(handle_); }

}  // namespace platform
