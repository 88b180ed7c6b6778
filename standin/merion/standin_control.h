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
    STANDIN_KEY_HANDLER = 1,      // entry number under which calls of table 52's own key handler are logged
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

// Start and installation. The data version (entry 51594) and the feature
// query (STANDIN_FEATURE_QUERY) are scripted with StandIn_SetAnswer.

// The host's own date, what HostDateValue(null) measures: a text like
// "Dec  5 2016"; null for the default "Mar 14 2018". 0 for a text that is not
// such a date (nothing changes).
STANDIN_API int StandIn_SetHostDate(const char* date);

// The host's profile is a file that outlives the process. By default it is the
// program's path with the extension .ini; a scenario chooses its own file here
// (null: back to the default). StandIn_ProfileFile copies the path in use and
// returns its length (0 if size is too small).
STANDIN_API int StandIn_SetProfileFile(const char* path);
STANDIN_API uint32_t StandIn_ProfileFile(char* path, uint32_t size);
// Stores a setting's text in the profile file in use, without logging; a null
// value removes the setting. StandIn_ProfileValue reads it back: 1 and the
// text, or 0 when the setting is absent.
STANDIN_API int StandIn_SetProfileValue(const char* section, const char* key, const char* value);
STANDIN_API int StandIn_ProfileValue(const char* section, const char* key, char* value,
                                     uint32_t size);

// The record length that table 52's or 53's descriptor reports (low 16 bits of
// length), until the next reset; 0 for another table. The entries of the
// export command take a length other than the built one as the plug-in's
// breach, so this is for the start checks only.
STANDIN_API int StandIn_SetTableLength(int32_t table, int32_t length);

// The user's answer in the host's form (HostForm): with changesField set the
// form puts firstField into the record's first 32-bit field; otherwise
// (the default) it leaves the record as it came. StandIn_FormRecord copies the
// record as the last form received it and returns the bytes copied (0 when no
// form was shown since the last reset).
STANDIN_API void StandIn_ScriptForm(int changesField, int32_t firstField);
STANDIN_API uint32_t StandIn_FormRecord(void* record, uint32_t size);

// The export command's data: tables 52 and 53, the browse of table 52, the
// lines of table 53, the stored delivery settings and the dialogs' texts.
// StandIn_Reset brings back the start state: both tables offered with record
// lengths 901 and 626, table 52's key handler the host's own, no orders, no
// lines, no records, the browse's three values 0. Every record the plug-in
// borrows ends where a no-access page begins.
struct HostTableDescriptor;
struct OrderRow;
struct OrderLineRow;
struct BrowseState;
struct DeliverySettings;

// Descriptor of table 52 or 53, whether offered or not (null for others).
STANDIN_API HostTableDescriptor* StandIn_TableDescriptor(int32_t table);
// HostTable answers null for a table not offered (from the next call on).
STANDIN_API int StandIn_SetTableOffered(int32_t table, int offered);
// The host's own key handler of table 52 (eleven arguments, removes them);
// its calls are logged as entry STANDIN_KEY_HANDLER and answered from the
// script (default 0).
STANDIN_API void* StandIn_HostKeyHandler(void);

// Adds a row of table 52 at the end of the browse's row array and returns it
// (writable, for fields the arguments do not set); null when the browse is full.
STANDIN_API OrderRow* StandIn_AddOrder(const char* number, int32_t settingsNumber,
                                       int32_t linesKey);
// The browse handed to the key handler: the row array (16 slots, null past
// the last row) and the BrowseState, whose values the test sets directly.
STANDIN_API void** StandIn_BrowseRows(void);
STANDIN_API BrowseState* StandIn_BrowseState(void);
// After the next call of entry, the BrowseState's value at byte 88 becomes
// current, as when the user moves in the register while a host dialog is open.
STANDIN_API void StandIn_MoveBrowseOn(uint32_t entry, int32_t current);

// Adds a row of table 53 belonging to the order whose key value is ownerKey
// and returns the stored row (writable). Scans return the rows of a key value
// in the order they were added.
STANDIN_API OrderLineRow* StandIn_AddLine(int32_t ownerKey, const char* code,
                                          const char* description, int32_t thousandths);
// What HostScanNext answers once no row of the scan is left (default 0).
STANDIN_API void StandIn_SetScanEndResult(int32_t result);

// Stores a delivery-settings record under a key ("Nr5"). HostReadRecord
// copies it over the caller's record, keeping the caller's size field; for a
// key without a record it leaves the caller's record as it is.
STANDIN_API int StandIn_SetRecord(const char* key, const DeliverySettings* record);

// Text that HostMaskPath writes into its buffer (default: the mask it is
// given), or the name that HostFileDialog writes into its buffer unless it
// answers -1 (default: the buffer is left). Null clears it.
STANDIN_API int StandIn_SetTextAnswer(uint32_t entry, const char* text);
