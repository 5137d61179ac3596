#pragma once
#include <windows.h>

#include <string>

// The application: common controls, then the one modal dialog. The process
// ends when the dialog has closed; there is no message loop of its own.
class CMERORVSApp {
public:
    CMERORVSApp(HINSTANCE instance, std::string commandLine)
        : instance_(instance), commandLine_(std::move(commandLine)) {}
    // Runs the whole application; false: nothing runs after the dialog.
    bool InitInstance();
    // How the run ended, for a calling program (ExitStatus).
    int ExitCode() const { return exitCode_; }

private:
    HINSTANCE instance_;
    std::string commandLine_;
    int exitCode_ = 0;
};
