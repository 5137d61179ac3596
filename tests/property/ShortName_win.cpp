#include <windows.h>

#include "ShortName.h"

std::string ShortAliasOf(const std::string& longName) {
    static const std::string scratch = [] {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        const std::string folder = std::string(temp) + "mero-short-names\\";
        CreateDirectoryA(folder.c_str(), nullptr);
        return folder;
    }();
    const std::string path = scratch + longName;
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return longName;
    CloseHandle(file);
    char shortPath[MAX_PATH] = {};
    const DWORD n = GetShortPathNameA(path.c_str(), shortPath, MAX_PATH);
    DeleteFileA(path.c_str());
    if (n == 0 || n >= MAX_PATH) return longName;
    const std::string s = shortPath;
    return s.substr(s.rfind('\\') + 1);
}

bool MoveOver(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}
