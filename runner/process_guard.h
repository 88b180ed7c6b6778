// Process-level safety of the Windows test programs: a fault anywhere ends the
// process with a report instead of starting a debugger that would hang, and
// standard output carries bytes unchanged (no CR before LF).
#pragma once

#include <windows.h>

#include <stdint.h>

// Installs the last-resort exception filter and puts stdout in binary mode.
void GuardProcess();
// What the filter names as the activity under way when a fault ends the process.
void SetFaultContext(const char* activity);
// Whether the last-resort filter is still the runner's (it is reinstalled).
bool LastResortFilterIntact();

// A snapshot of process state that loading and unloading the plug-in must leave
// as it found it.
struct ProcessState {
    HMODULE Modules[256];        // loaded modules, sorted by handle
    uint32_t ModuleCount;
    uint32_t ThreadCount;        // threads of this process
    void* ExceptionChain;        // head of the thread's exception registration chain
    uint16_t FpuControl;         // x87 control word
    uint32_t SseControl;         // MXCSR
    char CurrentDirectory[MAX_PATH];
};

// Takes the snapshot. Modules named in ignored (lower case base names such as
// "orvale.dll") are left out: they stay loaded on purpose once loaded.
void TakeProcessState(ProcessState* state, const char* const* ignored, uint32_t ignoredCount);

// Describes the first difference between two snapshots into text; false if equal.
bool DescribeStateChange(const ProcessState& before, const ProcessState& after, char* text,
                         uint32_t size);
