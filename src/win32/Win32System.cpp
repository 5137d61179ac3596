#include "win32/Win32System.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <vector>

#include "platform/Files.h"
#include "platform/Text.h"
#include "win32/Handles.h"

namespace {
std::string ExecutablePath() {
    char path[2048] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path - 1);
    return std::string(path, n);
}

std::optional<std::string> ReadValue(REGSAM view) {
    HKEY raw = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\MERO\\Common", 0, KEY_READ | view, &raw) != ERROR_SUCCESS)
        return std::nullopt;
    UniqueRegistryKey key(raw);
    char value[1024] = {};
    DWORD size = sizeof value - 1;  // room for the NUL a stored text may lack
    if (RegQueryValueExA(key.Get(), "DataPath", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    return std::string(value);
}
}  // namespace

std::optional<std::string> Win32System::ReadDataPath() {
    // The suite's other programs are mostly 32-bit and write the 32-bit view;
    // both builds look there first so they find the same data root.
    if (auto value = ReadValue(KEY_WOW64_32KEY)) return value;
    return ReadValue(KEY_WOW64_64KEY);
}

ProgramInfo Win32System::ReadProgramVersionInfo() {
    ProgramInfo info;
    const std::string path = ExecutablePath();
    char drive[_MAX_DRIVE], dir[_MAX_DIR], name[_MAX_FNAME], ext[_MAX_EXT];
    if (_splitpath_s(path.c_str(), drive, dir, name, ext) != 0) return info;
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0) return info;
    std::vector<char> block;
    try {
        block.resize(size);
    } catch (const std::bad_alloc&) {
        return info;
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    if (!GetFileVersionInfoA(path.c_str(), 0, size, block.data()) ||
        !VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedSize) || !fixed)
        return info;
    info.version = Format("%i.%i.%i.%i", HIWORD(fixed->dwProductVersionMS), LOWORD(fixed->dwProductVersionMS),
                          HIWORD(fixed->dwProductVersionLS), LOWORD(fixed->dwProductVersionLS));
    info.fileName = std::string(name) + ext;
    info.folder = std::string(drive) + dir;
    return info;
}

void Win32System::Sleep(int milliseconds) { ::Sleep(static_cast<DWORD>(milliseconds)); }
std::uint32_t Win32System::TickCount() { return GetTickCount(); }
std::time_t Win32System::Now() { return std::time(nullptr); }
void Win32System::DebugOutput(const std::string& text) { OutputDebugStringA(text.c_str()); }
void Win32System::LowerCurrentThreadPriority() { SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_LOWEST); }

bool Win32System::FirstToUseFolder(const std::string& folder) {
    // A named mutex lives while any process holds a handle to it: the one that
    // creates it is the folder's only user. Named by the folder's identity, so
    // that every name of the folder (short, other case, mapped) meets it.
    std::string name;
    FileIdentity identity;
    if (TellingIdentityOf(folder, identity)) {
        name = Format("MERORVS-%llX-%llX", identity.volume, identity.index);
    } else {
        char full[MAX_PATH] = {};
        if (!GetFullPathNameA(folder.c_str(), MAX_PATH, full, nullptr)) return false;
        CharUpperA(full);
        name = std::string("MERORVS-") + full;
        std::replace(name.begin(), name.end(), '\\', '/');  // a backslash would name a namespace
    }
    // Global: instances in other sessions of this PC may share the folder.
    HANDLE mutex = CreateMutexA(nullptr, FALSE, ("Global\\" + name).c_str());
    if (!mutex) mutex = CreateMutexA(nullptr, FALSE, ("Local\\" + name).c_str());
    if (!mutex) return false;
    const bool first = GetLastError() != ERROR_ALREADY_EXISTS;
    foldersInUse_.emplace_back(mutex);
    return first;
}

const char kInstanceProperty[] = "MERORVS.Instance";

bool Win32System::FirstInstance() {
    // One USB key serves the whole computer, whichever session's user plugged
    // it in: the mutex lives in the global namespace.
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "Global\\MERORVS-Key");
    if (!mutex) {
        // Another user's instance made it, and this user may not open it.
        if (GetLastError() == ERROR_ACCESS_DENIED) return false;
        mutex = CreateMutexA(nullptr, FALSE, "Local\\MERORVS-Key");
        if (!mutex) return GetLastError() != ERROR_ACCESS_DENIED;  // unknown: the tool runs
    }
    const bool first = GetLastError() != ERROR_ALREADY_EXISTS;
    instance_ = UniqueKernelObject(mutex);
    return first;
}

namespace {
BOOL CALLBACK ShowIfFirstInstance(HWND window, LPARAM) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() || !GetPropA(window, kInstanceProperty)) return TRUE;
    if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
    return FALSE;
}
}  // namespace

void Win32System::ShowFirstInstance() { EnumWindows(ShowIfFirstInstance, 0); }

std::string ExecutableFolder() {
    const std::string path = ExecutablePath();
    return path.substr(0, path.find_last_of('\\') + 1);
}
