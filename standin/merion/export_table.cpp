// Removing host entries as the loader sees them: the stand-in clears its own
// export address table entry for the number in memory, so that a lookup by
// number finds address zero and returns null, exactly as for a host that lacks
// the entry. The table is normally read-only; each write changes the
// protection of the four bytes and restores it at once.
#include <windows.h>

#include "standin.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

enum { MAX_REMOVED = 32 };

struct RemovedEntry {
    uint32_t Entry;   // entry number
    DWORD Address;    // its export table value (relative address) before removal
};
RemovedEntry Removed[MAX_REMOVED];
uint32_t RemovedCount;

// Address of the stand-in's own image, where its headers begin.
uintptr_t ImageBase() { return (uintptr_t)&__ImageBase; }

// The stand-in's own export table.
const IMAGE_EXPORT_DIRECTORY* ExportDirectory() {
    const IMAGE_DOS_HEADER* dos = (const IMAGE_DOS_HEADER*)ImageBase();
    const IMAGE_NT_HEADERS* headers = (const IMAGE_NT_HEADERS*)(ImageBase() + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& entry =
        headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    return (const IMAGE_EXPORT_DIRECTORY*)(ImageBase() + entry.VirtualAddress);
}

// The export address table slot of an entry number, or null if outside the table.
DWORD* ExportSlot(uint32_t entry) {
    const IMAGE_EXPORT_DIRECTORY* directory = ExportDirectory();
    if (entry < directory->Base || entry - directory->Base >= directory->NumberOfFunctions)
        return nullptr;
    DWORD* functions = (DWORD*)(ImageBase() + directory->AddressOfFunctions);
    return &functions[entry - directory->Base];
}

bool WriteSlot(DWORD* slot, DWORD value) {
    DWORD previous;
    if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &previous)) return false;
    *slot = value;
    DWORD unused;
    VirtualProtect(slot, sizeof *slot, previous, &unused);
    return true;
}

RemovedEntry* FindRemoved(uint32_t entry) {
    for (uint32_t i = 0; i < RemovedCount; ++i)
        if (Removed[i].Entry == entry) return &Removed[i];
    return nullptr;
}

}  // namespace

void RestoreExportTable() {
    while (RemovedCount) StandIn_SetMissing(Removed[RemovedCount - 1].Entry, 0);
}

STANDIN_API int StandIn_SetMissing(uint32_t entry, int missing) {
    DWORD* slot = ExportSlot(entry);
    if (!slot) return 0;
    RemovedEntry* removed = FindRemoved(entry);
    if (missing) {
        if (removed) return 1;
        if (*slot == 0 || RemovedCount == MAX_REMOVED) return 0;
        RemovedEntry record = {entry, *slot};
        if (!WriteSlot(slot, 0)) return 0;
        Removed[RemovedCount++] = record;
        return 1;
    }
    if (!removed) return *slot != 0;
    if (!WriteSlot(slot, removed->Address)) return 0;
    *removed = Removed[--RemovedCount];
    return 1;
}

STANDIN_API void* StandIn_EntryAddress(uint32_t entry) {
    DWORD* slot = ExportSlot(entry);
    if (!slot) return nullptr;
    const RemovedEntry* removed = FindRemoved(entry);
    DWORD address = removed ? removed->Address : *slot;
    return address ? (void*)(ImageBase() + address) : nullptr;
}
