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
