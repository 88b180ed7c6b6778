// Native fake of the platform layer: a scriptable module lookup, module file
// name and message box, and wsprintfA's contract on top of vsnprintf.
#pragma once

#include <stdint.h>

#include <string>
#include <utility>
#include <vector>

struct FakeMessageBoxCall {
    std::string Text;
    std::string Title;
    uint32_t Style;
};

struct FakeProtectCall {
    void* Address;
    uint32_t Size;
    uint32_t Protection;
};

struct FakePlatform {
    void* HostModule = nullptr;              // what the lookup of "MERION" finds
    std::vector<uintptr_t> Missing;          // entries the host module does not export
    void* BindingHook = nullptr;             // what entry 30007 looks up to
    std::string ModulePath = "C:\\host\\eksportzam.dll";
    bool ModulePathFails = false;
    std::vector<int32_t> BoxAnswers;         // answers in order; past the end: Abort
    std::vector<FakeMessageBoxCall> Boxes;   // every box shown
    std::vector<uintptr_t> Lookups;          // every entry looked up, in order
    std::vector<std::string> LookedUpModules;
    std::vector<FakeProtectCall> Protects;   // every protection change asked for
    std::vector<void*> ProtectFailsAt;       // addresses whose protection cannot change
    std::vector<std::pair<void*, uint32_t>> Flushes;
};

// The protection the fake reports as current for memory never changed.
enum : uint32_t { FAKE_INITIAL_PROTECTION = 0x20 };

extern FakePlatform g_platform;

// Address the fake host module gives for a present entry.
void* FakeEntryAddress(uintptr_t entry);

// Restores the fake platform and the plug-in's binding state as at load.
void FakePlatformReset();
