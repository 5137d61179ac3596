#pragma once
// Which key file names may become files on the PC, under which name a
// scrambled delivery is stored, and how the outputs of one run are kept apart.
#include <ctime>
#include <set>
#include <string>

// A name that stays inside the output folder: no separators, no drive colon,
// no control or reserved characters, not "." or "..", no device name by
// Windows' rules, and no trailing dot or blank (Windows would strip them and
// alias another file).
bool IsPlainFileName(const std::string& name);

// The tool's own temporary files in the output folder: "~mero0000.part" ...
std::string TemporaryName(int number);
bool IsTemporaryName(const std::string& name);

// A path as Windows compares it: letters of the ANSI code page folded to upper
// case, trailing dots and blanks dropped.
std::string WindowsNameKey(const std::string& path);

// "%s_%04i-%02i-%02i_%02i-%02i-%02i.kvr" when the path holds a name marker
// (anywhere) and the file-name part holds the split marker past its start; the
// cut falls in the file-name part, so the folder always stays the same.
// The path itself otherwise.
std::string KvrOutputPath(const std::string& targetPath, std::time_t when);

// The outputs of one run, so that no two of them share a file.
class OutputNamer {
public:
    bool Taken(const std::string& path) const;
    void Record(const std::string& path);
    // KvrOutputPath, moved on by whole seconds past the names this run took.
    std::string KvrPath(const std::string& targetPath, std::time_t when) const;

private:
    std::set<std::string> taken_;  // WindowsNameKey of each output
};
