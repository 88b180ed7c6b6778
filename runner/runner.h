// The scenario runner's shared parts: the scenario row, the failure record of
// the running scenario, and checks that print what was expected and what came.
#pragma once

#include <windows.h>

#include <stddef.h>
#include <stdint.h>

#include "stack_probe.h"

extern const char PLUGIN_FILE[];   // "eksportzam.dll"
extern char PluginPath[MAX_PATH];  // where LoadLibraryA finds the plug-in

enum BoxText {
    CONVERTED,     // the report reaches the box in Windows-1250
    UNCONVERTED,   // the report reaches the box in Mazovia (HostConvertText unbound)
};

typedef void (*ExtraCheck)(HMODULE plugin);

struct Scenario {
    const char* Name;
    uint32_t Missing[2];    // entries removed from MERION's export table (0: none)
    const char* Answers;    // answers of the boxes in order: Abort, Retry, Ignore, none (not shown)
    bool Loads;             // LoadLibraryA("eksportzam.dll") succeeds
    const char* Trace;      // MERION lookups, host calls and boxes during the load
    BoxText Text;           // how every box shows the report naming Missing[0]
    ExtraCheck Extra;       // further checks while the plug-in is loaded, or null
};

// Scenario tables of the plug-in's areas, run after the binding scenarios.
extern const Scenario* const ExportScenarios;
extern const uint32_t ExportScenarioCount;
extern const Scenario* const LifecycleScenarios;
extern const uint32_t LifecycleScenarioCount;

// Failures of the running scenario.
extern char FailureText[8192];
extern uint32_t FailureCount;
void Fail(const char* format, ...) __attribute__((format(printf, 1, 2)));
void ExpectNumber(const char* what, long expected, long got);
void ExpectHex(const char* what, unsigned long expected, unsigned long got);
// Printable form of a byte string: non-ASCII and control bytes as \xNN.
void Printable(const char* bytes, size_t length, char* out, size_t size);
// Compares two texts byte for byte; on a difference shows both around it.
void ExpectBytes(const char* what, const char* expected, const char* got);

// Calls an export by number with the given 32-bit arguments and checks that
// expectedBytesLeft bytes of them were left to the caller and that the
// callee-saved registers were preserved.
ProbeResult CallExport(HMODULE plugin, uint32_t number, uint32_t count, const uint32_t* arguments,
                       int32_t expectedBytesLeft);
