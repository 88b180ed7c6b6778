// Win32 implementation of the thin platform layer.
#include <windows.h>

#include <stdarg.h>

#include "platform.h"

extern "C" void* PlatformFindLoadedModule(const char* name) {
    return (void*)GetModuleHandleA(name);
}

extern "C" void* PlatformLookupEntry(void* module, uintptr_t entry) {
    return (void*)GetProcAddress((HMODULE)module, (const char*)entry);
}

extern "C" uint32_t PlatformModuleFileName(void* module, char* buffer, uint32_t size) {
    return GetModuleFileNameA((HMODULE)module, buffer, size);
}

extern "C" int32_t PlatformMessageBox(const char* text, const char* title, uint32_t style) {
    return MessageBoxA(nullptr, text, title, style);
}

// TESSEL.dll's four interlocked operations are load-time requirements of the
// module (it must not load where TESSEL.dll lacks them) but are never called;
// this table of their import slots is what makes the linker import them.
extern "C" {
extern void* _imp__InterlockedCompareExchange_slot __asm__("__imp__InterlockedCompareExchange@12");
extern void* _imp__InterlockedExchange_slot __asm__("__imp__InterlockedExchange@8");
extern void* _imp__InterlockedDecrement_slot __asm__("__imp__InterlockedDecrement@4");
extern void* _imp__InterlockedIncrement_slot __asm__("__imp__InterlockedIncrement@4");
}
__attribute__((used)) static void* const* const TesselRequiredImports[] = {
    &_imp__InterlockedCompareExchange_slot,
    &_imp__InterlockedExchange_slot,
    &_imp__InterlockedDecrement_slot,
    &_imp__InterlockedIncrement_slot,
};

// The C runtime's per-thread translator of structured exceptions. msvcrt.dll
// exports it only under its C++ name, which this compiler cannot spell, so it
// is looked up by that name.
extern "C" void PlatformSetThreadExceptionTranslator(void* translator) {
    typedef void*(__cdecl * SetTranslatorFn)(void*);
    static const char name[] = "?_set_se_translator@@YAP6AXIPAU_EXCEPTION_POINTERS@@@ZP6AXI0@Z@Z";
    HMODULE runtime = GetModuleHandleA("msvcrt.dll");
    SetTranslatorFn setTranslator =
        runtime ? (SetTranslatorFn)(void*)GetProcAddress(runtime, name) : nullptr;
    if (setTranslator) setTranslator(translator);
}

extern "C" int32_t PlatformProtect(void* address, uint32_t size, uint32_t protection,
                                   uint32_t* previous) {
    DWORD old = 0;
    BOOL done = VirtualProtect(address, size, protection, &old);
    *previous = old;
    return done ? 1 : 0;
}

extern "C" void PlatformFlushCode(void* address, uint32_t size) {
    FlushInstructionCache(GetCurrentProcess(), address, size);
}
