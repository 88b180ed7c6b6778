// Memory probes of the MERION stand-in: the stand-in must report a bad pointer
// or an unterminated text as a violation, not fault on it, so every argument
// is checked against the page protections before it is read.
#include <windows.h>

#include "standin.h"

namespace {

const DWORD READABLE = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                       PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
const DWORD WRITABLE = PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE |
                       PAGE_EXECUTE_WRITECOPY;

// Number of bytes from address to the end of its region if that region is
// committed and accessible as asked; 0 otherwise.
uintptr_t AccessibleRun(uintptr_t address, bool writable) {
    MEMORY_BASIC_INFORMATION region;
    if (!VirtualQuery((const void*)address, &region, sizeof region)) return 0;
    if (region.State != MEM_COMMIT) return 0;
    if (region.Protect & (PAGE_GUARD | PAGE_NOACCESS)) return 0;
    if (!(region.Protect & (writable ? WRITABLE : READABLE))) return 0;
    return (uintptr_t)region.BaseAddress + region.RegionSize - address;
}

}  // namespace

bool SafeRange(const void* address, uint32_t size, bool writable) {
    uintptr_t at = (uintptr_t)address;
    uintptr_t end = at + size;
    if (end < at) return false;
    while (at < end) {
        uintptr_t run = AccessibleRun(at, writable);
        if (!run) return false;
        at += run;
    }
    return true;
}

int32_t SafeTextLength(const char* text, uint32_t bound) {
    uintptr_t at = (uintptr_t)text;
    uint32_t length = 0;
    while (length < bound) {
        uintptr_t run = AccessibleRun(at + length, false);
        if (!run) return -1;
        for (; run && length < bound; --run, ++length)
            if (text[length] == 0) return (int32_t)length;
    }
    return -1;
}
