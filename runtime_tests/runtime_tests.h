// The test groups of runtime_tests.exe, in the order main runs them (the
// order matters: the first ones look at the process before anything in it has
// been bound lazily or patched).
#pragma once

// start-up state of this program (startup_tests.cpp)
void TestNothingBoundBeforeMain(void);
void TestDefaultHooks(void);
void TestTrampolineSection(void);
// the built plug-in against the stand-in host (plugin_load_tests.cpp)
void TestPluginLazyBindingUnderHostHook(void);
// the lazy binding of this program's delay-loaded imports (lazy_binding_tests.cpp)
void TestBindHostModuleHook(void);
void TestFirstBinding(void);
void TestBoundServiceNotifiesNoMore(void);
void TestAnswerAtStartNotStored(void);
void TestAnswerBeforeLookupStored(void);
void TestNullHook(void);
void TestMissingService(void);
void TestMissingModule(void);
void TestAnswerBeforeLoadIsTheModule(void);
void TestRacingLoadReleasesReference(void);
void TestStandInForwardsEveryService(void);
// hot patching (hot_patch_tests.cpp)
void TestRefusedTargets(void);
void TestRelativeJumpTarget(void);
void TestTargetProtectionFails(void);
void TestAreaProtectionFails(void);
void TestPrologueTargetZeroSignFix(void);
void TestZeroSignFixValues(void);
void TestSecondPrologueTarget(void);
void TestBothSlotsTaken(void);
// the module's formatted printing (format_tests.cpp)
void TestRuntimeServiceBindsLazily(void);
void TestZeroWithoutSign(void);
void TestCallerArgumentsUnchanged(void);
