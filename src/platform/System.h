#pragma once
// The operating-system services the dialog's logic needs besides its window:
// registry, version information, clock, pauses, debug output, thread
// priority and the sharing of a folder with other instances.
// Tests substitute them to run fast and to see exactly what was asked.
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

struct ProgramInfo {
    std::string fileName;  // file name + extension of the running executable
    std::string folder;    // drive + folder, ending in a backslash
    std::string version;   // "%i.%i.%i.%i" of the product version
};

class ISystem {
public:
    virtual ~ISystem() = default;

    // HKLM\Software\MERO\Common value DataPath; nothing when it cannot be read.
    virtual std::optional<std::string> ReadDataPath() = 0;
    virtual ProgramInfo ReadProgramVersionInfo() = 0;

    virtual void Sleep(int milliseconds) = 0;
    virtual std::uint32_t TickCount() = 0;
    virtual std::time_t Now() = 0;
    virtual void DebugOutput(const std::string& text) = 0;
    virtual void LowerCurrentThreadPriority() = 0;
    // Marks the folder as used by this process for the rest of its life. True
    // when no other running process had marked it: only then may this one
    // treat the tool's temporary files there as leftovers.
    virtual bool FirstToUseFolder(const std::string& folder) = 0;
    // Claims the key for this process for the rest of its life: false when
    // another instance of the tool runs on this computer (any session).
    virtual bool FirstInstance() = 0;
    // Brings the window of the instance that holds the key to the front.
    virtual void ShowFirstInstance() = 0;
};
