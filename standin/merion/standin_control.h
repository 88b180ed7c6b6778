// Control entries of the stand-in host library MERION.dll.
//
// The stand-in exports the host's entries by number only, exactly as the host
// does. Next to them it exports, by name, the few entries below through which a
// test program scripts the host's answers, removes entries from the export
// table, and reads back every call the plug-in made and every breach of the
// contract the stand-in saw. All control entries leave their arguments to the
// caller.
#pragma once

#include <stdint.h>

#if defined(STANDIN_BUILDING_MERION)
#define STANDIN_API extern "C"
#else
#define STANDIN_API extern "C" __declspec(dllimport)
#endif

enum {
    STANDIN_MAX_ARGS = 11,        // the widest host entry (HostFtpSend)
    STANDIN_FEATURE_QUERY = 0,    // entry number under which HostFeatureQuery calls are logged
};

// One call of a host entry, as the stand-in saw it on entry.
struct StandInCall {
    uint32_t Entry;                        // entry number (STANDIN_FEATURE_QUERY for the feature query)
    uint32_t ArgCount;                     // number of 32-bit arguments the entry takes
    uintptr_t Args[STANDIN_MAX_ARGS];      // the arguments as pushed by the caller
    const char* Text[STANDIN_MAX_ARGS];    // copy of each text argument taken on entry, or null
    const char* Note;                      // what the entry did beyond its arguments, or null
    intptr_t Result;                       // what the entry returned
    void* ReturnAddress;                   // the caller's return address
};

// Back to the start state: no calls, no violations, no scripted answers, every
// removed entry put back into the export table, no open scans.
STANDIN_API void StandIn_Reset(void);

// Removes (missing = 1) or puts back (missing = 0) a host entry in the
// stand-in's own export table in memory, so that the loader's lookup by
// number returns null. Returns 1 on success, 0 for a number the stand-in does
// not export or when the table could not be changed.
STANDIN_API int StandIn_SetMissing(uint32_t entry, int missing);

// The function behind a host entry, whether or not it is currently removed;
// null for a number the stand-in does not have.
STANDIN_API void* StandIn_EntryAddress(uint32_t entry);

// Descriptive name of a host entry ("HostMessage"), or "?" for an unknown one.
STANDIN_API const char* StandIn_EntryName(uint32_t entry);

// Scripted results. A queued answer is used by the next call of the entry and
// then dropped; without one the fixed answer is used, and without that the
// entry's own default (a success value).
STANDIN_API void StandIn_SetAnswer(uint32_t entry, intptr_t value);
STANDIN_API int StandIn_QueueAnswer(uint32_t entry, intptr_t value);

// Answer of HostBindingHook (entry 30007) for one notification code (0 to 5);
// null, the default, leaves the decision to the caller's binding mechanism.
STANDIN_API void StandIn_SetHookAnswer(uint32_t code, void* answer);

// The call log since the last reset. StandIn_Call returns null past the end.
STANDIN_API uint32_t StandIn_CallCount(void);
STANDIN_API const StandInCall* StandIn_Call(uint32_t index);

// Breaches of the host contract since the last reset, as readable texts
// ("HostMessage: argument 3 expected 1, got 0"). StandIn_Violation returns null
// past the end of the stored texts; the count goes on past what is stored.
STANDIN_API uint32_t StandIn_ViolationCount(void);
STANDIN_API const char* StandIn_Violation(uint32_t index);

// Host resources opened and not yet closed (scans begun and not ended).
STANDIN_API uint32_t StandIn_OpenCount(void);

// The host's feature query, to be handed to export 30001. Checks its fixed
// arguments (1, 1), logs the call as entry STANDIN_FEATURE_QUERY and returns
// the scripted answer (default 1: the feature is supported).
STANDIN_API int32_t StandIn_FeatureQuery(int32_t what, int32_t which);

// The host's text conversion from the Mazovia code page to Windows-1250,
// without logging: length bytes from source to target (both may be the same).
STANDIN_API void StandIn_MazoviaToWindows1250(const char* source, char* target, uint32_t length);
