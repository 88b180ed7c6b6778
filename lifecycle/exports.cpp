// The plug-in's exported entries, known to the host by number only
// (eksportzam.def): 30001 start and stop, 30008 installation notice, 30009.
#include <string.h>

#include "lifecycle.h"
#include "platform.h"
#include "texts.h"

extern "C" int32_t HOST_CALLEE PluginStartStop(HostFeatureQueryFn featureQuery, char* description) {
    if (!featureQuery) return StopPlugin();
    HostFeatureQuery = featureQuery;
    if (description) memcpy(description, TEXT_PLUGIN_DESCRIPTION, PLUGIN_DESCRIPTION_SIZE);
    // For this thread, structured exceptions raised inside the host's calls
    // are translated by the host's own translator.
    PlatformSetThreadExceptionTranslator((void*)HostExceptionTranslator);
    return StartPlugin();
}

extern "C" int32_t HOST_CALLER PluginInstall(void) {
    InstallNotice();
    return 0;
}

extern "C" int32_t HOST_CALLER PluginReserved(void) { return 0; }
