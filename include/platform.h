// Thin layer over the system services the portable logic needs. The Win32
// implementation lives in platform/win32.cpp; native tests provide their own.
#pragma once

#include <stdint.h>

#include "host_abi.h"

extern "C" {
// A loaded module by name, without loading it (null if absent).
void* PlatformFindLoadedModule(const char* name);
// An entry of a module by number (below 65536) or by name; null if absent.
void* PlatformLookupEntry(void* module, uintptr_t entry);
// Full path of a module's file; returns its length, 0 on failure.
uint32_t PlatformModuleFileName(void* module, char* buffer, uint32_t size);
// The system message box, no owner window. Returns the button pressed, or 0.
int32_t PlatformMessageBox(const char* text, const char* title, uint32_t style);
// Installs the calling thread's translator of structured exceptions in the C
// runtime the module runs with; the one set before is dropped.
void PlatformSetThreadExceptionTranslator(void* translator);
// Changes the protection of code memory (system protection constants);
// returns nonzero on success and the previous protection in *previous.
int32_t PlatformProtect(void* address, uint32_t size, uint32_t protection, uint32_t* previous);
// Makes freshly written code visible to the processor.
void PlatformFlushCode(void* address, uint32_t size);
}

// The text formatter of TESSEL.dll (wsprintfA): %s and %d only here, at most
// 1024 bytes written. Native builds supply their own with the same contract.
extern "C"
#if defined(_WIN32)
__declspec(dllimport)
#endif
int HOST_CALLER wsprintfA(char* buffer, const char* format, ...);
