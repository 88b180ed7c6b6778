// Scenarios of the plug-in's lifecycle area: Start and stop through export 30001, and the installation notice through export 30008.
#include "runner.h"

const Scenario* const LifecycleScenarios = nullptr;
const uint32_t LifecycleScenarioCount = 0;
