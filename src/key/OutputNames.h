#pragma once
// Which key file names may become files on the PC, under which name a
// scrambled delivery is stored, and how the outputs of one run are kept apart.
#include <ctime>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/Files.h"

// A name that stays inside the output folder: no separators, no drive colon,
// no control or reserved characters, not "." or "..", no device name by
// Windows' rules, and no trailing dot or blank (Windows would strip them and
// alias another file).
bool IsPlainFileName(const std::string& name);

// The tool's own temporary files in the output folder: "~mero1a2b3c4d-0000.part"
// ..., the eight digits telling this computer's from another's that shares the
// folder; also the names of earlier versions, "~mero0000.part" ...
std::string TemporaryName(int number);
bool IsTemporaryName(const std::string& name);
// One that this computer may have left (or an earlier version, anywhere).
bool IsOwnTemporaryName(const std::string& name);

// "%s_%04i-%02i-%02i_%02i-%02i-%02i.kvr" when the path holds a name marker
// (anywhere) and the file-name part holds the split marker, not at the path's
// very start; the cut falls in the file-name part, so the folder always stays
// the same (a name that starts with the marker keeps only the folder). The
// path itself otherwise.
std::string KvrOutputPath(const std::string& targetPath, std::time_t when);

// What a file stored at a path would meet there, as the file system answers.
enum class Target {
    Free,          // nothing answers
    EarlierFile,   // a file of that very name that this run did not store
    RunOutput,     // a file this run stored (or one that cannot be identified)
    AnotherName,   // a file of another long name (a short-name alias, say)
    Unknown,       // the system could not say (a name too long, a drive not ready)
};
struct TargetCheck {
    Target target = Target::Free;
    std::string longName;  // the name of the file that answers
    bool readOnly = false;
    std::string problem;   // Unknown: the system's reason
};

// The outputs of one run, known by identity and by name, so that no two of
// them share a file whatever names reached them. The names count on their own:
// on FAT an identity moves with a rename and a freed one is given again, and
// some servers answer one identity (or 0) for every file; an identity of 0, or
// one that two outputs of the run were given, tells nothing, and names decide.
class OutputNamer {
public:
    TargetCheck Examine(const std::string& path) const;
    // Records a file stored at path as an output of the run.
    void Record(const std::string& path, const FileIdentity* identity);
    // KvrOutputPath, moved on by whole seconds (when follows) past every file
    // there: a time-stamped name never replaces one (a clock set back would
    // otherwise put a new download over an earlier one). The search ends at a
    // name the system cannot answer for (Examine says why), and after a day's
    // seconds at most.
    std::string KvrPath(const std::string& targetPath, std::time_t& when) const;

    // What the run learned of its folder's volume: it refuses a flush that
    // spares the device's cache (asked once, then flushed fully).
    void RememberCacheFlushRefused(unsigned long long volume) { cacheFlushRefused_.insert(volume); }
    bool RefusesCacheFlush(unsigned long long volume) const { return cacheFlushRefused_.count(volume) != 0; }

private:
    bool Stored(const std::string& folder, const std::string& name) const;

    std::map<FileIdentity, std::string> outputs_;  // identity -> the path stored under it
    std::set<FileIdentity> shared_;                // given to more than one output, or to its folder too
    std::map<std::string, FileIdentity> folders_;  // each output folder's own, asked once
    std::vector<std::string> paths_;
    std::set<unsigned long long> cacheFlushRefused_;
};
