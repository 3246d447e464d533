// What Windows tells the driver DLL as a host loads and frees it.
//
// The driver keeps no state per thread, so the calls for every thread the
// host starts and ends are switched off. Everything else is settled by the
// entries: UDrvClose stops the receive thread and frees the shared tables,
// and the receive thread holds a reference to this module while it runs
// (platform::Thread), so a host that frees the DLL without closing it never
// has the thread's code unmapped under it. Nothing here may wait for a
// thread: the loader lock is held.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH) ::DisableThreadLibraryCalls(module);
    return TRUE;
}
