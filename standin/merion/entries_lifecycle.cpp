// Host entries the plug-in meets at start and at installation: the data
// version, date values, the error message, the form and the profile. The
// profile is a real file that outlives the process, so a setting written by
// one session is read by the next. By default it is the program's own name
// with the extension .ini, beside the program (demo.exe keeps demo.ini).
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "host_data.h"
#include "standin.h"

namespace {

enum {
    DATA_VERSION = 112,
    PROFILE_READ = 1,
    PROFILE_WRITE = 2,
    PROFILE_READ_FAILED = 1,
    PROFILE_VALUE_SIZE = 64,
    NOTICE_FORM = 1194,
    NOTICE_RECORD_SIZE = sizeof(NoticeRecord),
    NOTICE_TEXT_SIZE = sizeof(((NoticeRecord*)0)->Text),
};

// The host's own date, what HostDateValue(null) measures, unless scripted.
const char DefaultHostDate[] = "Mar 14 2018";
char HostDate[16] = "Mar 14 2018";

char ProfileFile[MAX_PATH];  // empty: the default file

bool FormChangesField;  // the user's answer replaces the first field
int32_t FormField;      // ... with this value
NoticeRecord LastForm;  // the record as the last form received it
bool FormSeen;

// Value of a date text "Mmm dd yyyy" (day space-padded), ordered like the
// dates: yyyymmdd. 0 for a text of another form.
uint32_t DateValue(const char* text) {
    static const char Months[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
    if (strlen(text) != 11 || text[3] != ' ' || text[6] != ' ') return 0;
    uint32_t month = 0;
    for (uint32_t m = 0; m < 12; ++m)
        if (memcmp(text, Months + 3 * m, 3) == 0) month = m + 1;
    unsigned day = 0, year = 0;
    char tail;
    if (!month || sscanf(text + 4, "%2u %4u%c", &day, &year, &tail) != 2) return 0;
    if (day < 1 || day > 31 || year < 1900) return 0;
    return year * 10000 + month * 100 + day;
}

// The profile file in use: the scripted one, or the program's name with .ini.
const char* ProfilePath() {
    static char defaultPath[MAX_PATH];
    if (ProfileFile[0]) return ProfileFile;
    if (!defaultPath[0]) {
        DWORD length = GetModuleFileNameA(nullptr, defaultPath, MAX_PATH - 4);
        char* dot = strrchr(defaultPath, '.');
        char* slash = strrchr(defaultPath, '\\');
        if (dot && (!slash || dot > slash)) length = (DWORD)(dot - defaultPath);
        strcpy(defaultPath + length, ".ini");
    }
    return defaultPath;
}

// The stored text of a setting; false when there is none.
bool ReadSetting(const char* section, const char* key, char* value, uint32_t size) {
    // A default that no stored value can equal tells "absent" from "empty".
    static const char Absent[] = "\x01";
    GetPrivateProfileStringA(section, key, Absent, value, size, ProfilePath());
    return strcmp(value, Absent) != 0;
}

// A whole decimal number, as "%d" reads it from the whole stored text.
bool ParseNumber(const char* text, int32_t* number) {
    char* end;
    long value = strtol(text, &end, 10);
    if (end == text || *end) return false;
    *number = (int32_t)value;
    return true;
}

// Whether the variable arguments at values follow the call's own first four
// arguments on the caller's stack, as they do for a pointer to the variable
// arguments of a call (mode, section, key, format, ...).
bool ValuesFollowArguments(const StandInCall* call, const void* values) {
    const uintptr_t* words = (const uintptr_t*)values - 4;
    if (!SafeRange(words, 4 * sizeof(uintptr_t), false)) return false;
    for (uint32_t i = 0; i < 4; ++i)
        if (words[i] != call->Args[i]) return false;
    return true;
}

}  // namespace

void ResetLifecycleHost() {
    strcpy(HostDate, DefaultHostDate);
    ProfileFile[0] = 0;
    FormChangesField = false;
    FormField = 0;
    FormSeen = false;
}

extern "C" int HOST_CALLEE HostDataVersion(void) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostDataVersion);
    return (int)FinishCall(call, DATA_VERSION);
}

extern "C" uint32_t HOST_CALLEE HostDateValue(const char* date) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostDateValue, date);
    const char* text = date ? ExpectText(call, 0, TEXT_BOUND) : HostDate;
    uint32_t value = text ? DateValue(text) : 0;
    if (text && !value)
        Violation("HostDateValue: argument 1 \"%s\" is not a date like \"Dec  5 2016\"", text);
    if (!date) SetNote(call, "own date %s", HostDate);
    return (uint32_t)FinishCall(call, (intptr_t)value);
}

extern "C" int HOST_CALLEE HostError(const char* text) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostError, text);
    ExpectText(call, 0, TEXT_BOUND);
    return (int)FinishCall(call, 0);
}

// The form shows the record's text under the caption; the user's answer goes
// into the record's first field.
extern "C" int HOST_CALLER HostForm(int32_t form, void* record, int32_t zero, const char* caption) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostForm, form, record, zero, caption);
    ExpectValue(call, 0, NOTICE_FORM);
    bool writable = ExpectBuffer(call, 1, NOTICE_RECORD_SIZE, true);
    ExpectValue(call, 2, 0);
    ExpectText(call, 3, TEXT_BOUND);
    if (writable) {
        NoticeRecord* notice = (NoticeRecord*)record;
        if (SafeTextLength(notice->Text, NOTICE_TEXT_SIZE) < 0)
            Violation("HostForm: the record's text is not terminated within %u bytes",
                      (unsigned)NOTICE_TEXT_SIZE);
        memcpy(&LastForm, notice, sizeof LastForm);
        FormSeen = true;
        if (FormChangesField) notice->Answer = FormField;
        SetNote(call, "first field %ld, left %ld", (long)LastForm.Answer, (long)notice->Answer);
    }
    return (int)FinishCall(call, 1);
}

// Mode 1 reads the setting with the format into the variables that the
// argument list points to; mode 2 writes the values in the argument list.
// Only "%d" (one 32-bit integer) is offered. A read answers 0, or 1 when no
// number is stored; a write answers 0, or 1 when the file cannot be written.
extern "C" int HOST_CALLER HostProfile(int32_t mode, const char* section, const char* key,
                                       const char* format, void* arguments) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostProfile, mode, section, key, format, arguments);
    if (mode != PROFILE_READ && mode != PROFILE_WRITE)
        Violation("HostProfile: argument 1 expected 1 or 2, got %ld", (long)mode);
    const char* sectionText = ExpectText(call, 1, TEXT_BOUND);
    const char* keyText = ExpectText(call, 2, TEXT_BOUND);
    const char* formatText = ExpectText(call, 3, TEXT_BOUND);
    if (formatText && strcmp(formatText, "%d") != 0)
        Violation("HostProfile: argument 4 \"%s\": this host reads and writes only \"%%d\"",
                  formatText);
    bool listed = ExpectBuffer(call, 4, sizeof(void*), false);
    if (listed && mode == PROFILE_READ && !SafeRange(*(void**)arguments, sizeof(int32_t), true)) {
        Violation("HostProfile: argument 5 does not lead to a writable 32-bit variable");
        listed = false;
    }
    if (!sectionText || !keyText || !formatText || !listed) return (int)FinishCall(call, 1);

    const char* where =
        ValuesFollowArguments(call, arguments) ? "values after format" : "values elsewhere";
    char value[PROFILE_VALUE_SIZE];
    intptr_t result = 0;
    if (mode == PROFILE_READ) {
        int32_t number;
        if (!ReadSetting(sectionText, keyText, value, sizeof value)) {
            SetNote(call, "no value; %s", where);
            result = PROFILE_READ_FAILED;
        } else if (!ParseNumber(value, &number)) {
            SetNote(call, "not a number \"%s\"; %s", value, where);
            result = PROFILE_READ_FAILED;
        } else {
            **(int32_t**)arguments = number;
            SetNote(call, "read %s; %s", value, where);
        }
    } else if (mode == PROFILE_WRITE) {
        snprintf(value, sizeof value, "%ld", (long)*(const int32_t*)arguments);
        result = WritePrivateProfileStringA(sectionText, keyText, value, ProfilePath()) ? 0 : 1;
        SetNote(call, "wrote %s; %s", value, where);
    }
    return (int)FinishCall(call, result);
}

STANDIN_API int StandIn_SetHostDate(const char* date) {
    if (!date) date = DefaultHostDate;
    if (strlen(date) >= sizeof HostDate || !DateValue(date)) return 0;
    strcpy(HostDate, date);
    return 1;
}

STANDIN_API int StandIn_SetProfileFile(const char* path) {
    if (!path) {
        ProfileFile[0] = 0;
        return 1;
    }
    DWORD length = GetFullPathNameA(path, sizeof ProfileFile, ProfileFile, nullptr);
    if (length == 0 || length >= sizeof ProfileFile) {
        ProfileFile[0] = 0;
        return 0;
    }
    return 1;
}

STANDIN_API uint32_t StandIn_ProfileFile(char* path, uint32_t size) {
    const char* current = ProfilePath();
    uint32_t length = (uint32_t)strlen(current);
    if (length >= size) return 0;
    memcpy(path, current, length + 1);
    return length;
}

STANDIN_API int StandIn_SetProfileValue(const char* section, const char* key, const char* value) {
    return WritePrivateProfileStringA(section, key, value, ProfilePath()) ? 1 : 0;
}

STANDIN_API int StandIn_ProfileValue(const char* section, const char* key, char* value,
                                     uint32_t size) {
    return ReadSetting(section, key, value, size) ? 1 : 0;
}

STANDIN_API int StandIn_SetTableLength(int32_t table, int32_t length) {
    HostTableDescriptor* descriptor = TableDescriptor(table);
    if (!descriptor) return 0;
    descriptor->RecordLength = (int16_t)length;
    return 1;
}

STANDIN_API void StandIn_ScriptForm(int changesField, int32_t firstField) {
    FormChangesField = changesField != 0;
    FormField = firstField;
}

STANDIN_API uint32_t StandIn_FormRecord(void* record, uint32_t size) {
    if (!FormSeen) return 0;
    if (size > sizeof LastForm) size = sizeof LastForm;
    memcpy(record, &LastForm, size);
    return size;
}
