// Native stand-ins for the binding's i686 code: slots, null stubs and the
// lazy binding's hook variable. Each null stub has a distinct address so that
// tests can tell which member a slot received.
#include "binding.h"
#include "runtime_patch.h"

namespace {
// Distinct bodies keep identical-code folding from merging the members.
template <int Member>
int NullStub() { return Member; }
}  // namespace

extern "C" {
void* EntrySlots[HOST_ENTRY_COUNT];
void* const NullStubTable[NULL_STUB_COUNT] = {
    (void*)NullStub<0>,  (void*)NullStub<1>,  (void*)NullStub<2>,  (void*)NullStub<3>,
    (void*)NullStub<4>,  (void*)NullStub<5>,  (void*)NullStub<6>,  (void*)NullStub<7>,
    (void*)NullStub<8>,  (void*)NullStub<9>,  (void*)NullStub<10>, (void*)NullStub<11>,
    (void*)NullStub<12>, (void*)NullStub<13>, (void*)NullStub<14>,
};
HostBindingHookFn LazyBindingHook = (HostBindingHookFn)NullStub<2>;
}

// Natively the trampoline area is plain data; the fake protection calls
// record what HotPatch asks for.
extern "C" Trampoline TrampolineArea[TRAMPOLINE_SLOTS];
Trampoline TrampolineArea[TRAMPOLINE_SLOTS];
