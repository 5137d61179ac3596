// Stand-in for the USB driver library: the tool only checks that it is there.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
