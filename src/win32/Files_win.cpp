// The file layer over the ANSI Win32 API: paths pass through byte for byte.
#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "platform/Files.h"
#include "platform/FilesNative.h"
#include "win32/WideText.h"

FILE* OpenNative(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

namespace {
// The volume's serial number for files of one folder, asked once: the
// system's answer takes as long as a dozen other calls under Wine.
unsigned long long VolumeSerialOf(const std::string& path, HANDLE file) {
    static std::mutex m;
    static std::map<std::string, unsigned long long> known;
    const std::lock_guard<std::mutex> l(m);
    const std::string folder = path.substr(0, path.rfind('\\') + 1);
    const auto it = known.find(folder);
    if (it != known.end()) return it->second;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info)) return 0;
    return known[folder] = info.dwVolumeSerialNumber;
}

// The volume and the file's index (FileInternalInformation, the same number
// as GetFileInformationByHandle's) of the file open at path.
bool IdentityThrough(const std::string& path, HANDLE file, FileIdentity& identity) {
    IO_STATUS_BLOCK status;
    LARGE_INTEGER index;
    const FILE_INFORMATION_CLASS kFileInternalInformation = static_cast<FILE_INFORMATION_CLASS>(6);
    if (NtQueryInformationFile(file, &status, &index, sizeof index, kFileInternalInformation) != 0) return false;
    identity.volume = VolumeSerialOf(path, file);
    identity.index = static_cast<unsigned long long>(index.QuadPart);
    return true;
}

// "Fehler %lu: <the system's text>", in the system's language.
std::string ErrorText(DWORD error) {
    char text[512] = {};
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                                   sizeof text - 1, nullptr);
    std::string message(text, n);
    while (!message.empty() && (message.back() == '\r' || message.back() == '\n' || message.back() == ' '))
        message.pop_back();
    char number[32];
    std::snprintf(number, sizeof number, "Fehler %lu", static_cast<unsigned long>(error));
    return message.empty() ? number : std::string(number) + ": " + message;
}

// The identity through a handle that asks for no access (a folder too).
// exists: something answers; problem: the system's reason when it could not
// tell either way.
bool Identify(const std::string& given, FileIdentity& identity, bool& exists, std::string* problem = nullptr) {
    // A folder named with its backslash, but a drive's root keeps it ("C:" is another folder).
    const std::string path =
        given.size() > 3 && given.back() == '\\' ? given.substr(0, given.size() - 1) : given;
    const HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // Held by another program, or delete pending, or not ours to open: something is there.
        exists = error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION;
        if (!exists && error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND && problem)
            *problem = ErrorText(error);
        return false;
    }
    exists = true;
    const bool ok = IdentityThrough(path, file, identity);
    CloseHandle(file);
    return ok;
}
}  // namespace

PathOccupant WhatAnswersAt(const std::string& path) {
    PathOccupant o;
    o.identified = Identify(path, o.identity, o.exists, &o.problem);
    if (!o.exists) return o;
    WIN32_FIND_DATAA found;
    const HANDLE find = FindFirstFileA(path.c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return o;  // a root or a device: no long name to compare
    FindClose(find);
    o.longName = found.cFileName;
    o.readOnly = (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    return o;
}

bool IdentityOf(const std::string& path, FileIdentity& identity) {
    bool exists = false;
    return Identify(path, identity, exists);
}

namespace {
HANDLE Handle(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }

bool Held(DWORD error) { return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION; }

bool HeldByAnother(const std::string& path) {
    const HANDLE probe = CreateFileA(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        CloseHandle(probe);
        return false;
    }
    return Held(GetLastError());
}

// An on-access scanner or an indexer opens a new file for a moment: the step
// is tried again for about half a second. held: the last failure was that.
template <typename Step>
bool UnlessHeld(Step step, bool& held, bool deniedMayBeHeld = false) {
    for (int tries = 0;; ++tries) {
        if (step()) return held = false, true;
        const DWORD error = GetLastError();
        held = Held(error);
        // Replacing a file that another program has open is denied, not a sharing violation.
        if ((!held && !(deniedMayBeHeld && error == ERROR_ACCESS_DENIED)) || tries == 25) return false;
        Sleep(20);
    }
}
}  // namespace

// No other handle may share the file (the library has closed its own), and
// DELETE lets it be renamed through this one.
StagedFile::StagedFile(const std::string& path) : path_(path), handle_(-1) {
    UnlessHeld(
        [&] {
            handle_ = reinterpret_cast<std::intptr_t>(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                                                  0, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN,
                                                                  nullptr));
            return Handle(handle_) != INVALID_HANDLE_VALUE;
        },
        held_);
}

StagedFile::~StagedFile() { Release(); }

void StagedFile::Release() {
    if (Handle(handle_) != INVALID_HANDLE_VALUE) CloseHandle(Handle(handle_));
    handle_ = reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE);
}

bool StagedFile::HasSize(unsigned long long size) {
    LARGE_INTEGER length;
    return GetFileSizeEx(Handle(handle_), &length) && static_cast<unsigned long long>(length.QuadPart) == size;
}

namespace {
// The whole file from its start into buffer, which holds size + 1 bytes: one
// byte more than expected asked for, getting exactly size proves the length.
bool ReadWhole(HANDLE file, unsigned char* buffer, size_t size) {
    if (size >= MAXDWORD) return false;
    OVERLAPPED start = {};
    DWORD done = 0;
    const bool read = ReadFile(file, buffer, static_cast<DWORD>(size + 1), &done, &start) ||
                      GetLastError() == ERROR_HANDLE_EOF;  // an empty file
    return read && done == size;
}
}  // namespace

// Reads and writes name their offset: the file's start.
bool StagedFile::Read(size_t size, std::vector<unsigned char>& content) {
    if (size >= MAXDWORD) return false;
    content.resize(size + 1);
    const bool whole = ReadWhole(Handle(handle_), content.data(), size);
    content.resize(size);
    return whole;
}

bool StagedFile::Write(const unsigned char* data, size_t size) {
    OVERLAPPED start = {};
    DWORD done = 0;
    return size <= MAXDWORD &&
           (size == 0 || (WriteFile(Handle(handle_), data, static_cast<DWORD>(size), &done, &start) && done == size));
}

bool StagedFile::Rewrite(size_t size, const std::function<void(unsigned char*, size_t)>& change) {
    if (size >= MAXDWORD) return false;
    // One buffer for all the files rewritten: fresh pages cost a fault each,
    // which under Wine took as long as the copying itself.
    static std::mutex m;
    static std::vector<unsigned char> buffer;
    const std::lock_guard<std::mutex> l(m);
    if (buffer.size() < size + 1) buffer.resize(size + 1);
    if (!ReadWhole(Handle(handle_), buffer.data(), size)) return false;
    change(buffer.data(), size);
    return Write(buffer.data(), size);
}

bool StagedFile::Flush() { return FlushFileBuffers(Handle(handle_)) != 0; }

namespace {
// NtFlushBuffersFileEx (Windows 8 on; not in Wine): asked for at run time.
using FlushBuffersFileEx = LONG(NTAPI*)(HANDLE, ULONG, PVOID, ULONG, PIO_STATUS_BLOCK);
FlushBuffersFileEx FlushWithFlags() {
    static const FlushBuffersFileEx flush = reinterpret_cast<FlushBuffersFileEx>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtFlushBuffersFileEx")));
    return flush;
}
}  // namespace

StagedFile::CacheFlush StagedFile::FlushWithoutDeviceCache() {
    const ULONG kFlushNoSync = 0x00000002;  // FLUSH_FLAGS_NO_SYNC: data and metadata, no device flush
    const FlushBuffersFileEx flush = FlushWithFlags();
    if (!flush) return CacheFlush::Refused;
    IO_STATUS_BLOCK status;
    const LONG result = flush(Handle(handle_), kFlushNoSync, nullptr, 0, &status);
    if (result >= 0) return CacheFlush::Done;
    // STATUS_INVALID_PARAMETER, STATUS_NOT_SUPPORTED, STATUS_INVALID_DEVICE_REQUEST: the file system has no such flush.
    const bool refused = static_cast<unsigned long>(result) == 0xC000000DUL ||
                         static_cast<unsigned long>(result) == 0xC00000BBUL ||
                         static_cast<unsigned long>(result) == 0xC0000010UL;
    return refused ? CacheFlush::Refused : CacheFlush::Failed;
}

bool StagedFile::Identity(FileIdentity& identity) { return IdentityThrough(path_, Handle(handle_), identity); }

StagedFile::Move StagedFile::MoveTo(const std::string& path, bool replace) {
    const std::wstring name = WideFromAnsi(path);
    std::vector<unsigned char> info(sizeof(FILE_RENAME_INFO) + name.size() * sizeof(wchar_t));
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(info.data());
    rename->ReplaceIfExists = replace ? TRUE : FALSE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(name.size() * sizeof(wchar_t));
    std::memcpy(rename->FileName, name.c_str(), (name.size() + 1) * sizeof(wchar_t));
    const auto renamed = [&] {
        return SetFileInformationByHandle(Handle(handle_), FileRenameInfo, rename, static_cast<DWORD>(info.size())) != 0;
    };
    if (!UnlessHeld(renamed, held_, replace)) {
        const DWORD error = GetLastError();
        if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) return Move::Taken;
        // Replacing a file another program has open is only "denied": asked
        // whether the earlier file would let itself be deleted.
        if (replace && error == ERROR_ACCESS_DENIED) held_ = HeldByAnother(path);
        refusal_ = ErrorText(error);
        return Move::Failed;
    }
    path_ = path;
    return Move::Moved;
}

// As the file system compares names: the ANSI code page's letters, case folded
// by the system's own table.
bool SameFileName(const std::string& a, const std::string& b) {
    const std::wstring wa = WideFromAnsi(a), wb = WideFromAnsi(b);
    return CompareStringOrdinal(wa.c_str(), static_cast<int>(wa.size()), wb.c_str(), static_cast<int>(wb.size()),
                                TRUE) == CSTR_EQUAL;
}

NewFile CreateNewFile(const std::string& path) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) return CloseHandle(file) ? NewFile::Created : NewFile::Failed;
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) return NewFile::Exists;
    // A name still held after its deletion (delete pending, common on servers)
    // is denied, not "exists": the name is taken all the same.
    if (error == ERROR_ACCESS_DENIED && GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES &&
        GetLastError() == ERROR_ACCESS_DENIED)
        return NewFile::Exists;
    return NewFile::Failed;
}

bool PathExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsFolder(const std::string& path) {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateFolder(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != 0; }

long long FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool DeleteFileAt(const std::string& path) {
    bool held = false;
    return UnlessHeld([&] { return DeleteFileA(path.c_str()) != 0; }, held);
}

bool AppendToFile(const std::string& path, const std::string& text, bool durable) {
    // Append access alone: the system puts every write at the file's end.
    const HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD done = 0;
    const bool whole = text.size() <= MAXDWORD &&
                       WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &done, nullptr) &&
                       done == text.size() && (!durable || FlushFileBuffers(file));
    return CloseHandle(file) && whole;
}

std::string FullPath(const std::string& path) {
    const bool drive = path.size() >= 3 && path[1] == ':' && path[2] == '\\';
    if (!drive && path.compare(0, 2, "\\\\") != 0) return std::string();
    char full[1024];
    const DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return n == 0 || n >= sizeof full ? std::string() : std::string(full, n);
}

bool SetReadOnly(const std::string& path, bool readOnly) {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES &&
           SetFileAttributesA(path.c_str(), readOnly ? a | FILE_ATTRIBUTE_READONLY : a & ~FILE_ATTRIBUTE_READONLY) != 0;
}

VolumeInfo VolumeOf(const std::string& given) {
    // Asked once per folder: each answer costs a dozen calls' time under Wine.
    static std::mutex m;
    static std::map<std::string, VolumeInfo> known;
    const std::string folder = given.substr(0, given.rfind('\\') + 1);
    {
        const std::lock_guard<std::mutex> l(m);
        const auto it = known.find(folder);
        if (it != known.end()) return it->second;
    }
    VolumeInfo v;
    const std::string path = given.size() > 3 && given.back() == '\\' ? given.substr(0, given.size() - 1) : given;
    const HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return v;
    wchar_t fileSystem[MAX_PATH + 1] = {};
    DWORD serial = 0;
    if (GetVolumeInformationByHandleW(file, nullptr, 0, &serial, nullptr, nullptr, fileSystem, MAX_PATH + 1)) {
        v.serial = serial;
        for (const wchar_t* c = fileSystem; *c; ++c) v.fileSystem += static_cast<char>(*c < 0x80 ? *c : '?');
    }
    // FileFsDeviceInformation: a redirector's device says FILE_REMOTE_DEVICE.
    struct DeviceInformation {
        ULONG deviceType, characteristics;
    } device = {};
    IO_STATUS_BLOCK status;
    using QueryVolume = LONG(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, int);
    static const QueryVolume query = reinterpret_cast<QueryVolume>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryVolumeInformationFile")));
    const int kFileFsDeviceInformation = 4;
    const ULONG kRemoteDevice = 0x10;
    if (query && query(file, &status, &device, sizeof device, kFileFsDeviceInformation) >= 0)
        v.remote = (device.characteristics & kRemoteDevice) != 0;
    else
        v.fileSystem.clear();  // not known for sure: flushed fully
    CloseHandle(file);
    const std::lock_guard<std::mutex> l(m);
    return known[folder] = v;
}

NewFile FlushVolumeThrough(const std::string& scratchPath) {
    const HANDLE file = CreateFileA(scratchPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? NewFile::Exists : NewFile::Failed;
    }
    const bool flushed = FlushFileBuffers(file) != 0;
    return CloseHandle(file) && flushed ? NewFile::Created : NewFile::Failed;
}

std::vector<std::string> ListFolder(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    const bool separated = !folder.empty() && folder.back() == '\\';
    HANDLE find = FindFirstFileA((folder + (separated ? "*" : "\\*")).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}
