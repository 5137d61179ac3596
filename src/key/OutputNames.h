#pragma once
// Which key file names may become files on the PC, and under which name a
// scrambled delivery is stored.
#include <ctime>
#include <set>
#include <string>

// A name that stays inside the output folder: no separators, no drive colon,
// no control or reserved characters, not "." or "..", no device name, and no
// trailing dot or blank (Windows would strip them and alias another file).
bool IsPlainFileName(const std::string& name);

// "%s_%04i-%02i-%02i_%02i-%02i-%02i.kvr" for a path with a name marker and a
// split marker past its start; the path itself otherwise.
std::string KvrOutputPath(const std::string& targetPath, std::time_t when);

// Names the outputs of one run so that no two of them share a path: a .kvr
// name already given out takes the next free second.
class KvrNamer {
public:
    std::string OutputPath(const std::string& targetPath, std::time_t when);

private:
    std::set<std::string> used_;
};
