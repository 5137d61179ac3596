#pragma once
// "Nothing lost" as invariants checked after generated download runs of the
// real worker, through the dialog, against the in-process emulated key:
//   I1 every key file is still on the key, byte for byte, or its bytes lie in
//      the output folder;
//   I2 nothing outside the output folder is created, changed or removed;
//   I3 a file that was in the output folder is unchanged, or holds the bytes of
//      the key file of its very name (a .kvr name never replaces a file), or
//      was removed after the key file of its name was stored whole under a .kvr
//      name; every file the run created holds exactly the bytes of a key file;
//   I4 the key is emptied only when every listed file arrived, never with
//      "nodelete" or after a close request;
//   I5 no temporary file of the tool remains.
// With a backup folder, I1 asks for the bytes there too, and every file there
// holds a key file's bytes.
// The run log's block tells the same: each file it says stored lies whole
// where it says, the others are still on the key, and "Key geleert" and the
// exit status are the run's.
// Over a file layer that can fail and lose power (PowerCuts), a failed write,
// flush, rename or removal ends the run with exit status 3 and a status line
// naming a key file; and after a power cut at every step of the run, once the
// next start cleaned up: every file the key no longer holds lies whole under a
// final name (in the backup folder too), every final name holds an earlier
// file unchanged or a key file's whole bytes, and an earlier file is gone only
// where the key still holds the file of that name or a whole copy took its place.
// Names are judged as the platform's file system compares them: built for
// Windows (and run under Wine, in more than one code page) its own rules for
// case, short names and letters decide.
#include <cstdint>
#include <string>
#include <vector>

enum class ReadFault { None, ErrorWithFullFile, Fails, Truncated, Partial, Silent, Longer };

struct KeyFileCase {
    std::string name;
    size_t size = 0;
    ReadFault fault = ReadFault::None;
};

struct ExistingFile {
    std::string name;
    std::string content;
    bool readOnly = false;
    bool inBackup = false;  // in the backup folder, not the output folder
};

// A backup folder: none, one that works, one pulled away (a removable drive)
// as a read starts, or the output folder itself under another name.
enum class BackupCase { None, Working, PulledAtRead, SameAsOutput };

// VolumeFlush: the full flush on a volume that makes the copies' flushes sparing the device's cache durable.
enum class DiskFault { None, Write, Flush, Rename, Remove, VolumeFlush };

struct RunCase {
    std::vector<KeyFileCase> files;
    std::string outputFolder = "out";   // below the run's temporary folder
    std::vector<ExistingFile> existing;  // in the output (or backup) folder before the run
    bool scrambled = false;
    bool compact = false;
    bool nodelete = false;
    bool logInOutput = false;  // "/Log:" names a file in the output folder: refused, the month's file instead
    int volumeKind = 0;        // the output folder's volume, over the unkind layer (PowerCuts::Settle)
    int closeAtRead = -1;  // the user closes the dialog as this KeyReadFile starts
    BackupCase backup = BackupCase::None;
    int pullAtRead = -1;   // PulledAtRead: as this KeyReadFile starts
    DiskFault diskFault = DiskFault::None;  // the faultAt-th call of that kind fails (PowerCuts only)
    int faultAt = 0;
};

// Where the generator takes its choices from.
class Choices {
public:
    virtual ~Choices() = default;
    // 0 to bound - 1.
    virtual std::uint32_t Below(std::uint32_t bound) = 0;
};

class SeededChoices : public Choices {
public:
    explicit SeededChoices(std::uint64_t seed) : state_(seed) {}
    std::uint32_t Below(std::uint32_t bound) override;

private:
    std::uint64_t state_;
};

// Fuzz input: each choice takes the next bytes; past the end every choice is 0.
class ByteChoices : public Choices {
public:
    ByteChoices(const std::uint8_t* data, size_t size) : data_(data), size_(size) {}
    std::uint32_t Below(std::uint32_t bound) override;

private:
    const std::uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

RunCase GenerateRun(Choices& choices);

// A file layer that can fail and lose power: the test double of it.
class PowerCuts {
public:
    virtual ~PowerCuts() = default;
    virtual void Reset() = 0;  // an empty world with the temporary folders
    // The world before the run: the key a device of its own whose changes are
    // durable at once, the backup folder a volume of its own; the run log's
    // folder neither fails nor loses power (its account is checked apart).
    // volumeKind: 0 FAT, 1 NTFS, 2 a file server's share, 3 a volume that refuses flushes sparing the device's cache,
    // 4 a share that gives every file one identity.
    virtual void Settle(const std::string& keyFolder, const std::string& backupFolder, const std::string& logFolder,
                        int volumeKind) = 0;
    virtual void Fail(DiskFault kind, int nth) = 0;
    virtual bool FaultFired() = 0;
    virtual size_t Steps() = 0;
    // The files become one state that a power cut after the first cut steps may leave.
    virtual void ShowCut(size_t cut, Choices& fates) = 0;
};

struct RunVerdict {
    std::string violation;  // empty when every invariant holds
    bool keyEmptied = false;
};
RunVerdict CheckRun(const RunCase& run, PowerCuts* cuts = nullptr);

// A smaller case that still breaks an invariant.
RunCase Shrink(RunCase failing, PowerCuts* cuts = nullptr);
std::string Describe(const RunCase& run);

struct SweepResult {
    int runs = 0;
    int keyEmptied = 0;          // runs that ended with an emptied key
    std::string counterExample;  // the first failure, shrunk and described
};
SweepResult Sweep(std::uint64_t firstSeed, int runs, PowerCuts* cuts = nullptr);
