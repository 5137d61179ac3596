#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/Files.h"
#include "platform/FilesNative.h"
#include "platform/Text.h"

namespace {
std::string Native(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}
}  // namespace

FILE* OpenNative(const std::string& path, const char* mode) { return std::fopen(Native(path).c_str(), mode); }

namespace {
FileIdentity IdentityFrom(const struct stat& st) {
    FileIdentity identity;
    identity.volume = static_cast<unsigned long long>(st.st_dev);
    identity.index = static_cast<unsigned long long>(st.st_ino);
    return identity;
}
}  // namespace

bool IdentityOf(const std::string& path, FileIdentity& identity) {
    struct stat st;
    if (stat(Native(path).c_str(), &st) != 0) return false;
    identity = IdentityFrom(st);
    return true;
}

PathOccupant WhatAnswersAt(const std::string& path) {
    PathOccupant o;
    o.exists = o.identified = IdentityOf(path, o.identity);
    if (!o.exists && errno != ENOENT && errno != ENOTDIR) o.problem = std::strerror(errno);
    if (!o.exists) return o;
    struct stat st;
    o.readOnly = stat(Native(path).c_str(), &st) == 0 && !(st.st_mode & S_IWUSR);
    // A link answers for the file it leads to, as a short name does on Windows.
    char real[PATH_MAX];
    if (realpath(Native(path).c_str(), real)) {
        const std::string r = real;
        o.longName = r.substr(r.rfind('/') + 1);
    }
    return o;
}

StagedFile::StagedFile(const std::string& path) : path_(path), handle_(open(Native(path).c_str(), O_RDWR)) {}

StagedFile::~StagedFile() { Release(); }

void StagedFile::Release() {
    if (handle_ >= 0) close(static_cast<int>(handle_));
    handle_ = -1;
}

bool StagedFile::HasSize(unsigned long long size) {
    struct stat st;
    return fstat(static_cast<int>(handle_), &st) == 0 && static_cast<unsigned long long>(st.st_size) == size;
}

bool StagedFile::Read(size_t size, std::vector<unsigned char>& content) {
    // One byte more than expected asked for: getting exactly size proves the length.
    content.resize(size + 1);
    const bool whole = pread(static_cast<int>(handle_), content.data(), size + 1, 0) == static_cast<ssize_t>(size);
    content.resize(size);
    return whole;
}

bool StagedFile::Write(const unsigned char* data, size_t size) {
    return pwrite(static_cast<int>(handle_), data, size, 0) == static_cast<ssize_t>(size);
}

bool StagedFile::Rewrite(size_t size, const std::function<void(unsigned char*, size_t)>& change) {
    std::vector<unsigned char> data;
    if (!Read(size, data)) return false;
    change(data.data(), size);
    return Write(data.data(), size);
}

bool StagedFile::Flush() { return fsync(static_cast<int>(handle_)) == 0; }

StagedFile::CacheFlush StagedFile::FlushWithoutDeviceCache() { return CacheFlush::Refused; }

bool StagedFile::Identity(FileIdentity& identity) {
    struct stat st;
    if (fstat(static_cast<int>(handle_), &st) != 0) return false;
    identity = IdentityFrom(st);
    return true;
}

StagedFile::Move StagedFile::MoveTo(const std::string& path, bool replace) {
    if (handle_ < 0) return Move::Failed;
    const int moved = renameat2(AT_FDCWD, Native(path_).c_str(), AT_FDCWD, Native(path).c_str(),
                                replace ? 0 : RENAME_NOREPLACE);
    if (moved != 0 && errno == EEXIST) return Move::Taken;
    if (moved != 0) {
        refusal_ = std::strerror(errno);
        return Move::Failed;
    }
    path_ = path;
    return Move::Moved;
}

// This file system tells every byte apart.
bool SameFileName(const std::string& a, const std::string& b) { return a == b; }

NewFile CreateNewFile(const std::string& path) {
    const int fd = open(Native(path).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (fd < 0) return errno == EEXIST ? NewFile::Exists : NewFile::Failed;
    return close(fd) == 0 ? NewFile::Created : NewFile::Failed;
}

bool PathExists(const std::string& path) {
    struct stat st;
    return stat(Native(path).c_str(), &st) == 0;
}

bool IsFolder(const std::string& path) {
    struct stat st;
    return stat(Native(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateFolder(const std::string& path) { return mkdir(Native(path).c_str(), 0777) == 0; }

long long FileSize(const std::string& path) {
    struct stat st;
    if (stat(Native(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return static_cast<long long>(st.st_size);
}

bool DeleteFileAt(const std::string& path) { return unlink(Native(path).c_str()) == 0; }

bool AppendToFile(const std::string& path, const std::string& text, bool durable) {
    const int fd = open(Native(path).c_str(), O_WRONLY | O_APPEND | O_CREAT, 0666);
    if (fd < 0) return false;
    const bool whole = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) &&
                       (!durable || fsync(fd) == 0);
    return close(fd) == 0 && whole;
}

std::string FullPath(const std::string& path) { return path.rfind('/', 0) == 0 ? CollapsedPath(path) : std::string(); }

bool SetReadOnly(const std::string& path, bool readOnly) {
    struct stat st;
    const mode_t write = S_IWUSR | S_IWGRP | S_IWOTH;
    return stat(Native(path).c_str(), &st) == 0 &&
           chmod(Native(path).c_str(), readOnly ? st.st_mode & ~write : st.st_mode | S_IWUSR) == 0;
}

std::vector<std::string> ListFolder(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = opendir(Native(folder).c_str());
    if (!dir) return names;
    while (dirent* e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

VolumeInfo VolumeOf(const std::string& path) {
    VolumeInfo v;
    struct stat st;
    if (stat(Native(path).c_str(), &st) == 0) v.serial = static_cast<unsigned long long>(st.st_dev) + 1;
    // Named as far as it matters here: FAT's renames are no transactions.
    struct statfs fs;
    if (statfs(Native(path).c_str(), &fs) == 0) v.fileSystem = fs.f_type == 0x4d44 ? "vfat" : fs.f_type == 0x2011BAB0 ? "exFAT" : "posix";
    return v;
}

NewFile FlushVolumeThrough(const std::string& scratchPath) {
    const int fd = open(Native(scratchPath).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (fd < 0) return errno == EEXIST ? NewFile::Exists : NewFile::Failed;
    const bool flushed = fsync(fd) == 0;
    close(fd);
    return unlink(Native(scratchPath).c_str()) == 0 && flushed ? NewFile::Created : NewFile::Failed;
}
