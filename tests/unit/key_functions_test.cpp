#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "key/KeyFunctions.h"

namespace {
int g_lastCode = 0;
const char* Version() { return "version: 1 build: 2 (QRM)"; }
int Identify(char* b) { std::strcpy(b, "ID"); return 0; }
int ReadDirectory(char**) { return 0; }
int Zero() { return 0; }
int OneArg(char*) { return 0; }
int TwoArgs(char*, char*) { return 0; }
int Send(int code) { g_lastCode = code; return 2; }
int SetBaud(int) { return 0; }

std::map<int, void*> Exports() {
    return {{16, reinterpret_cast<void*>(&Version)}, {7, reinterpret_cast<void*>(&Identify)},
            {1, reinterpret_cast<void*>(&ReadDirectory)}, {10, reinterpret_cast<void*>(&Zero)},
            {11, reinterpret_cast<void*>(&Zero)}, {4, reinterpret_cast<void*>(&OneArg)},
            {5, reinterpret_cast<void*>(&Zero)}, {3, reinterpret_cast<void*>(&TwoArgs)},
            {2, reinterpret_cast<void*>(&TwoArgs)}, {15, reinterpret_cast<void*>(&SetBaud)},
            {12, reinterpret_cast<void*>(&Send)}, {13, reinterpret_cast<void*>(&Zero)},
            {14, reinterpret_cast<void*>(&Zero)}};
}
}  // namespace

TEST(KeyFunctions, ResolvesEveryOperationByItsOrdinal) {
    const std::map<int, void*> exports = Exports();
    KeyFunctions f;
    ASSERT_TRUE(f.Resolve([&](int ordinal) { return exports.at(ordinal); }));
    KeyFunctionLibrary library(f);
    EXPECT_EQ(library.KeySendTrigger(32), 2);
    EXPECT_EQ(g_lastCode, 32);
    char identity[100] = {};
    EXPECT_EQ(library.KeyIdentify(identity), 0);
    EXPECT_STREQ(identity, "ID");
    EXPECT_STREQ(library.KeyGetDllVersion(), "version: 1 build: 2 (QRM)");
}

TEST(KeyFunctions, ALibraryLackingAnOrdinalIsNotUsedAtAll) {
    for (int missing : {16, 7, 1, 10, 11, 4, 5, 3, 2, 15, 12, 13, 14}) {
        std::map<int, void*> exports = Exports();
        exports.erase(missing);
        KeyFunctions f;
        EXPECT_FALSE(f.Resolve([&](int ordinal) { return exports.count(ordinal) ? exports.at(ordinal) : nullptr; }))
            << missing;
        EXPECT_EQ(f.Identify, nullptr) << missing;
        EXPECT_EQ(f.Reset, nullptr) << missing;
    }
}
