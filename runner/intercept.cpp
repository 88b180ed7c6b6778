// Message box and entry lookup interception (intercept.h). The fake lookup
// answers through ntdll's LdrGetProcedureAddress, which is what the system's
// own GetProcAddress does, so every caller in the process still gets the true
// answer while the runner sees the question.
#include <stdio.h>
#include <string.h>

#include "code_patch.h"
#include "intercept.h"
#include "standin_control.h"

namespace {

enum { MAX_BOXES = 64, MAX_LOOKUPS = 4096 };

struct CountedString {        // ntdll's ANSI_STRING
    USHORT Length;
    USHORT MaximumLength;
    const char* Buffer;
};
typedef LONG(NTAPI* LdrGetProcedureAddressFn)(HMODULE, const CountedString*, ULONG, void**);
typedef ULONG(NTAPI* RtlNtStatusToDosErrorFn)(LONG);

LdrGetProcedureAddressFn LdrGetProcedureAddressEntry;
RtlNtStatusToDosErrorFn RtlNtStatusToDosErrorEntry;
void* MessageBoxTarget;
void* GetProcAddressTarget;

BoxRecord Boxes[MAX_BOXES];
uint32_t BoxTotal;
int BoxScript[MAX_SCRIPTED_BOXES];
uint32_t BoxScriptLength;

LookupRecord Lookups[MAX_LOOKUPS];
uint32_t LookupTotal;
uint32_t EventSequence;

void CopyBounded(char* target, const char* source, size_t size) {
    size_t length = source ? strnlen(source, size - 1) : 0;
    if (length) memcpy(target, source, length);
    target[length] = 0;
}

int WINAPI FakeMessageBoxA(HWND owner, LPCSTR text, LPCSTR title, UINT style) {
    uint32_t index = BoxTotal++;
    int answer = IDABORT;
    bool scripted = index < BoxScriptLength;
    if (scripted) answer = BoxScript[index];
    if (index < MAX_BOXES) {
        BoxRecord& box = Boxes[index];
        box.Owner = owner;
        CopyBounded(box.Text, text, sizeof box.Text);
        CopyBounded(box.Title, title, sizeof box.Title);
        box.Style = style;
        box.Answer = answer;
        box.Scripted = scripted;
        box.HostCallsBefore = StandIn_CallCount();
        box.Sequence = EventSequence++;
    }
    return answer;
}

FARPROC WINAPI FakeGetProcAddress(HMODULE module, LPCSTR entry) {
    if (!module) module = GetModuleHandleA(nullptr);
    void* result = nullptr;
    LONG status;
    bool byName = ((uintptr_t)entry >> 16) != 0;
    if (byName) {
        size_t length = strlen(entry);
        CountedString name = {(USHORT)length, (USHORT)(length + 1), entry};
        status = LdrGetProcedureAddressEntry(module, &name, 0, &result);
    } else {
        status = LdrGetProcedureAddressEntry(module, nullptr, (ULONG)(uintptr_t)entry, &result);
    }
    if (status != 0) {
        result = nullptr;
        SetLastError(RtlNtStatusToDosErrorEntry(status));
    }
    if (LookupTotal < MAX_LOOKUPS) {
        LookupRecord& lookup = Lookups[LookupTotal];
        lookup.Module = module;
        lookup.ByName = byName;
        lookup.Number = byName ? 0 : (uint32_t)(uintptr_t)entry;
        CopyBounded(lookup.Name, byName ? entry : nullptr, sizeof lookup.Name);
        lookup.Result = result;
        lookup.HostCallsBefore = StandIn_CallCount();
        lookup.Sequence = EventSequence++;
    }
    ++LookupTotal;
    return (FARPROC)result;
}

}  // namespace

bool InstallIntercepts() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    HMODULE user32 = LoadLibraryA("user32.dll");
    if (!ntdll || !kernel32 || !user32) {
        printf("intercept: system modules not found\n");
        return false;
    }
    LdrGetProcedureAddressEntry =
        (LdrGetProcedureAddressFn)(void*)GetProcAddress(ntdll, "LdrGetProcedureAddress");
    RtlNtStatusToDosErrorEntry =
        (RtlNtStatusToDosErrorFn)(void*)GetProcAddress(ntdll, "RtlNtStatusToDosError");
    MessageBoxTarget = (void*)GetProcAddress(user32, "MessageBoxA");
    GetProcAddressTarget = (void*)GetProcAddress(kernel32, "GetProcAddress");
    if (!LdrGetProcedureAddressEntry || !RtlNtStatusToDosErrorEntry || !MessageBoxTarget ||
        !GetProcAddressTarget) {
        printf("intercept: system entries not found\n");
        return false;
    }
    if (!WriteJump(MessageBoxTarget, (const void*)&FakeMessageBoxA)) {
        printf("intercept: cannot patch user32!MessageBoxA at %p\n", MessageBoxTarget);
        return false;
    }
    if (!WriteJump(GetProcAddressTarget, (const void*)&FakeGetProcAddress)) {
        printf("intercept: cannot patch kernel32!GetProcAddress at %p\n", GetProcAddressTarget);
        return false;
    }
    return InterceptsIntact();
}

bool InterceptsIntact() {
    return MessageBoxTarget && GetProcAddressTarget &&
           HasJump(MessageBoxTarget, (const void*)&FakeMessageBoxA) &&
           HasJump(GetProcAddressTarget, (const void*)&FakeGetProcAddress);
}

void ScriptBoxes(const int* answers, uint32_t count) {
    BoxScriptLength = count < MAX_SCRIPTED_BOXES ? count : (uint32_t)MAX_SCRIPTED_BOXES;
    memcpy(BoxScript, answers, BoxScriptLength * sizeof *answers);
}

void ClearInterceptLogs() {
    BoxTotal = 0;
    LookupTotal = 0;
    EventSequence = 0;
}

uint32_t BoxCount() { return BoxTotal; }
const BoxRecord* Box(uint32_t index) {
    return index < BoxTotal && index < MAX_BOXES ? &Boxes[index] : nullptr;
}
uint32_t LookupCount() { return LookupTotal; }
const LookupRecord* Lookup(uint32_t index) {
    return index < LookupTotal && index < MAX_LOOKUPS ? &Lookups[index] : nullptr;
}
