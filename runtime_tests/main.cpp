// runtime_tests.exe: Wine tests of the runtime adaptation. The program links
// the module's binding and patching code the way the plug-in does (the
// delay-import library of ORVALE.dll with its keep table, the constant failure
// hook, the wrapped formatter, a static runtime), tests it in place, and loads
// the built plug-in against the stand-in host.
//
// The tests run in this order on purpose: the start-up checks come before
// anything is bound lazily; the plug-in is loaded while this program has
// not yet loaded ORVALE.dll; this program's first binding comes with the hook
// tests, before any floating-point formatting binds the runtime's service;
// the refused and failing patches come while both trampoline slots are free.
#include "harness.h"
#include "runtime_tests.h"

namespace {

const TestCase Tests[] = {
    {"start-up: no service of ORVALE.dll bound before main", TestNothingBoundBeforeMain},
    {"start-up: notification hook NullStub member 2, failure hook constant null", TestDefaultHooks},
    {"start-up: TrampolineArea is the 32-byte .code section, not writable, zero", TestTrampolineSection},
    {"plug-in: nothing bound at load; first lazy call goes through HostBindingHook",
     TestPluginLazyBindingUnderHostHook},
    {"BindHostModule: the hook is the host's entry 30007, or null", TestBindHostModuleHook},
    {"HotPatch: targets without prologue or jump are refused", TestRefusedTargets},
    {"HotPatch: relative jump target", TestRelativeJumpTarget},
    {"HotPatch: target whose protection cannot change", TestTargetProtectionFails},
    {"HotPatch: TrampolineArea whose protection cannot change", TestAreaProtectionFails},
    {"lazy binding: first binding notifies 0, 1, 2, 5", TestFirstBinding},
    {"lazy binding: a bound service notifies no more", TestBoundServiceNotifiesNoMore},
    {"lazy binding: answer at code 0 serves one call, not stored", TestAnswerAtStartNotStored},
    {"lazy binding: answer at code 2 is stored", TestAnswerBeforeLookupStored},
    {"lazy binding: null hook", TestNullHook},
    {"lazy binding: missing service raises 0xC06D007F with the record", TestMissingService},
    {"lazy binding: missing module raises 0xC06D007E with the record", TestMissingModule},
    {"lazy binding: answer at code 1 is the module", TestAnswerBeforeLoadIsTheModule},
    {"lazy binding: the loser of a load race releases its reference", TestRacingLoadReleasesReference},
    {"ORVALE.dll stand-in forwards every service to the system", TestStandInForwardsEveryService},
    {"formatting: the runtime's GetModuleHandleW binds lazily", TestRuntimeServiceBindsLazily},
    {"formatting: zero without a sign in e, f, g", TestZeroWithoutSign},
    {"formatting: the caller's arguments stay unchanged", TestCallerArgumentsUnchanged},
    {"HotPatch: prologue target takes slot 0 for ZeroSignFix", TestPrologueTargetZeroSignFix},
    {"ZeroSignFix: zero goes on unsigned, other values unchanged", TestZeroSignFixValues},
    {"HotPatch: second prologue target takes slot 1", TestSecondPrologueTarget},
    {"HotPatch: third prologue target once both slots are taken", TestBothSlotsTaken},
};

}  // namespace

int main() { return RunTests(Tests, sizeof Tests / sizeof Tests[0]); }
