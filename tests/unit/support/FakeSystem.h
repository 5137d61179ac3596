#pragma once
// Registry, version information and clock as a test wants them. Pauses only
// advance the clock, so a test takes milliseconds and still sees each pause.
#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/System.h"

class FakeSystem : public ISystem {
public:
    std::optional<std::string> dataPath;
    ProgramInfo program{"MERORVS.exe", "", "1.0.0.8"};
    std::time_t now = 1614780309;  // 3 March 2021, 14:05:09 UTC
    bool anotherInstance = false;  // uses every folder already
    bool secondStart = false;      // another instance holds the key
    int shownFirstInstance = 0;
    std::vector<std::string> foldersInUse;

    std::optional<std::string> ReadDataPath() override { return dataPath; }
    ProgramInfo ReadProgramVersionInfo() override { return program; }
    void Sleep(int milliseconds) override {
        std::lock_guard<std::mutex> l(m_);
        sleeps_.push_back(milliseconds);
        ticks_ += static_cast<std::uint32_t>(milliseconds);
    }
    std::uint32_t TickCount() override {
        std::lock_guard<std::mutex> l(m_);
        return ticks_;
    }
    std::function<void()> onNow;  // runs at every reading of the clock, on the reader's thread
    std::time_t Now() override {
        if (onNow) onNow();
        return now;
    }
    void DebugOutput(const std::string& text) override {
        std::lock_guard<std::mutex> l(m_);
        debug_.push_back(text);
    }
    void LowerCurrentThreadPriority() override { ++lowered_; }
    bool FirstToUseFolder(const std::string& folder) override {
        foldersInUse.push_back(folder);
        return !anotherInstance;
    }
    bool FirstInstance() override { return !secondStart; }
    void ShowFirstInstance() override { ++shownFirstInstance; }

    std::vector<int> Sleeps() {
        std::lock_guard<std::mutex> l(m_);
        return sleeps_;
    }
    std::vector<std::string> Debug() {
        std::lock_guard<std::mutex> l(m_);
        return debug_;
    }
    int Lowered() const { return lowered_; }

private:
    std::mutex m_;
    std::vector<int> sleeps_;
    std::vector<std::string> debug_;
    std::uint32_t ticks_ = 5000;
    std::atomic<int> lowered_{0};
};
