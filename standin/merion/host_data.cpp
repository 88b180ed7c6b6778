// The host's data in the MERION stand-in (host_data.h) and the control
// entries through which a test program fills and reads it.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <type_traits>

#include "host_data.h"

namespace {

enum {
    MAX_RECORDS = 8,
    MAX_SCANS = 4,
    MAX_HANDED_OUT = 8,
    PAGE = 4096,
    // Each guarded record gets a slot of two pages: it ends where the first
    // page ends, and the second page is no-access.
    SLOT_SIZE = 2 * PAGE,
};

// The host's own key handler of table 52: logs its eleven arguments as entry
// STANDIN_KEY_HANDLER and answers from the script (default 0).
int32_t HOST_CALLEE HostOwnKeyHandler(uint32_t key, int32_t index, intptr_t a3, void** rows,
                                      intptr_t a5, void* browse, intptr_t a7, intptr_t a8,
                                      intptr_t a9, intptr_t a10, intptr_t a11) {
    StandInCall* call = BEGIN_CALL(STANDIN_KEY_HANDLER, key, index, a3, rows, a5, browse, a7, a8,
                                   a9, a10, a11);
    return (int32_t)FinishCall(call, 0);
}
static_assert(std::is_same<decltype(&HostOwnKeyHandler), KeyHandlerFn>::value,
              "the host's key handler has the key handler contract");

struct StoredRecord {
    char Key[TEXT_BUFFER_SIZE];
    DeliverySettings Record;
};

struct TextAnswerSlot {
    uint32_t Entry;
    bool Set;
    char Text[TEXT_BUFFER_SIZE];
};

struct BrowseMove {
    bool Armed;
    uint32_t Entry;       // after the next call of this entry
    int32_t Current;      // BrowseState's value at byte 88 becomes this
};

// Guarded records, allocated once and reused across resets.
struct GuardedRecords {
    HostTableDescriptor* Descriptors[2];   // tables 52 and 53
    OrderLineRow* LineRows[2];             // alternate row buffers of table 53
    OrderRow* Orders[MAX_ORDERS];
    void** Rows;                           // the browse's row array, MAX_ORDERS pointers
    BrowseState* Browse;
};
enum { GUARDED_SLOTS = 2 + 2 + MAX_ORDERS + 1 + 1 };

GuardedRecords Guarded;
bool Allocated;

// The rest of the host's state, cleared by every reset.
struct State {
    bool Offered[2];
    uint32_t CurrentLineRow;
    uint32_t OrderCount;
    StoredLine Lines[MAX_LINES];
    uint32_t LineCount;
    StoredRecord Records[MAX_RECORDS];
    uint32_t RecordCount;
    TextAnswerSlot TextAnswers[2];
    int32_t ScanEnd;
    BuiltKey Key;
    ScanState Scans[MAX_SCANS];
    HostTableDescriptor* HandedOut[MAX_HANDED_OUT];
    uint32_t HandedOutCount;
    bool MailPrepared;
    BrowseMove Move;
};
State S;

template <typename T>
T* SlotRecord(uint8_t* slot) {
    static_assert(sizeof(T) <= PAGE, "a guarded record fits one page");
    return (T*)(slot + PAGE - sizeof(T));
}

bool Allocate() {
    uint8_t* base = (uint8_t*)VirtualAlloc(nullptr, GUARDED_SLOTS * SLOT_SIZE,
                                           MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (!base) return false;
    for (uint32_t slot = 0; slot < GUARDED_SLOTS; ++slot) {
        DWORD previous;
        if (!VirtualProtect(base + slot * SLOT_SIZE + PAGE, PAGE, PAGE_NOACCESS, &previous))
            return false;
    }
    uint8_t* slot = base;
    for (auto& descriptor : Guarded.Descriptors) {
        descriptor = SlotRecord<HostTableDescriptor>(slot);
        slot += SLOT_SIZE;
    }
    for (auto& row : Guarded.LineRows) {
        row = SlotRecord<OrderLineRow>(slot);
        slot += SLOT_SIZE;
    }
    for (auto& order : Guarded.Orders) {
        order = SlotRecord<OrderRow>(slot);
        slot += SLOT_SIZE;
    }
    struct RowArray {
        void* Rows[MAX_ORDERS];
    };
    Guarded.Rows = SlotRecord<RowArray>(slot)->Rows;
    slot += SLOT_SIZE;
    Guarded.Browse = SlotRecord<BrowseState>(slot);
    return true;
}

int TableSlot(int32_t table) {
    if (table == TABLE_ORDERS) return 0;
    if (table == TABLE_ORDER_LINES) return 1;
    return -1;
}

void ResetDescriptor(HostTableDescriptor* descriptor, int16_t length, void* row,
                     KeyHandlerFn handler) {
    memset(descriptor, 0, sizeof *descriptor);
    descriptor->RecordLength = length;
    descriptor->RowBuffer = row;
    descriptor->KeyHandler = handler;
}

// Copies at most width - 1 bytes of text into a field and terminates it.
void PutText(char* field, size_t width, const char* text) {
    size_t length = text ? strnlen(text, width - 1) : 0;
    if (length) memcpy(field, text, length);
    field[length] = 0;
}

// Whether the guarded records exist (they are allocated when the stand-in
// loads; a failure there is a violation of every later scenario).
bool Ready() { return Allocated; }

}  // namespace

void ResetHostData() {
    memset(&S, 0, sizeof S);
    S.TextAnswers[0].Entry = ENTRY_HostMaskPath;
    S.TextAnswers[1].Entry = ENTRY_HostFileDialog;
    if (!Allocated) {
        Violation("stand-in: the host's records could not be allocated");
        return;
    }
    S.Offered[0] = S.Offered[1] = true;
    ResetDescriptor(Guarded.Descriptors[0], ORDER_RECORD_LENGTH, Guarded.Orders[0],
                    HostOwnKeyHandler);
    ResetDescriptor(Guarded.Descriptors[1], ORDER_LINE_RECORD_LENGTH, Guarded.LineRows[0], nullptr);
    for (auto row : Guarded.LineRows) memset(row, 0, sizeof *row);
    for (auto order : Guarded.Orders) memset(order, 0, sizeof *order);
    memset(Guarded.Rows, 0, MAX_ORDERS * sizeof(void*));
    memset(Guarded.Browse, 0, sizeof *Guarded.Browse);
}

namespace {

// The host's data exists from the moment the stand-in is loaded, in its
// start state.
struct HostDataSetUp {
    HostDataSetUp() {
        Allocated = Allocate();
        ResetHostData();
    }
} SetUp;

}  // namespace

HostTableDescriptor* TableDescriptor(int32_t table) {
    int slot = TableSlot(table);
    return slot >= 0 && Ready() ? Guarded.Descriptors[slot] : nullptr;
}

HostTableDescriptor* OfferedTable(int32_t table) {
    int slot = TableSlot(table);
    return slot >= 0 && Ready() && S.Offered[slot] ? Guarded.Descriptors[slot] : nullptr;
}

bool IsHandedOut(const HostTableDescriptor* table) {
    for (uint32_t i = 0; i < S.HandedOutCount; ++i)
        if (S.HandedOut[i] == table) return true;
    return false;
}

void NoteHandedOut(HostTableDescriptor* table) {
    if (!table || IsHandedOut(table) || S.HandedOutCount == MAX_HANDED_OUT) return;
    S.HandedOut[S.HandedOutCount++] = table;
}

OrderLineRow* LineRowBuffer() {
    return Ready() ? Guarded.LineRows[S.CurrentLineRow] : nullptr;
}

void PrepareLineRowBuffer() {
    if (!Ready()) return;
    S.CurrentLineRow ^= 1;
    memset(Guarded.LineRows[S.CurrentLineRow], 0, sizeof(OrderLineRow));
    Guarded.Descriptors[1]->RowBuffer = Guarded.LineRows[S.CurrentLineRow];
}

bool DescriptorIntact(const char* entry, int32_t table) {
    HostTableDescriptor* descriptor = TableDescriptor(table);
    if (!descriptor) return false;
    bool lines = table == TABLE_ORDER_LINES;
    int16_t length = lines ? (int16_t)ORDER_LINE_RECORD_LENGTH : (int16_t)ORDER_RECORD_LENGTH;
    void* row = lines ? (void*)Guarded.LineRows[S.CurrentLineRow] : (void*)Guarded.Orders[0];
    bool intact = true;
    if (descriptor->RecordLength != length) {
        Violation("%s: RecordLength of table %d changed to %d", entry, (int)table,
                  (int)descriptor->RecordLength);
        intact = false;
    }
    if (descriptor->RowBuffer != row) {
        Violation("%s: RowBuffer of table %d changed to %p", entry, (int)table,
                  descriptor->RowBuffer);
        intact = false;
    }
    return intact;
}

uint32_t LineCount() { return S.LineCount; }
const StoredLine* LineAt(uint32_t index) { return index < S.LineCount ? &S.Lines[index] : nullptr; }

const DeliverySettings* FindRecord(const char* key) {
    for (uint32_t i = 0; i < S.RecordCount; ++i)
        if (strcmp(S.Records[i].Key, key) == 0) return &S.Records[i].Record;
    return nullptr;
}

const char* TextAnswer(uint32_t entry) {
    for (const TextAnswerSlot& slot : S.TextAnswers)
        if (slot.Entry == entry && slot.Set) return slot.Text;
    return nullptr;
}

int32_t ScanEndResult() { return S.ScanEnd; }
BuiltKey& LastKey() { return S.Key; }
bool& MailPrepared() { return S.MailPrepared; }

ScanState* FindScan(uintptr_t cursor) {
    for (ScanState& scan : S.Scans)
        if (scan.Cursor == cursor) return &scan;
    return nullptr;
}

ScanState* NewScan(uintptr_t cursor) {
    ScanState* scan = FindScan(0);
    if (!scan) {
        Violation("stand-in: more than %u scans at once", (unsigned)MAX_SCANS);
        return nullptr;
    }
    memset(scan, 0, sizeof *scan);
    scan->Cursor = cursor;
    return scan;
}

void EndScan(ScanState* scan) { memset(scan, 0, sizeof *scan); }

void AfterHostCall(uint32_t entry) {
    if (!S.Move.Armed || S.Move.Entry != entry || !Allocated) return;
    S.Move.Armed = false;
    Guarded.Browse->Current = S.Move.Current;
}

void DropIntoOutbox(const char* file, const char* name, const char* folder, char* note,
                    uint32_t size) {
    const char* base = name;
    for (const char* at = name; *at; ++at)
        if (*at == '\\' || *at == '/' || *at == ':') base = at + 1;
    char directory[MAX_PATH], target[MAX_PATH];
    snprintf(directory, sizeof directory, "outbox\\%s", folder);
    snprintf(target, sizeof target, "%s\\%s", directory, base);
    CreateDirectoryA("outbox", nullptr);
    CreateDirectoryA(directory, nullptr);
    if (CopyFileA(file, target, FALSE))
        snprintf(note, size, "file put into %s", target);
    else
        snprintf(note, size, "file not put into %s (error %lu)", target,
                 (unsigned long)GetLastError());
}

// Control entries.

STANDIN_API HostTableDescriptor* StandIn_TableDescriptor(int32_t table) {
    return TableDescriptor(table);
}

STANDIN_API int StandIn_SetTableOffered(int32_t table, int offered) {
    int slot = TableSlot(table);
    if (slot < 0 || !Ready()) return 0;
    S.Offered[slot] = offered != 0;
    return 1;
}

STANDIN_API void* StandIn_HostKeyHandler(void) { return (void*)&HostOwnKeyHandler; }

STANDIN_API OrderRow* StandIn_AddOrder(const char* number, int32_t settingsNumber,
                                       int32_t linesKey) {
    if (!Ready()) return nullptr;
    if (S.OrderCount == MAX_ORDERS) {
        Violation("stand-in: more than %u orders in the browse", (unsigned)MAX_ORDERS);
        return nullptr;
    }
    OrderRow* row = Guarded.Orders[S.OrderCount];
    memset(row, 0, sizeof *row);
    PutText(row->OrderNumber, sizeof row->OrderNumber, number);
    row->SettingsNumber = settingsNumber;
    row->LinesKey = linesKey;
    Guarded.Rows[S.OrderCount++] = row;
    return row;
}

STANDIN_API void** StandIn_BrowseRows(void) { return Ready() ? Guarded.Rows : nullptr; }

STANDIN_API BrowseState* StandIn_BrowseState(void) { return Ready() ? Guarded.Browse : nullptr; }

STANDIN_API void StandIn_MoveBrowseOn(uint32_t entry, int32_t current) {
    S.Move.Armed = true;
    S.Move.Entry = entry;
    S.Move.Current = current;
}

STANDIN_API OrderLineRow* StandIn_AddLine(int32_t ownerKey, const char* code,
                                          const char* description, int32_t thousandths) {
    if (S.LineCount == MAX_LINES) {
        Violation("stand-in: more than %u lines in table 53", (unsigned)MAX_LINES);
        return nullptr;
    }
    StoredLine& line = S.Lines[S.LineCount++];
    memset(&line, 0, sizeof line);
    line.OwnerKey = ownerKey;
    PutText(line.Row.Code, sizeof line.Row.Code, code);
    PutText(line.Row.Description, sizeof line.Row.Description, description);
    line.Row.QuantityThousandths = thousandths;
    return &line.Row;
}

STANDIN_API int StandIn_SetRecord(const char* key, const DeliverySettings* record) {
    if (!key || strnlen(key, TEXT_BUFFER_SIZE) == TEXT_BUFFER_SIZE || !record) {
        Violation("stand-in: a settings record needs a key of at most 255 bytes and a record");
        return 0;
    }
    StoredRecord* slot = nullptr;
    for (uint32_t i = 0; i < S.RecordCount && !slot; ++i)
        if (strcmp(S.Records[i].Key, key) == 0) slot = &S.Records[i];
    if (!slot && S.RecordCount < MAX_RECORDS) slot = &S.Records[S.RecordCount++];
    if (!slot) {
        Violation("stand-in: more than %u settings records", (unsigned)MAX_RECORDS);
        return 0;
    }
    strcpy(slot->Key, key);
    memcpy(&slot->Record, record, sizeof slot->Record);
    return 1;
}

STANDIN_API int StandIn_SetTextAnswer(uint32_t entry, const char* text) {
    for (TextAnswerSlot& slot : S.TextAnswers) {
        if (slot.Entry != entry) continue;
        if (text && strnlen(text, TEXT_BUFFER_SIZE) == TEXT_BUFFER_SIZE) break;
        slot.Set = text != nullptr;
        PutText(slot.Text, sizeof slot.Text, text);
        return 1;
    }
    Violation("stand-in: no text answer of at most 255 bytes for entry %u", (unsigned)entry);
    return 0;
}

STANDIN_API void StandIn_SetScanEndResult(int32_t result) { S.ScanEnd = result; }
