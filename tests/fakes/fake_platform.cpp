#include "fake_platform.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "binding.h"
#include "platform.h"

FakePlatform g_platform;

void* FakeEntryAddress(uintptr_t entry) {
    static char addresses[0x10000];
    return EntryIsNumber(entry) ? &addresses[entry] : (void*)(entry ^ 0x5A5A0);
}

extern "C" void* PlatformFindLoadedModule(const char* name) {
    g_platform.LookedUpModules.push_back(name);
    return strcmp(name, "MERION") == 0 ? g_platform.HostModule : nullptr;
}

extern "C" void* PlatformLookupEntry(void* module, uintptr_t entry) {
    g_platform.Lookups.push_back(entry);
    if (!module || module != g_platform.HostModule) return nullptr;
    if (entry == ENTRY_HostBindingHook) return g_platform.BindingHook;
    auto& missing = g_platform.Missing;
    if (std::find(missing.begin(), missing.end(), entry) != missing.end()) return nullptr;
    return FakeEntryAddress(entry);
}

extern "C" uint32_t PlatformModuleFileName(void* module, char* buffer, uint32_t size) {
    if (module != ModuleInstance || g_platform.ModulePathFails || size == 0) return 0;
    // As the system does: a path that does not fit is cut and the full size returned.
    size_t length = std::min<size_t>(g_platform.ModulePath.size(), size - 1);
    memcpy(buffer, g_platform.ModulePath.data(), length);
    buffer[length] = 0;
    return g_platform.ModulePath.size() >= size ? size : (uint32_t)length;
}

extern "C" int32_t PlatformMessageBox(const char* text, const char* title, uint32_t style) {
    size_t shown = g_platform.Boxes.size();
    g_platform.Boxes.push_back({text, title, style});
    return shown < g_platform.BoxAnswers.size() ? g_platform.BoxAnswers[shown] : 3;
}

// The system's formatter writes at most 1024 bytes, terminator included.
extern "C" int wsprintfA(char* buffer, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    int length = vsnprintf(buffer, 1024, format, arguments);
    va_end(arguments);
    return length < 1024 ? length : 1023;
}

// Tracks a protection per address range start, as the system would report it.
static std::vector<std::pair<void*, uint32_t>> g_protection;

extern "C" int32_t PlatformProtect(void* address, uint32_t size, uint32_t protection,
                                   uint32_t* previous) {
    g_platform.Protects.push_back({address, size, protection});
    auto& fails = g_platform.ProtectFailsAt;
    if (std::find(fails.begin(), fails.end(), address) != fails.end()) return 0;
    *previous = FAKE_INITIAL_PROTECTION;
    for (auto& entry : g_protection)
        if (entry.first == address) {
            *previous = entry.second;
            entry.second = protection;
            return 1;
        }
    g_protection.push_back({address, protection});
    return 1;
}

extern "C" void PlatformFlushCode(void* address, uint32_t size) {
    g_platform.Flushes.push_back({address, size});
}

void FakePlatformReset() {
    g_protection.clear();
    g_platform = FakePlatform();
    static int hostModule;
    g_platform.HostModule = &hostModule;
    static int instance;
    ModuleInstance = &instance;
    HostModuleHandle = nullptr;
    IgnoreAllMissing = 0;
    LazyBindingHook = (HostBindingHookFn)NullStubTable[2];
    for (void*& slot : EntrySlots) slot = nullptr;
}
