#include "EmulatedKey.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <future>
#include <thread>

#include "key/Delivery.h"
#include "platform/Files.h"
#include "platform/FilesNative.h"
#include "platform/Text.h"

namespace {
long long Microseconds() {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool Contains(const std::vector<std::string>& list, const std::string& name) {
    return std::find(list.begin(), list.end(), name) != list.end();
}

// "NAME\XXXXXXXX" asks for the scrambled delivery with that transfer code.
bool SplitKeySideName(const std::string& keySide, std::string& name, std::uint32_t& keystream) {
    const size_t slash = keySide.rfind('\\');
    if (slash == std::string::npos || keySide.size() - slash - 1 != 8) return false;
    keystream = 0;
    for (char c : keySide.substr(slash + 1)) {
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (digit < 0) return false;
        keystream = keystream << 4 | static_cast<std::uint32_t>(digit);
    }
    name = keySide.substr(0, slash);
    return true;
}
}  // namespace

EmulatedKey::EmulatedKey(KeyDescription description)
    : d_(std::move(description)), identifyFailuresLeft_(d_.identifyFailures) {}

EmulatedKey::~EmulatedKey() {
    for (std::thread& holder : holders_) holder.join();
}

void EmulatedKey::Count(const std::string& operation) {
    ++calls_[operation];
    // Written at once: another process's calls show while this one runs.
    if (!d_.callLog.empty()) AppendToFile(d_.callLog, operation + "\n");
}

std::string EmulatedKey::PathOf(const std::string& name) const {
    for (const auto& alias : d_.aliases)
        if (alias.first == name) return d_.folder + "\\" + alias.second;
    return d_.folder + "\\" + name;
}

bool EmulatedKey::Present() const { return d_.presenceFile.empty() || PathExists(d_.presenceFile); }

bool EmulatedKey::RequireOpen() {
    if (!open_) ++violations_;
    return open_;
}

const char* EmulatedKey::KeyGetDllVersion() {
    std::lock_guard<std::mutex> l(m_);
    Count("KeyGetDllVersion");
    return d_.version.c_str();
}

int EmulatedKey::KeyIdentify(char* identity100) {
    std::lock_guard<std::mutex> l(m_);
    Count("KeyIdentify");
    if (!Present()) return 1;
    if (identifyFailuresLeft_ != 0) {
        if (identifyFailuresLeft_ > 0) --identifyFailuresLeft_;
        return 1;
    }
    std::memset(identity100, 0, kIdentityBufferSize);
    std::memcpy(identity100, d_.identity.data(), std::min(d_.identity.size(), kIdentityBufferSize - 1));
    return 0;
}

int EmulatedKey::KeyReadDirectory(char** slots128) {
    return Traced("directory", [&] { return ReadDirectory(slots128); });
}

int EmulatedKey::ReadDirectory(char** slots128) {
    std::lock_guard<std::mutex> l(m_);
    Count("KeyReadDirectory");
    if (open_) ++violations_;
    if (!Present()) return 1;
    if (d_.directoryReadsBeforeFailure >= 0 && directoryReads_++ >= d_.directoryReadsBeforeFailure) return 1;
    if (!IsFolder(d_.folder)) return 1;
    std::vector<std::string> names, backing;
    for (const auto& alias : d_.aliases) {
        backing.push_back(alias.second);
        if (FileSize(PathOf(alias.first)) >= 0) names.push_back(alias.first);
    }
    for (const std::string& n : d_.order)
        if (!Contains(names, n) && FileSize(PathOf(n)) >= 0) names.push_back(n);
    for (const std::string& n : ListFolder(d_.folder))
        if (!Contains(names, n) && !Contains(backing, n) && FileSize(PathOf(n)) >= 0) names.push_back(n);
    for (size_t i = 0; i < names.size() && i < kSlotCount; ++i) {
        std::string text = Format("  %lld Byte - \"%s\"", FileSize(PathOf(names[i])), names[i].c_str());
        if (d_.unterminatedSlots) text.resize(std::max(text.size(), kSlotSize), ' ');
        std::memcpy(slots128[i], text.data(), std::min(text.size(), d_.unterminatedSlots ? kSlotSize : kSlotSize - 1));
    }
    return 0;
}

int EmulatedKey::KeyOpen() {
    std::lock_guard<std::mutex> l(m_);
    Count("KeyOpen");
    if (d_.openFails || !Present() || (d_.opensBeforeFailure >= 0 && opens_ >= d_.opensBeforeFailure)) return 1;
    ++opens_;
    if (open_) ++violations_;
    open_ = true;
    return 0;
}

int EmulatedKey::KeyClose() {
    std::lock_guard<std::mutex> l(m_);
    Count("KeyClose");
    if (!open_) ++violations_;
    open_ = false;
    if (!trace_.empty()) {
        if (FILE* trace = OpenNative(d_.traceFile, "ab")) {
            for (const TracedCall& c : trace_) std::fprintf(trace, "%s %lld %lld\n", c.operation, c.start, c.end);
            std::fclose(trace);
        }
        trace_.clear();
    }
    return 0;
}

int EmulatedKey::KeyDeleteFile(char* name128) {
    return Traced("delete", [&] { return Delete(name128); });
}

int EmulatedKey::Delete(char* name128) {
    const int number = deletesStarted_++;
    if (onDelete_) onDelete_(number);
    if (d_.deleteDelay > 0) std::this_thread::sleep_for(std::chrono::milliseconds(d_.deleteDelay));
    std::lock_guard<std::mutex> l(m_);
    Count("KeyDeleteFile");
    if (!RequireOpen()) return 1;
    const std::string name(name128, strnlen(name128, kKeyNameBufferSize));
    if (Contains(d_.deleteFails, name)) return 1;
    return DeleteFileAt(PathOf(name)) ? 0 : 1;
}

int EmulatedKey::KeyFormat() {
    std::lock_guard<std::mutex> l(m_);
    Count("KeyFormat");
    if (!RequireOpen()) return 1;
    for (const std::string& n : ListFolder(d_.folder)) DeleteFileAt(PathOf(n));
    return 0;
}

int EmulatedKey::KeyWriteFile(char* name128, char* path1024) {
    std::lock_guard<std::mutex> l(m_);
    Count("KeyWriteFile");
    if (!RequireOpen()) return 1;
    std::vector<unsigned char> content;
    if (!ReadWholeFile(std::string(path1024, strnlen(path1024, kPathBufferSize)), content)) return 1;
    const std::string target = PathOf(std::string(name128, strnlen(name128, kKeyNameBufferSize)));
    return WriteWholeFile(target, content.data(), content.size()) ? 0 : 1;
}

int EmulatedKey::Traced(const char* operation, const std::function<int()>& call) {
    const long long start = Microseconds();
    const int result = call();
    if (!d_.traceFile.empty()) {
        std::lock_guard<std::mutex> l(m_);
        trace_.push_back({operation, start, Microseconds()});
    }
    return result;
}

int EmulatedKey::KeyReadFile(char* keySideName, char* path1024) {
    return Traced("read", [&] { return Read(keySideName, path1024); });
}

int EmulatedKey::Read(char* keySideName, char* path1024) {
    const int number = readsStarted_++;
    if (onRead_) onRead_(number);
    std::unique_lock<std::mutex> l(m_);
    Count("KeyReadFile");
    if (!RequireOpen()) return 1;
    const std::string keySide(keySideName, strnlen(keySideName, kPathBufferSize));
    std::string name = keySide;
    std::uint32_t keystream = 0;
    const bool scrambled = SplitKeySideName(keySide, name, keystream);
    std::vector<unsigned char> content;
    if (Contains(d_.readFails, name) || !ReadWholeFile(PathOf(name), content)) return 1;
    if (Contains(d_.readTruncated, name)) content.resize(content.size() / 2);
    if (Contains(d_.readLonger, name)) content.insert(content.end(), 7, 0x55);
    if (Contains(d_.readSilent, name)) return 0;
    const bool partial = Contains(d_.readPartial, name);
    if (partial) content.resize(content.size() / 3);
    // A failed read may still leave a file of the full length: its second half wrong.
    const bool damaged = Contains(d_.readErrors, name);
    if (damaged)
        for (size_t i = content.size() / 2; i < content.size(); ++i) content[i] = static_cast<unsigned char>(~content[i]);
    const bool fails = partial || damaged;
    if (scrambled) Unscramble(content.data(), content.size(), keystream);
    const long long speed = d_.readSpeed;
    l.unlock();
    const std::string path(path1024, strnlen(path1024, kPathBufferSize));
    if (speed > 0) {
        // A slow key's file grows while it is read: half of it lies there meanwhile.
        WriteWholeFile(path, content.data(), content.size() / 2);
        std::this_thread::sleep_for(std::chrono::milliseconds(static_cast<long long>(content.size()) * 1000 / speed));
    }
    const bool written = WriteWholeFile(path, content.data(), content.size());
    if (written && d_.holdWritten > 0) {
        // A scanner opens the new file at once and holds it for a while.
        std::promise<void> held;
        const int ms = d_.holdWritten;
        holders_.emplace_back([path, ms, &held] {
            StagedFile scanner(path);
            held.set_value();
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        });
        held.get_future().wait();
    }
    return written && !fails ? 0 : 1;
}

int EmulatedKey::KeySetBaudRate(int speedIndex) {
    std::lock_guard<std::mutex> l(m_);
    Count("KeySetBaudRate");
    lastBaudRate_ = speedIndex;
    return 0;
}

int EmulatedKey::KeySendTrigger(int code) {
    std::lock_guard<std::mutex> l(m_);
    Count("KeySendTrigger");
    lastTriggerCode_ = code;
    return d_.sendAnswer;
}

int EmulatedKey::KeyPollTrigger() {
    std::lock_guard<std::mutex> l(m_);
    Count("KeyPollTrigger");
    const int answer = d_.pollAnswers.empty() ? 0 : d_.pollAnswers[std::min(pollIndex_, d_.pollAnswers.size() - 1)];
    ++pollIndex_;
    if (answer == kTriggerFinished && !fetched_ && !d_.fetchFolder.empty()) {
        fetched_ = true;
        for (const std::string& n : ListFolder(d_.fetchFolder)) {
            std::vector<unsigned char> content;
            if (ReadWholeFile(d_.fetchFolder + "\\" + n, content))
                WriteWholeFile(PathOf(n), content.data(), content.size());
        }
    }
    return answer;
}

int EmulatedKey::KeyReset() {
    std::lock_guard<std::mutex> l(m_);
    Count("KeyReset");
    return 0;
}

int EmulatedKey::Calls(const std::string& operation) const {
    std::lock_guard<std::mutex> l(m_);
    auto it = calls_.find(operation);
    return it == calls_.end() ? 0 : it->second;
}

int EmulatedKey::Violations() const {
    std::lock_guard<std::mutex> l(m_);
    return violations_;
}

int EmulatedKey::LastTriggerCode() const {
    std::lock_guard<std::mutex> l(m_);
    return lastTriggerCode_;
}

int EmulatedKey::LastBaudRate() const {
    std::lock_guard<std::mutex> l(m_);
    return lastBaudRate_;
}

std::vector<std::string> EmulatedKey::Files() const { return ListFolder(d_.folder); }
