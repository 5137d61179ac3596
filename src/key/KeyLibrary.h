#pragma once
// The 13 operations of the key-access library, as plain calls on caller-owned,
// zero-filled buffers of the contract's sizes.
#include <cstddef>

constexpr size_t kIdentityBufferSize = 100;
constexpr size_t kSlotSize = 100;
constexpr size_t kSlotCount = 128;
constexpr size_t kKeyNameBufferSize = 128;
constexpr size_t kPathBufferSize = 1024;

// Answers of KeySendTrigger / KeyPollTrigger.
constexpr int kTriggerError = -1;
constexpr int kTriggerIdle = 0;
constexpr int kTriggerBusy = 1;
constexpr int kTriggerFinished = 2;

class IKeyLibrary {
public:
    virtual ~IKeyLibrary() = default;
    virtual const char* KeyGetDllVersion() = 0;                        // ordinal 16
    virtual int KeyIdentify(char* identity100) = 0;                    // ordinal 7
    virtual int KeyReadDirectory(char** slots128) = 0;                 // ordinal 1
    virtual int KeyOpen() = 0;                                         // ordinal 10
    virtual int KeyClose() = 0;                                        // ordinal 11
    virtual int KeyDeleteFile(char* name128) = 0;                      // ordinal 4
    virtual int KeyFormat() = 0;                                       // ordinal 5
    virtual int KeyWriteFile(char* name128, char* path1024) = 0;       // ordinal 3
    virtual int KeyReadFile(char* keySideName, char* path1024) = 0;    // ordinal 2
    virtual int KeySetBaudRate(int speedIndex) = 0;                    // ordinal 15
    virtual int KeySendTrigger(int code) = 0;                          // ordinal 12
    virtual int KeyPollTrigger() = 0;                                  // ordinal 13
    virtual int KeyReset() = 0;                                        // ordinal 14
};

// Gives the library when it can be had; loading may be tried again later, so
// a library copied in after start-up is found by the next key preparation.
class IKeyLibrarySource {
public:
    virtual ~IKeyLibrarySource() = default;
    virtual IKeyLibrary* Get() = 0;
};
