// Native fake of the platform layer: a scriptable module lookup, module file
// name and message box, and wsprintfA's contract on top of vsnprintf.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

struct FakeMessageBoxCall {
    std::string Text;
    std::string Title;
    uint32_t Style;
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
};

extern FakePlatform g_platform;

// Address the fake host module gives for a present entry.
void* FakeEntryAddress(uintptr_t entry);

// Restores the fake platform and the plug-in's binding state as at load.
void FakePlatformReset();
