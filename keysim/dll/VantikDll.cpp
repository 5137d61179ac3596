// The emulated key as a drop-in key library: the 13 operations, exported by
// ordinal only. The key is described by "emulated-key.txt" beside the DLL, or
// by the file that the environment variable VANTIK_KEY_DESCRIPTION names.
#include <windows.h>

#include <cstdlib>
#include <memory>
#include <mutex>

#include "EmulatedKey.h"

namespace {
std::string DescriptionPath() {
    if (const char* path = std::getenv("VANTIK_KEY_DESCRIPTION")) return path;
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&DescriptionPath), &self);
    char module[MAX_PATH] = {};
    GetModuleFileNameA(self, module, MAX_PATH - 1);
    std::string path = module;
    return path.substr(0, path.find_last_of('\\') + 1) + "emulated-key.txt";
}

EmulatedKey& Key() {
    static std::once_flag once;
    static std::unique_ptr<EmulatedKey> key;
    std::call_once(once, [] {
        KeyDescription description;
        const std::string path = DescriptionPath();
        if (!LoadKeyDescription(path, description)) {
            // Without a description the key is absent: it never answers.
            description.identifyFailures = -1;
            description.directoryReadsBeforeFailure = 0;
            description.openFails = true;
        }
        key.reset(new EmulatedKey(description));
    });
    return *key;
}
}  // namespace

// Exported through the .def file by ordinal only, with no names.
#define KEY_EXPORT extern "C"

KEY_EXPORT const char* __cdecl KeyGetDllVersion() { return Key().KeyGetDllVersion(); }
KEY_EXPORT int __cdecl KeyIdentify(char* identity) { return Key().KeyIdentify(identity); }
KEY_EXPORT int __cdecl KeyReadDirectory(char** slots) { return Key().KeyReadDirectory(slots); }
KEY_EXPORT int __cdecl KeyOpen() { return Key().KeyOpen(); }
KEY_EXPORT int __cdecl KeyClose() { return Key().KeyClose(); }
KEY_EXPORT int __cdecl KeyDeleteFile(char* name) { return Key().KeyDeleteFile(name); }
KEY_EXPORT int __cdecl KeyFormat() { return Key().KeyFormat(); }
KEY_EXPORT int __cdecl KeyWriteFile(char* name, char* path) { return Key().KeyWriteFile(name, path); }
KEY_EXPORT int __cdecl KeyReadFile(char* keySideName, char* path) { return Key().KeyReadFile(keySideName, path); }
KEY_EXPORT int __cdecl KeySetBaudRate(int speedIndex) { return Key().KeySetBaudRate(speedIndex); }
KEY_EXPORT int __cdecl KeySendTrigger(int code) { return Key().KeySendTrigger(code); }
KEY_EXPORT int __cdecl KeyPollTrigger() { return Key().KeyPollTrigger(); }
KEY_EXPORT int __cdecl KeyReset() { return Key().KeyReset(); }
