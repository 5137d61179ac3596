#pragma once
// File-system operations on 8-bit paths in the Windows style (backslashes).
// The Windows build passes paths to the ANSI API unchanged; the native build
// reads a backslash as a folder separator so the same paths work in tests.
#include <cstdint>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

// A file as the file system knows it, whatever name reached it (volume serial
// and file index; device and inode).
struct FileIdentity {
    unsigned long long volume = 0, index = 0;
    // Some file servers answer 0 for every file or volume: no identity.
    bool Telling() const { return volume != 0 && index != 0; }
    bool operator<(const FileIdentity& o) const { return std::tie(volume, index) < std::tie(o.volume, o.index); }
    bool operator==(const FileIdentity& o) const { return volume == o.volume && index == o.index; }
};

// What answers at a path now. The file system decides: case, short names,
// links and the code page's letters are its business, not ours.
struct PathOccupant {
    bool exists = false;
    // Neither free nor there: the system's reason (a name too long, a drive
    // not ready, a share gone); exists is false then.
    std::string problem;
    bool identified = false;  // identity could be read
    FileIdentity identity;
    std::string longName;     // the file's real name in its folder
    bool readOnly = false;    // Windows refuses to replace or remove it
};
PathOccupant WhatAnswersAt(const std::string& path);
// The identity alone (no name search), of a file or of a folder (named with or
// without its backslash): false when none can be read.
bool IdentityOf(const std::string& path, FileIdentity& identity);
// An identity that tells this file or folder apart for sure: not 0, and not
// its folder's (a server that gives every file one identity gives itself away).
inline bool TellingIdentityOf(const std::string& path, FileIdentity& identity) {
    if (!IdentityOf(path, identity) || !identity.Telling()) return false;
    const std::string named = path.size() > 1 && path.back() == '\\' ? path.substr(0, path.size() - 1) : path;
    const size_t cut = named.rfind('\\');
    FileIdentity folder;
    return cut == std::string::npos || !IdentityOf(named.substr(0, cut + 1), folder) || !(folder == identity);
}
// Whether two names in one folder are one name to this file system.
bool SameFileName(const std::string& a, const std::string& b);

enum class NewFile { Created, Exists, Failed };
// Creates an empty file, never opening one that is there already.
NewFile CreateNewFile(const std::string& path);

// True when the path's attributes can be read (a folder counts).
bool PathExists(const std::string& path);
bool IsFolder(const std::string& path);
// Creates one folder; false when it could not be made.
bool CreateFolder(const std::string& path);
// Size in bytes, or -1 when the file cannot be read.
long long FileSize(const std::string& path);
// Waits a short while for another program that holds the file.
bool DeleteFileAt(const std::string& path);
// Sets or takes off a file's read-only attribute.
bool SetReadOnly(const std::string& path, bool readOnly);
bool ReadWholeFile(const std::string& path, std::vector<unsigned char>& content);
// Adds text at the end of a file, creating it, in one write: another process
// appending at the same time never lands in the middle. durable: handed to the
// disk before the answer.
bool AppendToFile(const std::string& path, const std::string& text, bool durable = false);
// The full path the system makes of a path that names its root (a drive and
// its root folder, or a share), "." and ".." resolved; empty for a path
// relative to a current folder or drive, or one the system cannot resolve.
std::string FullPath(const std::string& path);
// Writes and closes; false on any short or failed step.
bool WriteWholeFile(const std::string& path, const unsigned char* data, size_t size);

// A file staged for its final name, open for us alone from its check to its
// move: one open file for everything done to it, as under Wine each opening
// costs as much as the rest. Steps fail (false) on a file that did not open.
class StagedFile {
public:
    explicit StagedFile(const std::string& path);
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    bool HasSize(unsigned long long size);
    // Reads the file, which must be exactly size bytes long.
    bool Read(size_t size, std::vector<unsigned char>& content);
    // Writes data from the file's start (a fresh, empty file: its content).
    bool Write(const unsigned char* data, size_t size);
    // Reads the file, which must be exactly size bytes long, lets change
    // rework the bytes in memory and writes them back over it.
    bool Rewrite(size_t size, const std::function<void(unsigned char*, size_t)>& change);
    // Hands the written data, and the file's name as it stands, to the disk:
    // the only barrier that holds on every file system (a rename is durable
    // only once the renamed file's own handle was flushed after it).
    bool Flush();
    // The same without the device's own cache: durable only once a later full
    // flush on that volume succeeded (one device flush for many files).
    // Refused: the system or the volume's file system cannot (nothing flushed).
    enum class CacheFlush { Done, Refused, Failed };
    CacheFlush FlushWithoutDeviceCache();
    // Read after a rename: on FAT a file's identity is its directory entry's
    // place, which a rename to a longer name moves.
    bool Identity(FileIdentity& identity);
    enum class Move { Moved, Taken, Failed };
    // Gives it the name path (in the same folder); a file there is replaced
    // only when replace is set, otherwise the answer is Taken.
    Move MoveTo(const std::string& path, bool replace);
    // Closes it: other programs may open it now; every later step fails.
    void Release();
    const std::string& Path() const { return path_; }  // where it is now
    // Whether the last step failed because another program (a virus scanner,
    // an indexer) held the file beyond a short wait.
    bool HeldElsewhere() const { return held_; }
    // Why the system refused the last move (its own words), or "".
    const std::string& MoveRefusal() const { return refusal_; }

private:
    std::string path_;
    std::intptr_t handle_;  // the system's handle or descriptor
    bool held_ = false;
    std::string refusal_;
};
std::vector<std::string> ListFolder(const std::string& folder);

// The volume a file or folder lies on, as the system describes it.
struct VolumeInfo {
    unsigned long long serial = 0;
    bool remote = false;     // a share or a mapped drive: its device is another computer
    std::string fileSystem;  // "NTFS", "FAT32", "exFAT", ...; empty when the system did not say
};
VolumeInfo VolumeOf(const std::string& path);
// Creates a scratch file at path, flushes it fully (the device's cache with it)
// and removes it: the later full flush on its volume that makes every flush
// there that spared the device's cache durable. Exists: the name is taken.
NewFile FlushVolumeThrough(const std::string& scratchPath);
