#pragma once
// The translator last installed through the platform layer.
extern void* g_threadTranslator;
