// The built plug-in, eksportzam.dll, loaded against the stand-in host
// MERION.dll: whose hook its lazy binding of ORVALE.dll consults, and when
// its runtime makes its first lazy call.
//
// In this runtime nothing is bound lazily while the module loads or starts.
// The first lazy call comes with the first floating-point conversion of its
// formatted printing (the "%.3f" column of an export line): the radix point
// goes through mbrtowc, whose code-page lookup calls GetModuleHandleW. So each
// run loads the plug-in, starts it, presses Ctrl-1 on an order with one line
// through the key handler the plug-in installed, stops it and unloads it, and
// reads the stand-in's call log.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "harness.h"
#include "host_entries.h"
#include "runtime_tests.h"
#include "standin_control.h"

namespace {

const char PLUGIN_FILE[] = "eksportzam.dll";
const char ORVALE_EVENTS[] = "ORVALE_STANDIN_EVENTS";

typedef int32_t(HOST_CALLEE* StartStopFn)(HostFeatureQueryFn featureQuery, char* description);

const char EXPORT_FILE[] = "RT7.txt";

// The host's side of one Ctrl-1: an order with one line under the cursor;
// a negative file check ends the command before the choice of delivery.
void PrepareHost(void) {
    const int32_t linesKey = 9;
    StandIn_AddOrder("RT7", 0, linesKey);
    StandIn_AddLine(linesKey, "A1", "Opis", -1500);
    StandIn_QueueAnswer(ENTRY_HostCheckFile, -1);
}

// Answer of HostBindingHook before the lookup in one run: the runtime's
// GetModuleHandleW, served by this fake.
uint32_t FakeCalls;
char FakeArgument[64];
HMODULE WINAPI FakeGetModuleHandleW(LPCWSTR name) {
    ++FakeCalls;
    size_t i = 0;
    for (; name && name[i] && i + 1 < sizeof FakeArgument; ++i) FakeArgument[i] = (char)name[i];
    FakeArgument[i] = 0;
    // The system's own, not this program's delay-loaded import.
    typedef HMODULE(WINAPI * GetModuleHandleWFn)(LPCWSTR);
    GetModuleHandleWFn system =
        (GetModuleHandleWFn)(void*)GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetModuleHandleW");
    return system(name);
}

struct PluginRun {
    const char* Name;
    bool HookMissing;           // MERION lacks entry 30007
    bool AnswerBeforeLookup;    // HostBindingHook answers code 2 with FakeGetModuleHandleW
    const char* HookCalls;      // HostBindingHook calls during Ctrl-1
    uint32_t FakeCalls;
};

#define GMH "ORVALE.dll!GetModuleHandleW"
const PluginRun Runs[] = {
    {"first load, host hook without answers", false, false,
     "code 0 " GMH "; code 1 " GMH "; code 2 " GMH "; code 5 " GMH, 0},
    {"reload, host hook answers at code 2", false, true,
     "code 0 " GMH "; code 1 " GMH "; code 2 " GMH "; code 5 " GMH, 1},
    {"reload, host without entry 30007", true, false, "", 0},
};
#undef GMH

uint32_t HookCallsBetween(uint32_t first, uint32_t end) {
    uint32_t count = 0;
    for (uint32_t i = first; i < end; ++i)
        if (const StandInCall* call = StandIn_Call(i)) count += call->Entry == ENTRY_HostBindingHook;
    return count;
}

// "code N module!service; ..." of the HostBindingHook calls from first on;
// every call of one binding must carry the same record.
void DescribeHookCalls(uint32_t first, char* out, size_t size) {
    size_t used = 0;
    out[0] = 0;
    uintptr_t record = 0;
    for (uint32_t i = first; i < StandIn_CallCount() && used < size; ++i) {
        const StandInCall* call = StandIn_Call(i);
        if (!call || call->Entry != ENTRY_HostBindingHook) continue;
        used += snprintf(out + used, size - used, "%s%s", used ? "; " : "", call->Note ? call->Note : "?");
        if (call->Args[0] == 0) record = call->Args[1];
        else if (call->Args[1] != record)
            Fail("record of code %u: expected the one of code 0 (0x%lX), got 0x%lX", (unsigned)call->Args[0],
                 (unsigned long)record, (unsigned long)call->Args[1]);
    }
}

int32_t IndexOf(uint32_t entry, uint32_t first) {
    for (uint32_t i = first; i < StandIn_CallCount(); ++i)
        if (const StandInCall* call = StandIn_Call(i))
            if (call->Entry == entry) return (int32_t)i;
    return -1;
}

void Run(const PluginRun& run, bool firstLoad) {
    SetRow(run.Name);
    StandIn_Reset();
    FakeCalls = 0;
    FakeArgument[0] = 0;
    if (run.HookMissing) StandIn_SetMissing(ENTRY_HostBindingHook, 1);
    if (run.AnswerBeforeLookup) StandIn_SetHookAnswer(2, (void*)FakeGetModuleHandleW);
    PrepareHost();

    HMODULE plugin = LoadLibraryA(PLUGIN_FILE);
    if (!plugin) {
        Fail("LoadLibrary(eksportzam.dll): expected a module, got error %lu", GetLastError());
        StandIn_Reset();
        return;
    }
    uint32_t afterLoad = StandIn_CallCount();
    ExpectNumber("HostBindingHook calls during load", 0, HookCallsBetween(0, afterLoad));
    if (firstLoad) {
        char events[64] = "";
        GetEnvironmentVariableA(ORVALE_EVENTS, events, sizeof events);
        ExpectText("ORVALE.dll load events after the plug-in's load", "", events);
        ExpectPointer("ORVALE.dll after the plug-in's load", nullptr, GetModuleHandleA("ORVALE.dll"));
    }

    StartStopFn startStop = (StartStopFn)(void*)GetProcAddress(plugin, MAKEINTRESOURCEA(30001));
    char description[128] = "";
    ExpectNumber("start", 0, startStop ? startStop(StandIn_FeatureQuery, description) : -2);
    ExpectNumber("HostBindingHook calls during start", 0, HookCallsBetween(afterLoad, StandIn_CallCount()));
    HostTableDescriptor* orders = StandIn_TableDescriptor(TABLE_ORDERS);
    void* hostHandler = StandIn_HostKeyHandler();
    if ((void*)orders->KeyHandler == hostHandler) {
        Fail("key handler of table 52 after start: expected the plug-in's, got the host's own");
    } else {
        uint32_t beforeKey = StandIn_CallCount();
        int32_t result = orders->KeyHandler(KEY_CTRL_1, 0, 0, StandIn_BrowseRows(), 0, StandIn_BrowseState(),
                                            0, 0, 0, 0, 0);
        ExpectNumber("key handler result for Ctrl-1", 0, result);
        char calls[512];
        DescribeHookCalls(beforeKey, calls, sizeof calls);
        ExpectText("HostBindingHook calls during Ctrl-1", run.HookCalls, calls);
        // The binding happens inside the line's formatting: after the scan
        // produced the row, before the line reaches the host.
        int32_t next = IndexOf(ENTRY_HostScanNext, beforeKey);
        int32_t append = IndexOf(ENTRY_HostAppendLine, beforeKey);
        int32_t hook = IndexOf(ENTRY_HostBindingHook, beforeKey);
        if (run.HookCalls[0] && !(next >= 0 && next < hook && hook < append))
            Fail("order of calls: expected HostScanNext, HostBindingHook, HostAppendLine, got positions "
                 "%ld, %ld, %ld", (long)next, (long)hook, (long)append);
        const StandInCall* line = append >= 0 ? StandIn_Call((uint32_t)append) : nullptr;
        ExpectText("line handed to HostAppendLine", "A1;Opis;-1.500", line ? line->Text[1] : nullptr);
    }
    ExpectNumber("calls of the host's answer", run.FakeCalls, FakeCalls);
    if (run.FakeCalls) ExpectText("module the runtime looked up", "msvcrt.dll", FakeArgument);
    ExpectNumber("stop", 0, startStop ? startStop(nullptr, nullptr) : -2);
    ExpectPointer("key handler of table 52 after stop", hostHandler, (void*)orders->KeyHandler);
    DeleteFileA(EXPORT_FILE);

    FreeLibrary(plugin);
    ExpectPointer("eksportzam.dll after FreeLibrary", nullptr, GetModuleHandleA(PLUGIN_FILE));
    // Loaded once, by the first run's binding, and never unloaded since.
    char events[64] = "";
    GetEnvironmentVariableA(ORVALE_EVENTS, events, sizeof events);
    ExpectText("ORVALE.dll load events after the run", "A", events);
    ExpectNumber("stand-in contract violations", 0, StandIn_ViolationCount());
    if (StandIn_ViolationCount()) Fail("first violation: %s", StandIn_Violation(0));
    StandIn_Reset();
}

}  // namespace

void TestPluginLazyBindingUnderHostHook(void) {
    for (size_t i = 0; i < sizeof Runs / sizeof Runs[0]; ++i) Run(Runs[i], i == 0);
    SetRow(nullptr);
}
