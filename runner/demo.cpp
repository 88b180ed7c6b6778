// Demo: loads the plug-in against the stand-in host with every entry present
// and tells, readable in a UTF-8 terminal, what happened: the host entries it
// bound, any message box with its text, then a start and a stop through
// export 30001 with the host calls they made.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "host_entries.h"
#include "intercept.h"
#include "process_guard.h"
#include "stack_probe.h"
#include "standin_control.h"

namespace {

// Windows-1250 bytes as UTF-8.
void PrintWindows1250(const char* text) {
    wchar_t wide[2048];
    char utf8[4096];
    int length = MultiByteToWideChar(1250, 0, text, -1, wide, 2048);
    if (length && WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof utf8, nullptr, nullptr))
        fputs(utf8, stdout);
    else
        fputs(text, stdout);
}

// A host text (Mazovia) as UTF-8, through the host's own conversion.
void PrintHostText(const char* text) {
    char converted[2048];
    uint32_t size = (uint32_t)strnlen(text, sizeof converted - 1) + 1;
    StandIn_MazoviaToWindows1250(text, converted, size);
    converted[sizeof converted - 1] = 0;
    PrintWindows1250(converted);
}

void PrintBoxes() {
    if (!BoxCount()) printf("  no message box\n");
    for (uint32_t i = 0; i < BoxCount(); ++i) {
        const BoxRecord* box = Box(i);
        printf("  message box \"");
        PrintWindows1250(box->Title);
        printf("\", style 0x%X:\n    | ", (unsigned)box->Style);
        char text[BOX_TEXT_SIZE];
        strcpy(text, box->Text);
        for (char* line = text; line;) {
            char* next = strchr(line, '\n');
            if (next) *next++ = 0;
            PrintWindows1250(line);
            printf(next ? "\n    | " : "\n");
            line = next;
        }
    }
}

// Host calls logged from index first on, HostBindingHook left out.
void PrintHostCalls(uint32_t first) {
    for (uint32_t i = first; i < StandIn_CallCount(); ++i) {
        const StandInCall* call = StandIn_Call(i);
        if (!call || call->Entry == ENTRY_HostBindingHook) continue;
        printf("    %s(", StandIn_EntryName(call->Entry));
        for (uint32_t a = 0; a < call->ArgCount; ++a) {
            printf(a ? ", " : "");
            if (call->Text[a]) {
                printf("\"");
                PrintHostText(call->Text[a]);
                printf("\"");
            } else {
                printf("%ld", (long)call->Args[a]);
            }
        }
        printf(") -> %ld\n", (long)call->Result);
    }
}

}  // namespace

int main() {
    GuardProcess();
    SetFaultContext("the demo");
    HMODULE host = GetModuleHandleA("MERION.dll");
    if (!host || !InstallIntercepts()) {
        printf("demo: cannot set up the stand-in host\n");
        return 1;
    }
    StandIn_Reset();
    ClearInterceptLogs();

    printf("Loading eksportzam.dll against the stand-in MERION.dll, all entries present.\n");
    HMODULE plugin = LoadLibraryA("eksportzam.dll");
    DWORD error = GetLastError();
    uint32_t bound = 0;
    for (uint32_t i = 0; i < LookupCount(); ++i) {
        const LookupRecord* lookup = Lookup(i);
        if (lookup->Module != host) continue;
        printf("  entry %u %-24s -> %s\n", (unsigned)lookup->Number,
               StandIn_EntryName(lookup->Number), lookup->Result ? "ok" : "MISSING");
        bound += lookup->Result != nullptr;
    }
    printf("  %u of the lookups in MERION found\n", (unsigned)bound);
    PrintBoxes();
    if (!plugin) {
        printf("eksportzam.dll did not load (error %lu).\n", (unsigned long)error);
        return 1;
    }
    printf("eksportzam.dll loaded.\n");

    uint32_t first = StandIn_CallCount();
    void* entry = (void*)GetProcAddress(plugin, MAKEINTRESOURCEA(30001));
    char description[128] = "";
    ProbeResult start = {}, stop = {};
    const uint32_t startArguments[] = {(uint32_t)(uintptr_t)&StandIn_FeatureQuery,
                                       (uint32_t)(uintptr_t)description};
    const uint32_t stopArguments[] = {0, 0};
    if (entry) ProbeCall(entry, 2, startArguments, &start);
    printf("Start (export 30001): result %ld\n", (long)(int32_t)start.Result);
    if (description[0]) {
        printf("  description: \"");
        PrintHostText(description);
        printf("\"\n");
    }
    PrintHostCalls(first);
    first = StandIn_CallCount();
    if (entry) ProbeCall(entry, 2, stopArguments, &stop);
    printf("Stop (export 30001): result %ld\n", (long)(int32_t)stop.Result);
    PrintHostCalls(first);
    uint32_t violations = StandIn_ViolationCount();
    for (uint32_t i = 0; i < violations; ++i)
        if (const char* violation = StandIn_Violation(i)) printf("host contract broken: %s\n", violation);
    FreeLibrary(plugin);
    return violations ? 1 : 0;
}
