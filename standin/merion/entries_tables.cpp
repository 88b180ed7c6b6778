// Host entries of the data side: tables, keys and scans (the data version and
// dates are in entries_lifecycle.cpp). HostTable hands out the descriptors of
// tables 52 and 53; a scan delivers, one per HostScanNext, the rows of table
// 53 whose owner key is the key value given to HostMakeKey, into the row
// buffer that table 53's descriptor names. Scans are kept per cursor area, so
// that every scan begun is also ended, and the cursor area is filled with a
// pattern that must come back unchanged.
#include <stdio.h>
#include <string.h>

#include "host_data.h"

namespace {

enum {
    PREPARE_ALL = 255,
    DESCRIPTOR_SIZE = sizeof(HostTableDescriptor),
    KEY_BUILT = 0x2A,          // HostMakeKey's default answer: a key was built
    KEY_FILL = 0xEE,           // the key buffer's bytes after the key text
    SCAN_STARTED = 1,          // HostScanBegin's default answer
    ROW_DELIVERED = 1,         // HostScanNext's answer for a row
};

uint8_t CursorByte(uintptr_t cursor, uint32_t i) {
    return (uint8_t)(0xC5 ^ (i * 7) ^ (cursor >> 4));
}

void FillCursor(void* cursor) {
    for (uint32_t i = 0; i < SCAN_CURSOR_SIZE; ++i)
        ((uint8_t*)cursor)[i] = CursorByte((uintptr_t)cursor, i);
}

// The cursor area belongs to the host between HostScanBegin and HostScanEnd.
void ExpectCursorIntact(const char* entry, void* cursor) {
    if (!SafeRange(cursor, SCAN_CURSOR_SIZE, false)) {
        Violation("%s: cursor area %p is no longer readable", entry, cursor);
        return;
    }
    for (uint32_t i = 0; i < SCAN_CURSOR_SIZE; ++i) {
        if (((const uint8_t*)cursor)[i] != CursorByte((uintptr_t)cursor, i)) {
            Violation("%s: byte %u of the cursor area was changed since HostScanBegin", entry,
                      (unsigned)i);
            return;
        }
    }
}

}  // namespace

extern "C" HostTableDescriptor* HOST_CALLEE HostTable(int32_t table) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostTable, table);
    HostTableDescriptor* offered = OfferedTable(table);
    SetNote(call, offered ? "table %ld" : "table %ld not offered", (long)table);
    HostTableDescriptor* result = (HostTableDescriptor*)FinishCall(call, (intptr_t)offered);
    NoteHandedOut(result);
    return result;
}

// Prepares a table for scans; table 53 gets a fresh, empty row buffer.
extern "C" int HOST_CALLEE HostTablePrepare(HostTableDescriptor* table, int32_t mode) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostTablePrepare, table, mode);
    bool readable = ExpectBuffer(call, 0, DESCRIPTOR_SIZE, false);
    ExpectValue(call, 1, PREPARE_ALL);
    if (readable && !IsHandedOut(table))
        Violation("HostTablePrepare: argument 1 %p is not a descriptor that HostTable handed out",
                  (void*)table);
    if (table && table == TableDescriptor(TABLE_ORDER_LINES)) {
        DescriptorIntact("HostTablePrepare", TABLE_ORDER_LINES);
        PrepareLineRowBuffer();
        SetNote(call, "table 53 row buffer now %p", (void*)LineRowBuffer());
    }
    return (int)FinishCall(call, 0);
}

// Builds the key of an index for a key value into the 256-byte buffer
// (all 256 bytes are written) and answers a nonzero number for it; 0 when no
// key is built (scripted), and the buffer is then left as it is.
extern "C" int HOST_CALLEE HostMakeKey(int32_t index, int32_t zero, char* key256, int32_t value) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostMakeKey, index, zero, key256, value);
    ExpectValue(call, 1, 0);
    bool buffer = ExpectBuffer(call, 2, TEXT_BUFFER_SIZE, true);
    int32_t result = (int32_t)FinishCall(call, KEY_BUILT);
    BuiltKey& key = LastKey();
    key.Valid = result != 0 && buffer;
    if (!key.Valid) return result;
    key.Result = result;
    key.Value = value;
    snprintf(key.Text, sizeof key.Text, "K%ld:%ld", (long)index, (long)value);
    memset(key256, KEY_FILL, TEXT_BUFFER_SIZE);
    memcpy(key256, key.Text, strlen(key.Text) + 1);
    SetNote(call, "key \"%s\"", key.Text);
    return result;
}

extern "C" int HOST_CALLEE HostScanBegin(void* cursor192, int32_t zero1, int32_t key, char* key256,
                                         int32_t zero2, int32_t zero3) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostScanBegin, cursor192, zero1, key, key256, zero2, zero3);
    bool cursor = ExpectBuffer(call, 0, SCAN_CURSOR_SIZE, true);
    ExpectValue(call, 1, 0);
    const char* keyText = ExpectText(call, 3, TEXT_BUFFER_SIZE);
    ExpectValue(call, 4, 0);
    ExpectValue(call, 5, 0);
    const BuiltKey& built = LastKey();
    if (!built.Valid) {
        Violation("HostScanBegin: no key built by HostMakeKey");
    } else {
        ExpectValue(call, 2, built.Result);
        if (keyText && strcmp(keyText, built.Text) != 0)
            Violation("HostScanBegin: argument 4 \"%s\" is not the key HostMakeKey built (\"%s\")",
                      keyText, built.Text);
    }
    intptr_t result = FinishCall(call, SCAN_STARTED);
    // The cursor counts as open even when the scan does not start: the caller
    // ends it either way.
    if (cursor) {
        if (FindScan((uintptr_t)cursor192)) {
            Violation("HostScanBegin: cursor %p is already in a scan that was not ended", cursor192);
        } else if (ScanState* scan = NewScan((uintptr_t)cursor192)) {
            scan->Started = result != 0;
            scan->KeyValue = built.Valid ? built.Value : 0;
            FillCursor(cursor192);
            OpenResource((uintptr_t)cursor192);
            SetNote(call, result ? "rows of key value %ld" : "scan not started",
                    (long)scan->KeyValue);
        }
    }
    return (int)result;
}

extern "C" int HOST_CALLEE HostScanNext(void* cursor192) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostScanNext, cursor192);
    ScanState* scan = FindScan((uintptr_t)cursor192);
    if (!scan) {
        Violation("HostScanNext: argument 1 %p is not the cursor of a scan begun", cursor192);
        return (int)FinishCall(call, 0);
    }
    ExpectCursorIntact("HostScanNext", cursor192);
    if (!scan->Started) {
        Violation("HostScanNext: the scan of cursor %p did not start", cursor192);
        return (int)FinishCall(call, 0);
    }
    if (scan->Exhausted) {
        // Answering 0 ends a loop that does not stop at the first answer.
        Violation("HostScanNext: called again after the scan answered that no row is left");
        return (int)FinishCall(call, 0);
    }
    DescriptorIntact("HostScanNext", TABLE_ORDER_LINES);
    for (; scan->Position < LineCount(); ++scan->Position) {
        const StoredLine* line = LineAt(scan->Position);
        if (line->OwnerKey != scan->KeyValue) continue;
        memcpy(LineRowBuffer(), &line->Row, sizeof line->Row);
        SetNote(call, "line %u into %p", (unsigned)scan->Position, (void*)LineRowBuffer());
        ++scan->Position;
        return (int)FinishCall(call, ROW_DELIVERED);
    }
    scan->Exhausted = true;
    SetNote(call, "no row left");
    return (int)FinishCall(call, ScanEndResult());
}

extern "C" int HOST_CALLEE HostScanEnd(void* cursor192) {
    StandInCall* call = BEGIN_CALL(ENTRY_HostScanEnd, cursor192);
    ScanState* scan = FindScan((uintptr_t)cursor192);
    if (!scan || !CloseResource((uintptr_t)cursor192)) {
        Violation("HostScanEnd: argument 1 %p is not the cursor of a scan begun", cursor192);
    } else {
        ExpectCursorIntact("HostScanEnd", cursor192);
        EndScan(scan);
    }
    return (int)FinishCall(call, 0);
}
