#pragma once
// A key emulated over a folder: it meets every result the key library
// promises, delivers scrambled copies when asked, and plays the faults and
// trigger answers of its description. It also counts what it was asked, so
// tests can see how the tool used it.
#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <string>
#include <vector>

#include "KeyDescription.h"
#include "key/KeyLibrary.h"

class EmulatedKey : public IKeyLibrary {
public:
    explicit EmulatedKey(KeyDescription description);
    ~EmulatedKey();  // lets the holders of written files go

    const char* KeyGetDllVersion() override;
    int KeyIdentify(char* identity100) override;
    int KeyReadDirectory(char** slots128) override;
    int KeyOpen() override;
    int KeyClose() override;
    int KeyDeleteFile(char* name128) override;
    int KeyFormat() override;
    int KeyWriteFile(char* name128, char* path1024) override;
    int KeyReadFile(char* keySideName, char* path1024) override;
    int KeySetBaudRate(int speedIndex) override;
    int KeySendTrigger(int code) override;
    int KeyPollTrigger() override;
    int KeyReset() override;

    // How often each operation ran, by name ("KeyOpen", ...).
    int Calls(const std::string& operation) const;
    // Calls that broke the contract: file work outside an open key, a second
    // open, a close without open.
    int Violations() const;
    int LastTriggerCode() const;
    int LastBaudRate() const;
    std::vector<std::string> Files() const;  // the key's files, sorted
    // Runs at the start of every KeyReadFile with its number (0, 1, ...), on
    // the caller's thread: lets a test act at a chosen file.
    void OnRead(std::function<void(int)> hook) { onRead_ = std::move(hook); }
    // The same at the start of every KeyDeleteFile.
    void OnDelete(std::function<void(int)> hook) { onDelete_ = std::move(hook); }

private:
    void Count(const std::string& operation);
    std::string PathOf(const std::string& name) const;
    bool RequireOpen();
    bool Present() const;
    // The operations behind their traced entry points.
    int Read(char* keySideName, char* path1024);
    int Delete(char* name128);
    int ReadDirectory(char** slots128);

    KeyDescription d_;
    mutable std::mutex m_;
    std::map<std::string, int> calls_;
    int violations_ = 0;
    bool open_ = false;
    int identifyFailuresLeft_ = 0;
    int directoryReads_ = 0;
    int opens_ = 0;
    std::vector<std::thread> holders_;  // another program holding a file the key wrote
    size_t pollIndex_ = 0;
    bool fetched_ = false;
    int lastTriggerCode_ = 0;
    int lastBaudRate_ = -1;
    std::function<void(int)> onRead_;
    std::atomic<int> readsStarted_{0};
    std::function<void(int)> onDelete_;
    std::atomic<int> deletesStarted_{0};
    struct TracedCall {
        const char* operation;
        long long start, end;  // microseconds
    };
    std::vector<TracedCall> trace_;
    // Runs the call, and notes its start and end when the key is traced.
    int Traced(const char* operation, const std::function<int()>& call);
};
