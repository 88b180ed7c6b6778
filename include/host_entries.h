// Host entries of MERION used by the plug-in: numbers, calling contracts and
// argument counts. This list is the single place where the contract is written
// down; the entry table, the call entries and the null-stub choice derive from it.
#pragma once

#include <stdint.h>

#include "host_abi.h"
#include "host_records.h"

// X(number, name, convention, argument bytes)
//   convention: CALLEE (the entry removes its arguments) or CALLER.
//   argument bytes: what the plug-in pushes for one call.
// The order is the binding order of the entry table.
#define HOST_ENTRY_LIST(X)                 \
    X(52028, HostMessage, CALLEE, 12)      \
    X(52029, HostUnused52029, CALLEE, 0)   \
    X(52158, HostConvertText, CALLEE, 16)  \
    X(38417, HostUnused38417, CALLEE, 0)   \
    X(52224, HostProfile, CALLER, 20)      \
    X(52023, HostForm, CALLER, 16)         \
    X(35799, HostChoice, CALLER, 32)       \
    X(52030, HostError, CALLEE, 4)         \
    X(52015, HostMaskPath, CALLEE, 8)      \
    X(51594, HostDataVersion, CALLEE, 0)   \
    X(52256, HostTable, CALLEE, 4)         \
    X(52169, HostFileDialog, CALLEE, 16)   \
    X(52465, HostTablePrepare, CALLEE, 8)  \
    X(52319, HostMakeKey, CALLEE, 16)      \
    X(51435, HostCopyFile, CALLEE, 12)     \
    X(52006, HostDateValue, CALLEE, 4)     \
    X(52278, HostScanBegin, CALLEE, 24)    \
    X(52279, HostScanNext, CALLEE, 4)      \
    X(52281, HostScanEnd, CALLEE, 4)       \
    X(51655, HostMailSend, CALLEE, 16)     \
    X(52566, HostMailPrepare, CALLEE, 12)  \
    X(52392, HostFtpSend, CALLEE, 44)      \
    X(51656, HostSelect, CALLEE, 8)        \
    X(51486, HostReadRecord, CALLEE, 12)   \
    X(52405, HostCheckFile, CALLEE, 4)     \
    X(52407, HostAppendLine, CALLEE, 8)

enum HostEntryNumber : uint32_t {
#define HOST_ENTRY_ENUM(number, name, conv, bytes) ENTRY_##name = number,
    HOST_ENTRY_LIST(HOST_ENTRY_ENUM)
#undef HOST_ENTRY_ENUM
};

enum HostEntryRowIndex {
#define HOST_ENTRY_ROW(number, name, conv, bytes) ROW_##name,
    HOST_ENTRY_LIST(HOST_ENTRY_ROW)
#undef HOST_ENTRY_ROW
    HOST_ENTRY_COUNT
};
static_assert(HOST_ENTRY_COUNT == 26, "the host entry table has 26 rows");

// Entries bound outside the table.
enum : uint32_t {
    ENTRY_HostExceptionTranslator = 30005,  // ordinary import by ordinal
    ENTRY_HostBindingHook = 30007,          // looked up by BindHostModule
};

// Numbers of the host's tables.
enum : int32_t {
    TABLE_ORDERS = 52,       // Tzak
    TABLE_ORDER_LINES = 53,  // Tzak_dok
};

// Key code of Ctrl-1 in the key handler's first argument.
enum : uint32_t { KEY_CTRL_1 = 231 };

// HostChoice answers (the host's convention for the four buttons).
enum : int32_t {
    CHOICE_FTP = 20481,
    CHOICE_FILE = 20483,
    CHOICE_EMAIL = 20485,
};

// Host entry functions, called through the entry table's call entries (on the
// DLL) or provided by a fake host (native tests). Each declaration's argument
// bytes must match HOST_ENTRY_LIST; on i686 the stdcall decoration (@bytes)
// makes a mismatch a link error.
extern "C" {
int HOST_CALLEE HostMessage(const char* title, const char* text, int32_t one);
int HOST_CALLEE HostConvertText(char* source, char* target, int32_t from, int32_t to);
int HOST_CALLER HostProfile(int32_t mode, const char* section, const char* key,
                            const char* format, void* arguments);
int HOST_CALLER HostForm(int32_t form, void* record, int32_t zero, const char* caption);
int HOST_CALLER HostChoice(const char* title, const char* prompt, int32_t dialog,
                           const char* label1, const char* label2, const char* label3,
                           const char* label4, int32_t terminator);
int HOST_CALLEE HostError(const char* text);
int HOST_CALLEE HostMaskPath(char* buffer256, const char* mask);
int HOST_CALLEE HostDataVersion(void);
HostTableDescriptor* HOST_CALLEE HostTable(int32_t table);
int HOST_CALLEE HostFileDialog(int32_t dialog, char* name256, const char* mask, int32_t zero);
int HOST_CALLEE HostTablePrepare(HostTableDescriptor* table, int32_t mode);
int HOST_CALLEE HostMakeKey(int32_t index, int32_t zero, char* key256, int32_t value);
int HOST_CALLEE HostCopyFile(const char* source, const char* target, int32_t zero);
uint32_t HOST_CALLEE HostDateValue(const char* date);
int HOST_CALLEE HostScanBegin(void* cursor192, int32_t zero1, int32_t key, char* key256,
                              int32_t zero2, int32_t zero3);
int HOST_CALLEE HostScanNext(void* cursor192);
int HOST_CALLEE HostScanEnd(void* cursor192);
int HOST_CALLEE HostMailSend(int32_t zero, const char* file, const char* subject, int32_t four);
int HOST_CALLEE HostMailPrepare(int32_t zero, int32_t four, int32_t one);
int HOST_CALLEE HostFtpSend(const char* local, const char* remote, int32_t zero1, int32_t one,
                            int32_t zero2, const char* text4, const char* text67,
                            const char* text128, const char* text189, int32_t value318,
                            int32_t value580);
int HOST_CALLEE HostSelect(int32_t zero, int32_t number);
int HOST_CALLEE HostReadRecord(int32_t zero, const char* key, DeliverySettings* record);
int HOST_CALLEE HostCheckFile(const char* file);
int HOST_CALLEE HostAppendLine(const char* file, const char* line);
}

// HostExceptionTranslator (entry 30005): an ordinary import by number; a
// translator of structured exceptions (caller removes).
extern "C"
#if defined(_WIN32)
__declspec(dllimport)
#endif
void HOST_CALLER HostExceptionTranslator(uint32_t code, void* exceptionPointers);

// HostFeatureQuery: handed to export 30001; caller removes (1, 1).
typedef int(HOST_CALLER* HostFeatureQueryFn)(int32_t, int32_t);

// HostBindingHook (entry 30007): callee removes (code, binding record).
typedef void*(HOST_CALLEE* HostBindingHookFn)(uint32_t code, void* record);

// Low 16 bits of a host result, read as signed.
static inline int32_t HostLow16(int32_t value) { return (int16_t)(uint16_t)(value & 0xFFFF); }
