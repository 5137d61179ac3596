#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform/Files.h"
#include "platform/FilesNative.h"

namespace {
std::string Native(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}
}  // namespace

FILE* OpenNative(const std::string& path, const char* mode) { return std::fopen(Native(path).c_str(), mode); }

bool CommitToDisk(FILE* f) { return fsync(fileno(f)) == 0; }

bool IdentityOf(const std::string& path, FileIdentity& identity) {
    struct stat st;
    if (stat(Native(path).c_str(), &st) != 0) return false;
    identity.volume = static_cast<unsigned long long>(st.st_dev);
    identity.index = static_cast<unsigned long long>(st.st_ino);
    return true;
}

PathOccupant WhatAnswersAt(const std::string& path) {
    PathOccupant o;
    o.exists = o.identified = IdentityOf(path, o.identity);
    if (!o.exists) return o;
    // A link answers for the file it leads to, as a short name does on Windows.
    char real[PATH_MAX];
    if (realpath(Native(path).c_str(), real)) {
        const std::string r = real;
        o.longName = r.substr(r.rfind('/') + 1);
    }
    return o;
}

bool RewriteFileDurably(const std::string& path, size_t size, const std::function<void(unsigned char*, size_t)>& change) {
    const int fd = open(Native(path).c_str(), O_RDWR);
    if (fd < 0) return false;
    struct stat st;
    std::unique_ptr<unsigned char[]> data(new unsigned char[size ? size : 1]);
    bool ok = fstat(fd, &st) == 0 && static_cast<size_t>(st.st_size) == size &&
              pread(fd, data.get(), size, 0) == static_cast<ssize_t>(size);
    if (ok) {
        change(data.get(), size);
        ok = pwrite(fd, data.get(), size, 0) == static_cast<ssize_t>(size) && fsync(fd) == 0;
    }
    return close(fd) == 0 && ok;
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

bool MoveOver(const std::string& from, const std::string& to) {
    return std::rename(Native(from).c_str(), Native(to).c_str()) == 0;
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
