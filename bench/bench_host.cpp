// The benchmark's host (see bench_host.h). Only the entries the export file
// writer calls are here.
#include "bench_host.h"

#include <stdio.h>
#include <string.h>

#include <valgrind/callgrind.h>

#include "host_entries.h"

namespace {

enum { TEMPLATE_COUNT = 64 };

OrderLineRow g_templates[TEMPLATE_COUNT];
uint8_t g_rowBuffer[ORDER_LINE_RECORD_LENGTH];
HostTableDescriptor g_linesTable;
uint32_t g_lineCount = 0;
uint32_t g_delivered = 0;
BenchSink g_sink;
bool g_exclude = false;

// Rows of varied length: codes of 4 to 16 characters, texts of 8 to 120
// with Mazovia letters, quantities of both signs.
void MakeTemplates() {
    static const char* const words[] = {"\x98ruba", "nakr\x91tka", "podk\x92" "adka", "k\x86townik",
                                        "ocynkowana", "M6", "stal", "\xA7" "\xA2" "\x92ta"};
    for (int i = 0; i < TEMPLATE_COUNT; ++i) {
        OrderLineRow& row = g_templates[i];
        memset(&row, 0, sizeof row);
        snprintf(row.Code, sizeof row.Code, "%.*s", 4 + i % 13, "KOD-0123456789ABCDEF");
        size_t used = 0;
        size_t wanted = 8 + (size_t)(i * 37) % 113;
        for (int w = i; used < wanted; ++w) {
            int n = snprintf(row.Description + used, sizeof row.Description - used, "%s ",
                             words[w % 8]);
            if (n <= 0 || used + (size_t)n >= wanted) break;
            used += (size_t)n;
        }
    }
}

inline void Exclude() {
    if (g_exclude) CALLGRIND_TOGGLE_COLLECT;
}

}  // namespace

void BenchHostStart(uint32_t lines) {
    static bool made = false;
    if (!made) {
        MakeTemplates();
        made = true;
    }
    memset(&g_linesTable, 0, sizeof g_linesTable);
    g_linesTable.RecordLength = ORDER_LINE_RECORD_LENGTH;
    g_linesTable.RowBuffer = g_rowBuffer;
    g_lineCount = lines;
    g_delivered = 0;
    g_sink = BenchSink{0, 0, 1469598103934665603ull};
}

const BenchSink& BenchHostSink() { return g_sink; }
HostTableDescriptor* BenchHostLinesTable() { return &g_linesTable; }
void BenchHostExcludeFromCount(bool exclude) { g_exclude = exclude; }

extern "C" {

int HOST_CALLEE HostMessage(const char*, const char* text, int32_t) {
    fprintf(stderr, "host message: %s\n", text);
    return 0;
}

HostTableDescriptor* HOST_CALLEE HostTable(int32_t table) {
    return table == TABLE_ORDER_LINES ? &g_linesTable : nullptr;
}

int HOST_CALLEE HostTablePrepare(HostTableDescriptor*, int32_t) { return 0; }

int HOST_CALLEE HostMakeKey(int32_t, int32_t, char* key256, int32_t value) {
    snprintf(key256, TEXT_BUFFER_SIZE, "%d", value);
    return 1;
}

int HOST_CALLEE HostScanBegin(void*, int32_t, int32_t, char*, int32_t, int32_t) {
    g_delivered = 0;
    return 1;
}

int HOST_CALLEE HostScanNext(void*) {
    Exclude();
    int result = 0;
    if (g_delivered < g_lineCount) {
        OrderLineRow* row = (OrderLineRow*)g_rowBuffer;
        memcpy(row, &g_templates[g_delivered % TEMPLATE_COUNT], sizeof *row);
        row->QuantityThousandths = (int32_t)((g_delivered * 7919u) % 2000001u) - 1000000;
        ++g_delivered;
        result = 1;
    }
    Exclude();
    return result;
}

int HOST_CALLEE HostScanEnd(void*) { return 0; }

int HOST_CALLEE HostAppendLine(const char*, const char* line) {
    Exclude();
    uint64_t hash = g_sink.Hash;
    const unsigned char* p = (const unsigned char*)line;
    for (; *p; ++p) hash = (hash ^ *p) * 1099511628211ull;
    hash = ((hash ^ '\r') * 1099511628211ull ^ '\n') * 1099511628211ull;
    g_sink.Bytes += (uint64_t)(p - (const unsigned char*)line) + 2;
    g_sink.Hash = hash;
    ++g_sink.Lines;
    Exclude();
    return 1;
}

}  // extern "C"
