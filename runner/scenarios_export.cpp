// Scenarios of the plug-in's export area: Ctrl-1 in the purchase register: the export file and its three deliveries.
#include "runner.h"

const Scenario* const ExportScenarios = nullptr;
const uint32_t ExportScenarioCount = 0;
