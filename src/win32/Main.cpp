// Entry point: common controls, then the one modal dialog; the process ends
// with it.
#include <windows.h>
#include <commctrl.h>

#include "win32/DialogHost.h"

// The platform hands over the text after the executable's own name, unchanged.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int) {
    // Libraries are loaded by full path only; the current folder never serves one.
    SetDllDirectoryA("");
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), 0xFF};
    InitCommonControlsEx(&controls);
    RunMainDialog(instance, arguments ? arguments : "");
    return 0;
}
