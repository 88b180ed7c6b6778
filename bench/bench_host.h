// A minimal in-memory host for the export benchmark: table 53 with rows made
// up on the fly as the scan asks for them (so the host holds no memory that
// grows with the order), and HostAppendLine feeding a checksum sink.
#pragma once

#include <stdint.h>

#include "host_records.h"

struct BenchSink {
    uint64_t Lines;
    uint64_t Bytes;
    uint64_t Hash;  // FNV-1a over every line and its line end
};

// Sets the number of lines the next scan delivers and empties the sink.
void BenchHostStart(uint32_t lines);
const BenchSink& BenchHostSink();
// The table 53 descriptor the host hands out (its RowBuffer is what the scan fills).
HostTableDescriptor* BenchHostLinesTable();

// When set, the host's own work inside HostScanNext and HostAppendLine is
// left out of callgrind's count, so that the count is the caller's alone.
void BenchHostExcludeFromCount(bool exclude);
