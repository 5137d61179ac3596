#include "key/OutputNames.h"

#include <cstdint>

#include "platform/CodePage.h"
#include "platform/LocalTime.h"
#include "platform/Machine.h"
#include "platform/Text.h"

namespace {
// ASCII letters in upper case: the tool's own patterns and the device names
// are ASCII, and no byte of another letter folds into ASCII.
std::string AsciiUpper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 0x20);
    return s;
}

// Windows' device names: the part before the first dot, blanks at its end
// dropped, is CON, PRN, AUX, NUL, CONIN$, CONOUT$, or COM/LPT with a digit or
// a superscript one, two or three. Which byte is a superscript depends on the
// system's code page.
bool IsDeviceName(const std::string& name) {
    std::string stem = AsciiUpper(Utf8FromAnsi(name.substr(0, name.find('.'))));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL" || stem == "CONIN$" ||
        stem == "CONOUT$")
        return true;
    if (stem.size() < 4 || (stem.compare(0, 3, "COM") != 0 && stem.compare(0, 3, "LPT") != 0)) return false;
    const std::string n = stem.substr(3);
    return (n.size() == 1 && n[0] >= '0' && n[0] <= '9') || n == "\xC2\xB9" || n == "\xC2\xB2" || n == "\xC2\xB3";
}

const char kTemporaryPrefix[] = "~MERO";
const char kTemporarySuffix[] = ".PART";
}  // namespace

bool IsPlainFileName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F) return false;
        switch (c) {
            case '\\': case '/': case ':': case '*': case '?': case '"': case '<': case '>': case '|':
                return false;
            default:
                break;
        }
    }
    if (name.back() == '.' || name.back() == ' ') return false;
    return !IsDeviceName(name);
}

namespace {
// This computer's eight digits: FNV-1a of its name.
const std::string& MachineTag() {
    static const std::string tag = [] {
        std::uint32_t hash = 2166136261u;
        for (const char c : AsciiUpper(MachineName())) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
        return Format("%08X", static_cast<unsigned>(hash));
    }();
    return tag;
}

bool AllOf(const std::string& s, size_t from, size_t to, bool hex) {
    if (from >= to) return false;
    for (size_t i = from; i < to; ++i)
        if (!((s[i] >= '0' && s[i] <= '9') || (hex && s[i] >= 'A' && s[i] <= 'F'))) return false;
    return true;
}

// The tag of a temporary name, upper case; "" for an earlier version's;
// false when it is none of the tool's.
bool TemporaryTag(const std::string& name, std::string& tag) {
    const std::string n = AsciiUpper(name);
    const size_t prefix = sizeof kTemporaryPrefix - 1, suffix = sizeof kTemporarySuffix - 1;
    if (n.size() <= prefix + suffix || n.compare(0, prefix, kTemporaryPrefix) != 0 ||
        n.compare(n.size() - suffix, suffix, kTemporarySuffix) != 0)
        return false;
    const size_t end = n.size() - suffix;
    tag.clear();
    if (AllOf(n, prefix, end, false)) return true;
    if (end < prefix + 10 || n[prefix + 8] != '-' || !AllOf(n, prefix, prefix + 8, true) ||
        !AllOf(n, prefix + 9, end, false))
        return false;
    tag = n.substr(prefix, 8);
    return true;
}
}  // namespace

std::string TemporaryName(int number) { return Format("~mero%s-%04d.part", MachineTag().c_str(), number); }

bool IsTemporaryName(const std::string& name) {
    std::string tag;
    return TemporaryTag(name, tag);
}

bool IsOwnTemporaryName(const std::string& name) {
    std::string tag;
    return TemporaryTag(name, tag) && (tag.empty() || tag == MachineTag());
}

std::string KvrOutputPath(const std::string& targetPath, std::time_t when) {
    const bool marker = targetPath.find("C_") != std::string::npos || targetPath.find("S_") != std::string::npos ||
                        targetPath.find("V_") != std::string::npos;
    const size_t nameAt = targetPath.rfind('\\') == std::string::npos ? 0 : targetPath.rfind('\\') + 1;
    const size_t splitAt = targetPath.find("_0_", nameAt);
    if (!marker || splitAt == std::string::npos || splitAt == 0) return targetPath;
    const std::tm t = LocalTime(when);
    // "%s_%04i-%02i-%02i_%02i-%02i-%02i.kvr", the kept part appended as it is, whatever bytes it holds.
    return targetPath.substr(0, splitAt) + Format("_%04i-%02i-%02i_%02i-%02i-%02i.kvr", t.tm_year + 1900, t.tm_mon + 1,
                                                  t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
}

void OutputNamer::Record(const std::string& path, const FileIdentity* identity) {
    paths_.push_back(path);
    if (!identity || !identity->Telling() || shared_.count(*identity)) return;
    // A server may give every file one identity, its folders' too.
    const std::string folder = path.substr(0, path.rfind('\\') + 1);
    if (!folders_.count(folder)) IdentityOf(folder, folders_[folder]);
    if (folders_[folder] == *identity) {
        shared_.insert(*identity);
        return;
    }
    // Two outputs of this run under one identity: the volume gives one to many files.
    const auto known = outputs_.find(*identity);
    if (known == outputs_.end()) outputs_[*identity] = path;
    else if (known->second != path) shared_.insert(*identity), outputs_.erase(known);
}

bool OutputNamer::Stored(const std::string& folder, const std::string& name) const {
    for (const std::string& p : paths_) {
        const size_t cut = p.rfind('\\') + 1;
        if (cut == folder.size() && p.compare(0, cut, folder) == 0 && SameFileName(p.substr(cut), name))
            return true;
    }
    return false;
}

TargetCheck OutputNamer::Examine(const std::string& path) const {
    const PathOccupant o = WhatAnswersAt(path);
    TargetCheck check;
    check.longName = o.longName;
    check.readOnly = o.readOnly;
    check.problem = o.problem;
    if (!o.problem.empty()) check.target = Target::Unknown;
    if (!o.exists) return check;
    const size_t cut = path.rfind('\\') + 1;
    const std::string folder = path.substr(0, cut), name = path.substr(cut);
    // The system's lookups may answer a name with one file and its long name
    // with another (a short name that is also another file's long name): an
    // identity of this run's outputs counts whatever long name comes with it.
    const bool storedHere = o.identified && outputs_.count(o.identity) != 0;
    if (storedHere || Stored(folder, name) || (!o.longName.empty() && Stored(folder, o.longName)))
        check.target = Target::RunOutput;
    else if (o.longName.empty()) check.target = Target::RunOutput;  // nothing to tell it by: never replaced
    else if (SameFileName(o.longName, name)) check.target = Target::EarlierFile;
    else check.target = Target::AnotherName;
    return check;
}

std::string OutputNamer::KvrPath(const std::string& targetPath, std::time_t& when) const {
    std::string path = KvrOutputPath(targetPath, when);
    if (path == targetPath) return path;
    for (int tries = 0; tries < 86400; ++tries) {
        const Target target = Examine(path).target;
        if (target == Target::Free || target == Target::Unknown) break;
        path = KvrOutputPath(targetPath, ++when);
    }
    return path;
}
