// Plug-in life cycle: start and stop with their checks, the key-handler
// replacement and the installation notice.
#pragma once

#include <stdint.h>

#include "host_entries.h"

// A table whose record length the plug-in checks.
struct TableCheck {
    int32_t ExpectedLength;
    int32_t ActualLength;
    const char* Name;
    TableCheck* Next;
};

extern "C" {
extern HostFeatureQueryFn HostFeatureQuery;  // kept from the last start
extern TableCheck* MismatchList;             // failed checks; never emptied
extern HostTableDescriptor* HookedTable;     // descriptor whose handler is replaced

int32_t StartPlugin(void);
int32_t StopPlugin(void);
int32_t CheckTables(void);
int32_t HookKeyHandler(void);
void InstallNotice(void);

// Calls HostProfile with a pointer to its variable arguments.
int32_t HOST_CALLER ProfileAccess(int32_t mode, const char* section, const char* key,
                                  const char* format, ...);

// The exports (numbers in eksportzam.def).
int32_t HOST_CALLEE PluginStartStop(HostFeatureQueryFn featureQuery, char* description);
int32_t HOST_CALLER PluginInstall(void);
int32_t HOST_CALLER PluginReserved(void);
}

enum {
    REQUIRED_DATA_VERSION = 112,
    PROFILE_READ = 1,
    PROFILE_WRITE = 2,
    NOTICE_FORM = 1194,
};
