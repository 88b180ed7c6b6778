// Process-level safety and state snapshots (process_guard.h).
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <tlhelp32.h>

#include "process_guard.h"

namespace {

const char* FaultContext = "start-up";

LONG WINAPI LastResortFilter(EXCEPTION_POINTERS* pointers) {
    const EXCEPTION_RECORD* record = pointers->ExceptionRecord;
    printf("FAULT during %s: exception 0x%08lX at %p", FaultContext,
           (unsigned long)record->ExceptionCode, record->ExceptionAddress);
    if (record->ExceptionCode == EXCEPTION_ACCESS_VIOLATION && record->NumberParameters >= 2)
        printf(" (%s %p)", record->ExceptionInformation[0] ? "writing" : "reading",
               (void*)record->ExceptionInformation[1]);
    printf("\n");
    fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

int CompareHandles(const void* a, const void* b) {
    uintptr_t x = *(const uintptr_t*)a, y = *(const uintptr_t*)b;
    return x < y ? -1 : x > y ? 1 : 0;
}

bool IsIgnored(HMODULE module, const char* const* ignored, uint32_t ignoredCount) {
    char path[MAX_PATH];
    if (!GetModuleFileNameA(module, path, sizeof path)) return false;
    const char* name = strrchr(path, '\\');
    name = name ? name + 1 : path;
    for (uint32_t i = 0; i < ignoredCount; ++i)
        if (_stricmp(name, ignored[i]) == 0) return true;
    return false;
}

uint32_t CountThreads() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    uint32_t count = 0;
    THREADENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
    CloseHandle(snapshot);
    return count;
}

void ModuleName(HMODULE module, char* name, uint32_t size) {
    char path[MAX_PATH];
    if (!GetModuleFileNameA(module, path, sizeof path)) {
        snprintf(name, size, "%p", (void*)module);
        return;
    }
    const char* base = strrchr(path, '\\');
    snprintf(name, size, "%s", base ? base + 1 : path);
}

}  // namespace

void GuardProcess() {
    SetUnhandledExceptionFilter(LastResortFilter);
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    _setmode(_fileno(stdout), _O_BINARY);
    setvbuf(stdout, nullptr, _IONBF, 0);
}

void SetFaultContext(const char* activity) { FaultContext = activity; }

bool LastResortFilterIntact() {
    return SetUnhandledExceptionFilter(LastResortFilter) == LastResortFilter;
}

void TakeProcessState(ProcessState* state, const char* const* ignored, uint32_t ignoredCount) {
    memset(state, 0, sizeof *state);
    HMODULE modules[256];
    DWORD bytes = 0;
    if (EnumProcessModules(GetCurrentProcess(), modules, sizeof modules, &bytes)) {
        uint32_t count = bytes / sizeof(HMODULE);
        if (count > 256) count = 256;
        for (uint32_t i = 0; i < count; ++i)
            if (!IsIgnored(modules[i], ignored, ignoredCount))
                state->Modules[state->ModuleCount++] = modules[i];
        qsort(state->Modules, state->ModuleCount, sizeof(HMODULE), CompareHandles);
    }
    state->ThreadCount = CountThreads();
    __asm__ volatile("movl %%fs:0, %0" : "=r"(state->ExceptionChain));
    __asm__ volatile("fnstcw %0" : "=m"(state->FpuControl));
    __asm__ volatile("stmxcsr %0" : "=m"(state->SseControl));
    GetCurrentDirectoryA(sizeof state->CurrentDirectory, state->CurrentDirectory);
}

bool DescribeStateChange(const ProcessState& before, const ProcessState& after, char* text,
                         uint32_t size) {
    char name[MAX_PATH];
    for (uint32_t i = 0, j = 0; i < before.ModuleCount || j < after.ModuleCount;) {
        if (j == after.ModuleCount ||
            (i < before.ModuleCount && (uintptr_t)before.Modules[i] < (uintptr_t)after.Modules[j])) {
            ModuleName(before.Modules[i], name, sizeof name);
            snprintf(text, size, "module %p unloaded (%s)", (void*)before.Modules[i], name);
            return true;
        }
        if (i == before.ModuleCount || (uintptr_t)after.Modules[j] < (uintptr_t)before.Modules[i]) {
            ModuleName(after.Modules[j], name, sizeof name);
            snprintf(text, size, "module %s left loaded", name);
            return true;
        }
        ++i, ++j;
    }
    if (before.ThreadCount != after.ThreadCount) {
        snprintf(text, size, "threads: expected %u, got %u", (unsigned)before.ThreadCount,
                 (unsigned)after.ThreadCount);
        return true;
    }
    if (before.ExceptionChain != after.ExceptionChain) {
        snprintf(text, size, "exception chain head: expected %p, got %p", before.ExceptionChain,
                 after.ExceptionChain);
        return true;
    }
    if (before.FpuControl != after.FpuControl) {
        snprintf(text, size, "x87 control word: expected 0x%04X, got 0x%04X",
                 (unsigned)before.FpuControl, (unsigned)after.FpuControl);
        return true;
    }
    if (before.SseControl != after.SseControl) {
        snprintf(text, size, "MXCSR: expected 0x%08X, got 0x%08X", (unsigned)before.SseControl,
                 (unsigned)after.SseControl);
        return true;
    }
    if (strcmp(before.CurrentDirectory, after.CurrentDirectory) != 0) {
        snprintf(text, size, "current directory: expected %s, got %s", before.CurrentDirectory,
                 after.CurrentDirectory);
        return true;
    }
    return false;
}
