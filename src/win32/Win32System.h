#pragma once
#include <vector>

#include "platform/System.h"
#include "win32/Handles.h"

// Registry, version resource, clock and threads of the running Windows.
class Win32System : public ISystem {
public:
    std::optional<std::string> ReadDataPath() override;
    ProgramInfo ReadProgramVersionInfo() override;
    void Sleep(int milliseconds) override;
    std::uint32_t TickCount() override;
    std::time_t Now() override;
    void DebugOutput(const std::string& text) override;
    void LowerCurrentThreadPriority() override;
    bool FirstToUseFolder(const std::string& folder) override;
    bool FirstInstance() override;
    void ShowFirstInstance() override;

private:
    std::vector<UniqueKernelObject> foldersInUse_;
    UniqueKernelObject instance_;
};

// The window property that marks the dialog of a running instance.
extern const char kInstanceProperty[];

// Folder of the running executable, ending in a backslash.
std::string ExecutableFolder();
