// The editor plug-ins' DLL entry point (the 32-bit .auf and the 64-bit
// .auf2 alike), placed in front of the C runtime's own.
//
// The OpenMP runtime is linked into the plug-in, so its worker threads run
// the plug-in's code and outlive the frame that started them; nothing can
// end them from outside. Two things follow:
//  - Once loaded, the plug-in pins itself: FreeLibrary no longer unmaps it,
//    and a LoadLibrary after it hands back the same image with its one
//    thread pool. Unmapping it would leave the workers running (or waking)
//    in freed code. The pin is taken here, before any thread can exist;
//    should it fail, the load fails, so that the host is told at once rather
//    than crashed after an unload.
//  - When the process terminates, Windows has already killed every other
//    thread, workers included, perhaps while they held the runtime's locks.
//    The C runtime's exit table would then run the OpenMP and thread
//    library teardown, which waits on those locks for ever. So a
//    terminating detach returns at once: the module's static destructors,
//    atexit functions and the OpenMP and thread libraries' own clean-up no
//    longer run at exit; the process's end frees all they held.
// Every other notification goes to the C runtime's entry unchanged.
#include <windows.h>

extern "C" BOOL WINAPI DllMainCRTStartup(HINSTANCE instance, DWORD reason, LPVOID reserved);

extern "C" BOOL WINAPI QuorlinDllEntry(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    HMODULE pinned = nullptr;
    const DWORD flags = GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN;
    if (!GetModuleHandleExW(flags, reinterpret_cast<LPCWSTR>(&QuorlinDllEntry), &pinned)) return FALSE;
  }
  // A non-null `reserved` on detach means the process is terminating.
  if (reason == DLL_PROCESS_DETACH && reserved != nullptr) return TRUE;
  return DllMainCRTStartup(instance, reason, reserved);
}
