// Entry point of the tool.
#include <windows.h>
#include <commctrl.h>

#include "win32/App.h"
#include "win32/DialogHost.h"

bool CMERORVSApp::InitInstance() {
    // Libraries are loaded by full path only; the current folder never serves one.
    SetDllDirectoryA("");
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), 0xFF};
    InitCommonControlsEx(&controls);
    if (!RunMainDialog(instance_, commandLine_)) {
        OutputDebugStringA("MERORVS: the dialog could not be created\n");
        exitCode_ = 1;
    }
    return false;
}

// The platform hands over the text after the executable's own name, unchanged.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int) {
    CMERORVSApp app(instance, arguments ? arguments : "");
    app.InitInstance();
    return app.ExitCode();
}
