// Host entries of the data side: data version, dates, tables, keys and scans.
// The stand-in offers no tables yet (HostTable answers null unless scripted);
// scans are tracked per cursor so that every scan begun is also ended.
#include <stdio.h>
#include <string.h>

#include "standin.h"

namespace {

enum {
    DATA_VERSION = 112,
    PREPARE_ALL = 255,
    DESCRIPTOR_SIZE = sizeof(HostTableDescriptor),
};

// The host's own date, what HostDateValue(null) measures.
const char HostBuildDate[] = "Mar 14 2018";

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

}  // namespace

extern "C" int HOST_CALLEE HostDataVersion(void) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostDataVersion);
    return (int)FinishCall(call, DATA_VERSION);
}

extern "C" uint32_t HOST_CALLEE HostDateValue(const char* date) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostDateValue, date);
    const char* text = date ? ExpectText(call, 0, TEXT_BOUND) : HostBuildDate;
    uint32_t value = text ? DateValue(text) : 0;
    if (text && !value) Violation("HostDateValue: argument 1 \"%s\" is not a date like \"Dec  5 2016\"", text);
    return (uint32_t)FinishCall(call, (intptr_t)value);
}

extern "C" HostTableDescriptor* HOST_CALLEE HostTable(int32_t table) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostTable, table);
    return (HostTableDescriptor*)FinishCall(call, 0);
}

extern "C" int HOST_CALLEE HostTablePrepare(HostTableDescriptor* table, int32_t mode) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostTablePrepare, table, mode);
    ExpectBuffer(call, 0, DESCRIPTOR_SIZE, false);
    ExpectValue(call, 1, PREPARE_ALL);
    return (int)FinishCall(call, 0);
}

extern "C" int HOST_CALLEE HostMakeKey(int32_t index, int32_t zero, char* key256, int32_t value) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostMakeKey, index, zero, key256, value);
    ExpectValue(call, 1, 0);
    if (ExpectBuffer(call, 2, TEXT_BUFFER_SIZE, true))
        snprintf(key256, TEXT_BUFFER_SIZE, "%d:%d", (int)index, (int)value);
    return (int)FinishCall(call, 1);
}

extern "C" int HOST_CALLEE HostScanBegin(void* cursor192, int32_t zero1, int32_t key, char* key256,
                                         int32_t zero2, int32_t zero3) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostScanBegin, cursor192, zero1, key, key256, zero2, zero3);
    bool cursor = ExpectBuffer(call, 0, SCAN_CURSOR_SIZE, true);
    ExpectValue(call, 1, 0);
    ExpectText(call, 3, TEXT_BUFFER_SIZE);
    ExpectValue(call, 4, 0);
    ExpectValue(call, 5, 0);
    // The cursor counts as open even when the scan does not start: the caller
    // ends it either way.
    if (cursor) OpenResource((uintptr_t)cursor192);
    return (int)FinishCall(call, 0);
}

extern "C" int HOST_CALLEE HostScanNext(void* cursor192) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostScanNext, cursor192);
    if (!IsOpenResource((uintptr_t)cursor192))
        Violation("HostScanNext: argument 1 %p is not the cursor of a scan begun", cursor192);
    return (int)FinishCall(call, 0);
}

extern "C" int HOST_CALLEE HostScanEnd(void* cursor192) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostScanEnd, cursor192);
    if (!CloseResource((uintptr_t)cursor192))
        Violation("HostScanEnd: argument 1 %p is not the cursor of a scan begun", cursor192);
    return (int)FinishCall(call, 0);
}
