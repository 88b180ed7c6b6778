// Start and stop: the checks that host and plug-in fit each other, and the
// replacement of the purchase register's key handler.
#include "export.h"
#include "lifecycle.h"
#include "texts.h"

extern "C" {
HostFeatureQueryFn HostFeatureQuery = nullptr;
TableCheck* MismatchList = nullptr;
HostTableDescriptor* HookedTable = nullptr;
}

static TableCheck OrdersCheck;       // table 52, by CheckTables
static TableCheck OrderLinesCheck;   // table 53, by CheckTables
static TableCheck HookCheck;         // table 52, by HookKeyHandler

// Links a check at the end of the list, unless it is in the list already.
static void AppendMismatch(TableCheck* check) {
    TableCheck** link = &MismatchList;
    for (; *link; link = &(*link)->Next)
        if (*link == check) return;
    *link = check;
}

static int32_t RecordLengthOf(const HostTableDescriptor* table) {
    return table ? table->RecordLength : 0;
}

static void FillCheck(TableCheck* check, const char* name, int32_t expected,
                      const HostTableDescriptor* table) {
    check->ExpectedLength = expected;
    check->ActualLength = RecordLengthOf(table);
    check->Name = name;
    check->Next = nullptr;
}

extern "C" int32_t CheckTables(void) {
    static const struct {
        int32_t Table;
        const char* Name;
        int32_t Length;
        TableCheck* Check;
    } tables[] = {
        {TABLE_ORDERS, TEXT_TABLE_ORDERS, ORDER_RECORD_LENGTH, &OrdersCheck},
        {TABLE_ORDER_LINES, TEXT_TABLE_ORDER_LINES, ORDER_LINE_RECORD_LENGTH, &OrderLinesCheck},
    };
    for (const auto& t : tables) {
        FillCheck(t.Check, t.Name, t.Length, HostTable(t.Table));
        if (t.Check->ExpectedLength != t.Check->ActualLength) AppendMismatch(t.Check);
    }
    int32_t count = 0;
    for (const TableCheck* check = MismatchList; check; check = check->Next) ++count;
    return count;
}

extern "C" int32_t HookKeyHandler(void) {
    if (HookedTable) return 0;
    HostTableDescriptor* table = HostTable(TABLE_ORDERS);
    if (table && table->RecordLength == ORDER_RECORD_LENGTH) {
        SavedKeyHandler = table->KeyHandler;
        table->KeyHandler = ExportKeyHandler;
        HookedTable = table;
        return 0;
    }
    FillCheck(&HookCheck, TEXT_TABLE_ORDERS, ORDER_RECORD_LENGTH, table);
    AppendMismatch(&HookCheck);
    return -1;
}

extern "C" int32_t StopPlugin(void) {
    if (HookedTable) {
        HookedTable->KeyHandler = SavedKeyHandler;
        HookedTable = nullptr;
    }
    return 0;
}

static int32_t NeedsNewerPlugin(void) {
    HostError(TEXT_NEEDS_NEWER_PLUGIN);
    return -1;
}

static int32_t NeedsNewerHost(void) {
    HostError(TEXT_NEEDS_NEWER_HOST);
    return -1;
}

extern "C" int32_t StartPlugin(void) {
    if (!(HostFeatureQuery(1, 1) & 1)) return NeedsNewerHost();
    uint32_t required = HostDateValue(TEXT_REQUIRED_HOST_DATE);
    uint32_t own = HostDateValue(nullptr);
    if (own < required) return NeedsNewerHost();
    if (HostDataVersion() != REQUIRED_DATA_VERSION) return NeedsNewerPlugin();
    if (CheckTables() != 0) return NeedsNewerPlugin();
    if (HookKeyHandler() == 0) return 0;
    StopPlugin();
    return NeedsNewerPlugin();
}
