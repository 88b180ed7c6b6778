// The module's entry point: LoadEntry before the runtime starts, the runtime's
// own entry, then the host entry table's binding initialisers.
#include <windows.h>

#include "binding.h"

extern "C" BOOL WINAPI DllMainCRTStartup(HINSTANCE, DWORD, LPVOID);

extern "C" BOOL WINAPI DllEntry(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason != DLL_PROCESS_ATTACH) {
        // Clean-up order: the runtime's first, then ours.
        BOOL result = DllMainCRTStartup(instance, reason, reserved);
        LoadEntry(instance, reason, reserved);
        return result;
    }
    // The hook of the lazy binding must be in place before the runtime's
    // start-up makes its first lazy calls.
    LoadEntry(instance, reason, reserved);
    if (!DllMainCRTStartup(instance, reason, reserved)) return FALSE;
    // The binding initialisers are the last step of initialisation. This
    // runtime runs its own initialiser table with _initterm, which ignores
    // results, so they run here, where the first failure can fail the load.
    // On FALSE the loader calls us again for detach, which cleans up the runtime.
    return RunBindingInitialisers() == 0;
}
