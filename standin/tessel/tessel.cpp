// TESSEL.dll stand-in. Its five exports are forwarders to the system's
// libraries (tessel.def); the module has no code of its own beyond its entry.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
