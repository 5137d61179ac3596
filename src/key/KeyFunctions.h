#pragma once
// The library's exports as typed function pointers, resolved by ordinal, and
// the adapter that calls through them one call at a time.
#include <mutex>

#include "key/KeyLibrary.h"

#if defined(_WIN32) && !defined(_WIN64)
#define KEYAPI __cdecl
#else
#define KEYAPI
#endif

struct KeyFunctions {
    const char*(KEYAPI* GetDllVersion)() = nullptr;
    int(KEYAPI* Identify)(char*) = nullptr;
    int(KEYAPI* ReadDirectory)(char**) = nullptr;
    int(KEYAPI* Open)() = nullptr;
    int(KEYAPI* Close)() = nullptr;
    int(KEYAPI* Delete)(char*) = nullptr;
    int(KEYAPI* Format)() = nullptr;
    int(KEYAPI* Write)(char*, char*) = nullptr;
    int(KEYAPI* Read)(char*, char*) = nullptr;
    int(KEYAPI* SetBaudRate)(int) = nullptr;
    int(KEYAPI* SendTrigger)(int) = nullptr;
    int(KEYAPI* PollTrigger)() = nullptr;
    int(KEYAPI* Reset)() = nullptr;

    // Resolves every operation by its ordinal through lookup(ordinal) -> void*;
    // a library that lacks one is not used at all.
    template <typename Lookup>
    bool Resolve(Lookup lookup) {
        const bool complete =
            Take(GetDllVersion, lookup(16)) && Take(Identify, lookup(7)) &&
            Take(ReadDirectory, lookup(1)) && Take(Open, lookup(10)) && Take(Close, lookup(11)) &&
            Take(Delete, lookup(4)) && Take(Format, lookup(5)) && Take(Write, lookup(3)) &&
            Take(Read, lookup(2)) && Take(SetBaudRate, lookup(15)) &&
            Take(SendTrigger, lookup(12)) && Take(PollTrigger, lookup(13)) && Take(Reset, lookup(14));
        if (!complete) *this = KeyFunctions();
        return complete;
    }

private:
    template <typename F>
    static bool Take(F& member, void* address) {
        member = reinterpret_cast<F>(address);
        return address != nullptr;
    }
};

// Calls never overlap: whichever thread owns the key, one call runs at a time.
class KeyFunctionLibrary : public IKeyLibrary {
public:
    explicit KeyFunctionLibrary(const KeyFunctions& f) : f_(f) {}
    const char* KeyGetDllVersion() override { std::lock_guard<std::mutex> l(m_); return f_.GetDllVersion(); }
    int KeyIdentify(char* b) override { std::lock_guard<std::mutex> l(m_); return f_.Identify(b); }
    int KeyReadDirectory(char** s) override { std::lock_guard<std::mutex> l(m_); return f_.ReadDirectory(s); }
    int KeyOpen() override { std::lock_guard<std::mutex> l(m_); return f_.Open(); }
    int KeyClose() override { std::lock_guard<std::mutex> l(m_); return f_.Close(); }
    int KeyDeleteFile(char* n) override { std::lock_guard<std::mutex> l(m_); return f_.Delete(n); }
    int KeyFormat() override { std::lock_guard<std::mutex> l(m_); return f_.Format(); }
    int KeyWriteFile(char* n, char* p) override { std::lock_guard<std::mutex> l(m_); return f_.Write(n, p); }
    int KeyReadFile(char* n, char* p) override { std::lock_guard<std::mutex> l(m_); return f_.Read(n, p); }
    int KeySetBaudRate(int i) override { std::lock_guard<std::mutex> l(m_); return f_.SetBaudRate(i); }
    int KeySendTrigger(int c) override { std::lock_guard<std::mutex> l(m_); return f_.SendTrigger(c); }
    int KeyPollTrigger() override { std::lock_guard<std::mutex> l(m_); return f_.PollTrigger(); }
    int KeyReset() override { std::lock_guard<std::mutex> l(m_); return f_.Reset(); }

private:
    KeyFunctions f_;
    std::mutex m_;
};
