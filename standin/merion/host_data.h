// The host's data as the stand-in keeps it, shared by the entries that read
// and change it: tables 52 (Tzak) and 53 (Tzak_dok) with their descriptors,
// the browse of table 52, the stored lines of table 53, the delivery-settings
// records and the scripted texts of the dialogs. The records the plug-in
// borrows (descriptors, rows, browse) each end exactly where a no-access page
// begins, so a read or write past the record faults instead of passing.
#pragma once

#include "standin.h"

enum {
    MAX_ORDERS = 16,    // rows of table 52 in the browse
    MAX_LINES = 256,    // rows of table 53
};

// A row of table 53 and the key value of the order it belongs to.
struct StoredLine {
    int32_t OwnerKey;
    OrderLineRow Row;
};

// Descriptor of table 52 or 53 (whether offered or not); null for any other.
HostTableDescriptor* TableDescriptor(int32_t table);
// The descriptor HostTable hands out for a table: null when not offered.
HostTableDescriptor* OfferedTable(int32_t table);
// Whether HostTable has handed this descriptor out since the last reset.
bool IsHandedOut(const HostTableDescriptor* table);
void NoteHandedOut(HostTableDescriptor* table);

// The row buffer the host fills for table 53 now. HostTablePrepare gives the
// table a fresh one each time, as the host does when it opens a table.
OrderLineRow* LineRowBuffer();
void PrepareLineRowBuffer();
// RecordLength and RowBuffer as the host set them; false (with a violation
// naming the entry) when the plug-in has written over either.
bool DescriptorIntact(const char* entry, int32_t table);

uint32_t LineCount();
const StoredLine* LineAt(uint32_t index);

// The stored delivery-settings record under a key, or null.
const DeliverySettings* FindRecord(const char* key);

// Scripted text of HostMaskPath or HostFileDialog, or null.
const char* TextAnswer(uint32_t entry);

// What HostScanNext answers once the scan has no row left (default 0).
int32_t ScanEndResult();

// The key most recently built by HostMakeKey.
struct BuiltKey {
    bool Valid;
    int32_t Result;      // what HostMakeKey returned
    int32_t Value;       // the key value it was given
    char Text[64];       // what it wrote into the caller's key buffer
};
BuiltKey& LastKey();

// One scan of table 53, kept by the stand-in for the caller's cursor area.
struct ScanState {
    uintptr_t Cursor;     // the caller's 192-byte cursor area
    bool Started;         // HostScanBegin answered nonzero
    bool Exhausted;       // HostScanNext has answered that no row is left
    int32_t KeyValue;     // rows whose owner key is this value belong to the scan
    uint32_t Position;    // next stored line to look at
};
// The scan of a cursor area, or null. NewScan replaces any ended one.
ScanState* FindScan(uintptr_t cursor);
ScanState* NewScan(uintptr_t cursor);
void EndScan(ScanState* scan);

// The e-mail prepared by HostMailPrepare and not yet sent.
bool& MailPrepared();

// Applies a scripted move of the browse cursor after a call of entry
// (StandIn_MoveBrowseOn).
void AfterHostCall(uint32_t entry);

// Copies a file into outbox\<folder>\ under the current directory, as the base
// name of name; describes the result into note.
void DropIntoOutbox(const char* file, const char* name, const char* folder, char* note,
                    uint32_t size);
