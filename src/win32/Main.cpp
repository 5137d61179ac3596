// Entry point of the tool.
#include <windows.h>
#include <commctrl.h>

#include "app/ExitStatus.h"
#include "app/RestartRegistration.h"
#include "win32/App.h"
#include "win32/DialogHost.h"
#include "win32/WideText.h"

static_assert(kRestartNoCrash == RESTART_NO_CRASH && kRestartNoHang == RESTART_NO_HANG &&
                  kRestartMaxCommandLine == RESTART_MAX_CMD_LINE,
              "the portable restart values are the system's");

bool CMERORVSApp::InitInstance() {
    // Libraries are loaded by full path only; the current folder never serves one.
    SetDllDirectoryA("");
    // An empty card reader or a pulled stick fails the call instead of holding
    // an unattended run behind Windows' "no disk" box.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), 0xFF};
    InitCommonControlsEx(&controls);
    const RestartRegistration restart = RestartRegistrationFor(commandLine_);
    if (restart.registered) {
        RegisterApplicationRestart(WideFromAnsi(restart.arguments).c_str(), restart.flags);
    }
    exitCode_ = RunMainDialog(instance_, commandLine_);
    if (exitCode_ == kExitNoDialog) OutputDebugStringA("MERORVS: the dialog could not be created\n");
    return false;
}

// The platform hands over the text after the executable's own name, unchanged.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int) {
    try {
        CMERORVSApp app(instance, arguments ? arguments : "");
        app.InitInstance();
        return app.ExitCode();
    } catch (...) {
        return kExitNoDialog;  // never taken for a finished run
    }
}
