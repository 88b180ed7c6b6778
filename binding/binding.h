// Host binding: the entry table, its resolver and null stubs, the missing-entry
// report and the load-time entry.
#pragma once

#include <stdint.h>

#include "host_entries.h"

// One row of the host entry table.
struct HostEntryRow {
    uint32_t Number;        // host entry number
    uint8_t ContractMember; // NullStubTable member matching the plug-in's own calls
};

extern "C" {
// Filled by LoadEntry / BindHostModule.
extern void* ModuleInstance;
extern void* HostModuleHandle;
// 0 at load; once 1, every later missing entry is ignored without a dialog.
extern int32_t IgnoreAllMissing;

// The 26 rows in binding order, and one EntrySlot per row. A slot starts at
// the row's lazy binder and holds the host function, a null stub or null once
// bound.
extern const HostEntryRow HostEntryTable[HOST_ENTRY_COUNT];
extern void* EntrySlots[HOST_ENTRY_COUNT];

// Member k returns 0 and removes 4*k bytes of arguments (member 0 leaves
// them to the caller).
enum { NULL_STUB_COUNT = 15 };
extern void* const NullStubTable[NULL_STUB_COUNT];

// Notification hook of the lazy binding of the compatibility module:
// NullStubTable member 2 at load, then the host's entry 30007 or null. On the
// DLL it is the delay-load binder's own hook variable.
extern HostBindingHookFn LazyBindingHook
#if defined(__i386__)
    __asm__("___pfnDliNotifyHook2")
#endif
    ;

void LoadEntry(void* instance, uint32_t reason, void* reserved);
void BindHostModule(void);

// entry: a number below 65536, or a pointer to an entry name.
void ResolveEntry(uintptr_t entry, void** slot);
void PickNullStub(uintptr_t entry, void** slot);
int32_t ReportMissingEntry(uintptr_t entry, const char* module);

// Selection rule of a null stub for an entry: the member index, or -1.
int32_t SelectNullStubMember(uintptr_t entry);

// Builds the report's message (504 bytes, marks still in place); returns its length.
enum { REPORT_MESSAGE_SIZE = 504, REPORT_ENTRY_TEXT_SIZE = 104 };
uint32_t BuildMissingEntryReport(char* message, uintptr_t entry, const char* module);

// Lazy binder's work for one row: resolves it and returns the address to
// continue into (the bound function, or a stub of the row's own contract when
// the slot stayed empty).
void* BindRowLazily(void** slot);

// Runs the 26 binding initialisers in table order; returns 0, or -1 at the
// first that leaves its slot empty (later rows do not run).
int32_t RunBindingInitialisers(void);
}

static inline bool EntryIsNumber(uintptr_t entry) { return entry < 0x10000; }
