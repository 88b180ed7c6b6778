// Benchmark of the export file writer: orders of 1,000, 100,000 and
// 1,000,000 lines through WriteExportFile against an in-memory host, next to
// a bare loop that formats the same rows with the same format and hands them
// to the same host. Prints figures; asserts nothing about speed.
//
//   export_bench                 time per line and peak memory at each size
//   export_bench --count N...    under callgrind (bench/run.sh): one dump per
//                                phase, counting the caller's instructions only
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <time.h>

#include <valgrind/callgrind.h>

#include "bench_host.h"
#include "export.h"
#include "host_entries.h"
#include "texts.h"

namespace {

const char kFileName[] = "Z12.txt";

double Now() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

long PeakKiB() {
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

OrderRow g_order;

void RunPlugin() {
    WriteExportFile(kFileName, 0, &g_order);
}

// What the writer would be with nothing but the formatting: same scan, same
// format, same host, no care for fields or the radix.
__attribute__((noinline)) void RunBareLoop() {
    uint8_t cursor[SCAN_CURSOR_SIZE];
    char key[TEXT_BUFFER_SIZE];
    char line[LINE_BUFFER_SIZE];
    HostTableDescriptor* table = HostTable(TABLE_ORDER_LINES);
    const OrderLineRow* row = (const OrderLineRow*)table->RowBuffer;
    int32_t k = HostMakeKey(0, 0, key, g_order.LinesKey);
    if (HostScanBegin(cursor, 0, k, key, 0, 0)) {
        while (HostScanNext(cursor) == 1) {
            snprintf(line, sizeof line, FORMAT_EXPORT_LINE, row->Code, row->Description,
                     (double)row->QuantityThousandths / 1000.0);
            HostAppendLine(kFileName, line);
        }
    }
    HostScanEnd(cursor);
}

struct Phase {
    const char* Name;
    void (*Run)();
};
const Phase kPhases[] = {{"plugin", RunPlugin}, {"bare", RunBareLoop}};

// Counting under callgrind: collection on for the phase only (the host
// switches it off around its own work), one dump per phase.
void Count(uint32_t lines) {
    char label[64];
    for (const Phase& phase : kPhases) {
        BenchHostStart(lines);
        BenchHostExcludeFromCount(true);
        CALLGRIND_ZERO_STATS;
        CALLGRIND_TOGGLE_COLLECT;
        phase.Run();
        CALLGRIND_TOGGLE_COLLECT;
        BenchHostExcludeFromCount(false);
        snprintf(label, sizeof label, "%s %u", phase.Name, lines);
        CALLGRIND_DUMP_STATS_AT(label);
    }
}

// Best of several rounds (the two phases alternate), so that a busy machine
// disturbs the figures as little as it can.
void Time(uint32_t lines) {
    const uint32_t rounds = lines >= 1000000 ? 3 : lines >= 100000 ? 10 : 200;
    double best[2] = {1e30, 1e30};
    BenchSink sinks[2];
    for (uint32_t round = 0; round < rounds; ++round) {
        for (int i = 0; i < 2; ++i) {
            BenchHostStart(lines);
            double start = Now();
            kPhases[i].Run();
            double seconds = Now() - start;
            if (seconds < best[i]) best[i] = seconds;
            sinks[i] = BenchHostSink();
        }
    }
    bool same = sinks[0].Lines == sinks[1].Lines && sinks[0].Hash == sinks[1].Hash &&
                sinks[0].Bytes == sinks[1].Bytes;
    printf("%9u  %12.1f  %12.1f  %6.2f  %10.1f  %9ld  %s\n", lines, best[0] * 1e9 / lines,
           best[1] * 1e9 / lines, best[0] / best[1], (double)sinks[0].Bytes / lines, PeakKiB(),
           same ? "yes" : "NO");
}

}  // namespace

int main(int argc, char** argv) {
    memset(&g_order, 0, sizeof g_order);
    snprintf(g_order.OrderNumber, sizeof g_order.OrderNumber, "Z12");
    g_order.LinesKey = 77;

    if (argc > 1 && strcmp(argv[1], "--count") == 0) {
        if (!RUNNING_ON_VALGRIND) {
            fprintf(stderr, "--count is meant to run under valgrind --tool=callgrind (bench/run.sh)\n");
            return 2;
        }
        for (int i = 2; i < argc; ++i) Count((uint32_t)strtoul(argv[i], nullptr, 10));
        return 0;
    }

    static const uint32_t sizes[] = {1000, 100000, 1000000};
    printf("Export of one order through WriteExportFile (in-memory host, checksum sink)\n");
    printf("time: best round; peak RSS: the process's peak after each size (rising order)\n\n");
    printf("%9s  %12s  %12s  %6s  %10s  %9s  %s\n", "lines", "plugin ns/l", "bare ns/l",
           "ratio", "bytes/line", "peak KiB", "same lines");
    printf("(peak before the first export: %ld KiB)\n", PeakKiB());
    for (uint32_t lines : sizes) Time(lines);
    return 0;
}
