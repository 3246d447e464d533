// What Windows tells the driver DLL as a host loads and frees it.
//
// The driver keeps no state per thread, so the calls for every thread the
// host starts and ends are switched off. UDrvClose stops the receive thread
// and frees the shared tables; the receive thread holds a reference to this
// module while it runs (platform::Thread), so a host that frees the DLL
// without closing it never has the thread's code unmapped under it. Nothing
// here may wait for a thread: the loader lock is held.
//
// What the statically linked C++ runtime leaves behind at each unload is
// given back here, so that a host may load and free the DLL any number of
// times: the emergency buffer for exceptions, and the thread record that the
// threads library (winpthreads) makes for the host's thread that loads the
// DLL (a thread handle and an event, otherwise released only when that
// thread ends).
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace __gnu_cxx {
void __freeres() noexcept;  // the C++ runtime's release of its exception buffer
}

// The threads library's own TLS callback.
extern "C" PIMAGE_TLS_CALLBACK __xl_f;

namespace {

// Runs just before the threads library's callback (callbacks run in the
// order of their sections): on an unload by FreeLibrary it lets the library
// end its record of the calling thread as if that thread were ending.
void NTAPI ReleaseThreadRecord(PVOID module, DWORD reason, PVOID reserved) {
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr && __xl_f != nullptr)
        __xl_f(module, DLL_THREAD_DETACH, nullptr);
}

}  // namespace

extern "C" {
__attribute__((section(".CRT$XLE"), used)) PIMAGE_TLS_CALLBACK vorne_release_thread_record = ReleaseThreadRecord;

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) ::DisableThreadLibraryCalls(module);
    // Only on FreeLibrary: at process exit the memory goes with the process.
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) __gnu_cxx::__freeres();
    return TRUE;
}
}
