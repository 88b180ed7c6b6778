// The host entry table: the 26 host entries in binding order, and the two
// binding paths of a row (its initialiser and its lazy binder).
#include "binding.h"

// Argument bytes the plug-in's own calls leave for the callee to remove,
// expressed as the null stub member that removes exactly those bytes.
#define CONTRACT_MEMBER_CALLEE(bytes) ((bytes) / 4)
#define CONTRACT_MEMBER_CALLER(bytes) 0

extern "C" const HostEntryRow HostEntryTable[HOST_ENTRY_COUNT] = {
#define HOST_ENTRY_ROW_INIT(number, name, conv, bytes) \
    {number, (uint8_t)CONTRACT_MEMBER_##conv(bytes)},
    HOST_ENTRY_LIST(HOST_ENTRY_ROW_INIT)
#undef HOST_ENTRY_ROW_INIT
};

static_assert(CONTRACT_MEMBER_CALLEE(44) < NULL_STUB_COUNT, "every contract has a member");

static int32_t RowOfSlot(void** slot) { return (int32_t)(slot - EntrySlots); }

extern "C" void* BindRowLazily(void** slot) {
    const HostEntryRow& row = HostEntryTable[RowOfSlot(slot)];
    ResolveEntry(row.Number, slot);
    // A row left empty (Abort, or no member for it) must not be jumped
    // through: the call returns 0 and removes what its contract says.
    return *slot ? *slot : NullStubTable[row.ContractMember];
}

// Each row's binding initialiser: looks the entry up at its turn, even if a
// call has already bound it through the lazy binder.
template <int Row>
static int32_t BindingInitialiser(void) {
    ResolveEntry(HostEntryTable[Row].Number, &EntrySlots[Row]);
    return EntrySlots[Row] ? 0 : -1;
}

typedef int32_t (*BindingInitialiserFn)(void);
static const BindingInitialiserFn BindingInitialisers[HOST_ENTRY_COUNT] = {
#define HOST_ENTRY_INITIALISER(number, name, conv, bytes) BindingInitialiser<ROW_##name>,
    HOST_ENTRY_LIST(HOST_ENTRY_INITIALISER)
#undef HOST_ENTRY_INITIALISER
};

extern "C" int32_t RunBindingInitialisers(void) {
    for (BindingInitialiserFn initialiser : BindingInitialisers)
        if (initialiser() != 0) return -1;
    return 0;
}
