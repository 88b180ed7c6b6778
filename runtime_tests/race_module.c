/* RACEMOD.dll: one forwarded service (race_module_exports.def); the module's
 * only code is its entry point. Built without the C runtime. */
#include <windows.h>

BOOL WINAPI RaceModuleEntry(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}
