// The plug-in's exported entries, known to the host by number only
// (eksportzam.def): 30001 start and stop, 30008 installation notice, 30009.
#include "host_entries.h"

extern "C" int32_t HOST_CALLEE PluginStartStop(HostFeatureQueryFn featureQuery, char* description) {
    (void)featureQuery;
    (void)description;
    return 0;
}

extern "C" int32_t HOST_CALLER PluginInstall(void) { return 0; }

extern "C" int32_t HOST_CALLER PluginReserved(void) { return 0; }
