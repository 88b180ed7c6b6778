// Looking host entries up, and the null stub that takes a missing entry's
// place when the user chooses to continue.
#include <string.h>

#include "binding.h"
#include "platform.h"

extern "C" void ResolveEntry(uintptr_t entry, void** slot) {
    // The handle is not tested: unset, the system searches the main program.
    *slot = PlatformLookupEntry(HostModuleHandle, entry);
    if (*slot) return;
    if (ReportMissingEntry(entry, nullptr))
        PickNullStub(entry, slot);
    else
        *slot = nullptr;
}

extern "C" int32_t SelectNullStubMember(uintptr_t entry) {
    if (EntryIsNumber(entry)) {
        uint32_t r = (uint32_t)entry % 100;
        if (r == 99) return 0;
        if (r % 4 == 0 && r <= 56) return (int32_t)(r / 4);
        return -1;
    }
    // By name: the argument size after the last '@' ("Name@12" removes 12).
    const char* at = strrchr((const char*)entry, '@');
    if (!at || at[1] < '0' || at[1] > '9') return 0;
    uint32_t bytes = 0;
    for (const char* p = at + 1; *p >= '0' && *p <= '9'; ++p) {
        bytes = bytes * 10 + (uint32_t)(*p - '0');
        if (bytes > 4 * (NULL_STUB_COUNT - 1) + 3) return -1;  // no member that large
    }
    uint32_t member = bytes / 4;
    return member < NULL_STUB_COUNT ? (int32_t)member : -1;
}

static const HostEntryRow* FindRow(uintptr_t entry) {
    if (!EntryIsNumber(entry)) return nullptr;
    for (const HostEntryRow& row : HostEntryTable)
        if (row.Number == entry) return &row;
    return nullptr;
}

extern "C" void PickNullStub(uintptr_t entry, void** slot) {
    int32_t member = SelectNullStubMember(entry);
    if (member < 0) {
        *slot = nullptr;
        return;
    }
    // Whether a stub is installed follows the selection rule; which member
    // follows the plug-in's own calls of the entry, so that a continued call
    // removes exactly the bytes its caller leaves to it. The rule alone would
    // give 52028 a member removing 28 bytes for a 12-byte call.
    if (const HostEntryRow* row = FindRow(entry)) member = row->ContractMember;
    *slot = NullStubTable[member];
}
