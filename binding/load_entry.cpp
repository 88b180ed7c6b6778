// The module's load-time routine and the lookup of the host library.
#include "binding.h"
#include "platform.h"
#include "texts.h"

extern "C" {
void* ModuleInstance = nullptr;
void* HostModuleHandle = nullptr;
}

enum { PROCESS_ATTACH = 1 };

extern "C" void BindHostModule(void) {
    if (HostModuleHandle) return;
    void* host = PlatformFindLoadedModule(HOST_LIBRARY_NAME);
    if (!host) return;  // the lazy binding keeps its default hook
    HostModuleHandle = host;
    LazyBindingHook = (HostBindingHookFn)PlatformLookupEntry(host, ENTRY_HostBindingHook);
}

extern "C" void LoadEntry(void* instance, uint32_t reason, void* reserved) {
    (void)reserved;
    if (reason != PROCESS_ATTACH) return;
    ModuleInstance = instance;
    BindHostModule();
}
