#pragma once
// What the application registers with the system's restart manager: after an
// update or a reboot Windows starts the tool again with the same parameters.
// A crash or a hang brings nothing back, and there is no recovery callback.
#include <string>

// The system's RESTART_NO_CRASH and RESTART_NO_HANG.
constexpr unsigned kRestartNoCrash = 1;
constexpr unsigned kRestartNoHang = 2;
// The system takes at most this many characters, the terminating NUL included.
constexpr size_t kRestartMaxCommandLine = 1024;

struct RestartRegistration {
    bool registered = false;  // false: a command line too long to register
    std::string arguments;    // the parameters after the program's name, unchanged
    unsigned flags = 0;
};

RestartRegistration RestartRegistrationFor(const std::string& arguments);
