// Windows code: the DLL entry point.
#include "syswin.h"

// Nothing runs at load beyond the static initialisers; the library needs no per-thread notifications.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        ::DisableThreadLibraryCalls(instance);
    return TRUE;
}
