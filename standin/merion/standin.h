// Shared machinery of the MERION stand-in: the table of entries it serves, the
// call log, the argument checks, the scripted answers and the violation list.
// Each entries_*.cpp file implements the host entries of one area with these.
#pragma once

#include <stddef.h>
#include <stdint.h>

#define STANDIN_BUILDING_MERION
#include "host_entries.h"
#include "standin_control.h"

// Bound for a text argument for which the contract gives no buffer size.
enum { TEXT_BOUND = 4096 };

// One entry the stand-in serves: the host contract for it.
struct EntryInfo {
    uint32_t Number;
    const char* Name;
    bool CalleeRemoves;       // the entry removes its own arguments
    uint32_t ArgumentBytes;   // what the caller pushes
};

// The entry with this number, or null.
const EntryInfo* FindEntry(uint32_t number);

// Starts the log record of one call: copies the arguments, checks that their
// number matches the contract. Never null (a full log yields a scratch record
// and a violation).
StandInCall* BeginCallWords(uint32_t entry, void* returnAddress, uint32_t count,
                            const uintptr_t* words);

template <typename T>
inline uintptr_t AsWord(T value) {
    return (uintptr_t)value;
}

template <typename... Arguments>
inline StandInCall* BeginCallOf(uint32_t entry, void* returnAddress, Arguments... arguments) {
    const uintptr_t words[sizeof...(Arguments) + 1] = {AsWord(arguments)..., 0};
    return BeginCallWords(entry, returnAddress, sizeof...(Arguments), words);
}

// Used first thing in every entry, with all of the entry's arguments in order.
#define BEGIN_CALL(entry, ...) BeginCallOf((entry), __builtin_return_address(0), ##__VA_ARGS__)

// Adds a violation text (printf-style); the entry's name is not added.
void Violation(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Argument checks. Indexes are 0-based; messages name arguments from 1.
// A value fixed by the contract.
bool ExpectValue(StandInCall* call, uint32_t index, intptr_t expected);
// A zero-terminated text of at most bound bytes with its terminator; the copy
// is kept in the call record. Null when the argument is null or unterminated
// (a violation either way unless nullAllowed and the argument is null).
const char* ExpectText(StandInCall* call, uint32_t index, uint32_t bound, bool nullAllowed = false);
// A buffer of size bytes that the entry may read (and write, if writable).
bool ExpectBuffer(StandInCall* call, uint32_t index, uint32_t size, bool writable);

// Describes what the entry did (printf-style), kept in the call record.
void SetNote(StandInCall* call, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Ends the call: takes the scripted answer or the default, records and returns it.
intptr_t FinishCall(StandInCall* call, intptr_t defaultResult);

// Answer of HostBindingHook for a notification code (null when none is set).
void* HookAnswer(uint32_t code);

// Memory probes that never fault.
// Length of the zero-terminated text at text, or -1 if no terminator lies
// within bound bytes of readable memory.
int32_t SafeTextLength(const char* text, uint32_t bound);
// Whether size bytes at address can be read (and written, if writable).
bool SafeRange(const void* address, uint32_t size, bool writable);

// Open-resource bookkeeping (scans).
void OpenResource(uintptr_t key);
bool CloseResource(uintptr_t key);
bool IsOpenResource(uintptr_t key);

// Puts every removed entry back into the export table (part of StandIn_Reset).
void RestoreExportTable();

// Back to the default date, profile file and form answer (part of StandIn_Reset).
void ResetLifecycleHost();

// Back to the start state of tables 52 and 53, the browse, the lines, the
// settings records and the dialog texts (part of StandIn_Reset; host_data.h).
void ResetHostData();
// Applies what the host does to its data after a call of entry (host_data.h).
void AfterHostCall(uint32_t entry);
