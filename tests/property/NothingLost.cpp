#include "NothingLost.h"

#include <cctype>
#include <map>
#include <future>
#include <memory>
#include <set>
#include <stdexcept>

#include "DialogHarness.h"
#include "ShortName.h"
#include "app/FolderChain.h"
#include "key/OutputNames.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "res/resource.h"

std::uint32_t SeededChoices::Below(std::uint32_t bound) {
    // splitmix64: every seed gives its own well-mixed stream.
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return bound ? static_cast<std::uint32_t>(z % bound) : 0;
}

std::uint32_t ByteChoices::Below(std::uint32_t bound) {
    std::uint32_t value = 0;
    for (std::uint32_t range = 1; range < bound && range < (1u << 24); range <<= 8)
        value = value << 8 | (at_ < size_ ? data_[at_++] : 0);
    return bound ? value % bound : 0;
}

namespace {
const std::time_t kRunTime = FakeSystem().now;

template <size_t N>
const char* Pick(Choices& c, const char* const (&options)[N]) {
    return options[c.Below(N)];
}

std::string Body(Choices& c, size_t length) {
    // Letters of code pages 1252 and 1250 both: a byte is another letter, or
    // none, in the other (0xB3 is "³" in one and "ł" in the other).
    static const char kLetters[] = "AbCdXyz0123_- .\xC4\xE4\xD6\xF6\xDC\xFC\xDF\x8A\x9A\xFF\x9F\xA3\xB3\xA5\xB9\x8F";
    std::string s;
    for (size_t i = 0; i < length; ++i) s += kLetters[c.Below(sizeof kLetters - 1)];
    return s;
}

// Upper case becomes lower and the other way round, as far as one of the two
// code pages folds it; in the other it may be another name altogether.
std::string CaseVariant(Choices& c, std::string name) {
    static const unsigned char kPairs[][2] = {{0xA3, 0xB3}, {0xA5, 0xB9}, {0x8F, 0x9F}, {0x8A, 0x9A}, {0x9F, 0xFF}};
    for (char& ch : name) {
        const unsigned char u = static_cast<unsigned char>(ch);
        if (!c.Below(2)) continue;
        if ((u >= 'a' && u <= 'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7)) ch = static_cast<char>(u - 0x20);
        else if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7)) ch = static_cast<char>(u + 0x20);
        for (const auto& pair : kPairs)
            if (u == pair[0] || u == pair[1]) ch = static_cast<char>(u == pair[0] ? pair[1] : pair[0]);
    }
    return name;
}

std::string MarkerName(Choices& c) {
    static const char* const kMarkers[] = {"C_", "S_", "V_", "M_", "c_", ""};
    static const char* const kExtensions[] = {".DDD", ".ddd", ".kvr", ".bin", ""};
    std::string name = Pick(c, kMarkers) + Body(c, 1 + c.Below(10));
    if (c.Below(3)) name += "_0_" + Body(c, c.Below(6));
    return name + Pick(c, kExtensions);
}

const char* const kLongStems[] = {"LongFileName", "Fahrerkarte ", "V_Fahrzeug_", "abcdefghij"};

// The name the run gives a scrambled file of this key name.
std::string KvrName(const std::string& keyName) {
    const std::string path = KvrOutputPath("O\\" + keyName, kRunTime);
    return path.substr(2);
}

// longNames: files of long names to lie in the output folder before the run.
std::string KeyName(Choices& c, const std::vector<KeyFileCase>& earlier, std::vector<std::string>& longNames) {
    const std::uint32_t kind = c.Below(108);
    const std::string previous = earlier.empty() ? MarkerName(c) : earlier[c.Below(earlier.size())].name;
    if (kind >= 100) {
        // A short name: of a file the run stores, or of an earlier file of another long name.
        if (kind < 104) return ShortAliasOf(previous);
        longNames.push_back(Pick(c, kLongStems) + MarkerName(c));
        return ShortAliasOf(longNames.back());
    }
    if (kind < 40) return MarkerName(c);
    if (kind < 55) return CaseVariant(c, previous);
    if (kind < 64) {
        static const char* const kDevices[] = {"CON", "nul", "Aux", "PRN", "COM1", "lpt9", "COM\xB9",
                                               "LPT\xB2", "CONIN$", "conout$", "COM0"};
        return std::string(Pick(c, kDevices)) + (c.Below(2) ? " " : "") + (c.Below(2) ? ".DDD" : "");
    }
    if (kind < 71) {
        static const char* const kEnds[] = {".", " ", ". .", "..", " .DDD", ".ddd "};
        return (c.Below(2) ? " " : "") + Body(c, 1 + c.Below(4)) + Pick(c, kEnds);
    }
    if (kind < 79) {
        const size_t length = 110 + c.Below(26);  // around the 128-byte name buffer
        std::string name = "V_" + Body(c, length / 2) + "_0_" + Body(c, length / 2);
        return name.substr(0, length);
    }
    if (kind < 88) return KvrName(c.Below(2) ? previous : MarkerName(c));
    if (kind < 93) return TemporaryName(static_cast<int>(c.Below(3)));
    static const char* const kHostile[] = {"..\\x.DDD", "a/b.DDD", "C:x.DDD", "sub\\y.DDD", "..", "."};
    if (kind < 96) return Pick(c, kHostile);
    return CaseVariant(c, "Fahrer_\xC4\xD6\xDC\xE4\xF6\xFC\xDF\x8A\x9A\xFF\x9F.DDD");
}

size_t FileSizeChoice(Choices& c) {
    static const size_t kSmall[] = {0, 1, 3, 4, 7};
    const std::uint32_t kind = c.Below(8);
    if (kind < 5) return kSmall[kind];
    if (kind == 5) return c.Below(257);
    if (kind == 6) return c.Below(4097);
    return c.Below(64 * 1024 + 1);
}

// Each key file's bytes differ from every other's and from any earlier file:
// the first byte is the file's number.
std::string KeyContent(size_t index, size_t size) {
    std::string content = Bytes(size, static_cast<unsigned>(index) + 7);
    if (size) content[0] = static_cast<char>(index);
    return content;
}
}  // namespace

RunCase GenerateRun(Choices& c) {
    RunCase run;
    const size_t count = 1 + c.Below(20);
    // A third of the runs hold only files that may all arrive (no faults, no
    // device names, no empty files), so that the key gets emptied and the paths
    // after a full download are searched too.
    const bool wellFormed = c.Below(3) == 0;
    std::set<std::string> names;
    std::vector<std::string> longNames;
    // Fuzz input that ran out repeats one name: a bounded number of tries.
    for (size_t tries = 0; run.files.size() < count && tries < 4 * count; ++tries) {
        KeyFileCase f;
        if (!wellFormed) f.name = KeyName(c, run.files, longNames);
        else if (run.files.empty() || c.Below(6)) f.name = MarkerName(c);
        else f.name = CaseVariant(c, run.files[c.Below(run.files.size())].name);
        if (f.name.empty() || f.name == kParameterFileName || f.name.find('"') != std::string::npos ||
            !names.insert(f.name).second)
            continue;  // a key holds each exact name once
        f.size = FileSizeChoice(c);
        static const ReadFault kFaults[] = {ReadFault::ErrorWithFullFile, ReadFault::Fails, ReadFault::Truncated,
                                            ReadFault::Partial, ReadFault::Silent};
        if (wellFormed) f.size += f.size == 0;
        else if (c.Below(10) < 2) f.fault = kFaults[c.Below(5)];
        run.files.push_back(f);
    }
    static const char* const kFolders[] = {"out", "V_Lkw_0_12", "S_x\\C_0_y", "Ausgabe_0_", "out\\deep",
                                           "C_\xC4rger_0_ 1"};
    run.outputFolder = Pick(c, kFolders);
    std::set<std::string> existingNames;
    for (std::uint32_t n = c.Below(5) + static_cast<std::uint32_t>(longNames.size()); n > 0; --n) {
        const std::string& keyName = run.files[c.Below(run.files.size())].name;
        std::string name;
        switch (n <= longNames.size() ? 6 : c.Below(6)) {
            case 0: name = keyName; break;
            case 1: name = CaseVariant(c, keyName); break;
            case 2: name = KvrName(keyName); break;
            case 3: name = TemporaryName(static_cast<int>(c.Below(2))); break;  // left by a killed run
            case 4: name = ShortAliasOf(keyName); break;  // a file of its own under that name
            case 5: name = MarkerName(c); break;
            default: name = longNames[n - 1]; break;
        }
        if (!IsPlainFileName(name) || !existingNames.insert(name).second) continue;
        run.existing.push_back({name, "earlier download " + std::to_string(n) + Body(c, c.Below(40))});
    }
    run.scrambled = c.Below(2) != 0;
    run.compact = c.Below(3) == 0;
    run.nodelete = c.Below(5) == 0;
    run.closeAtRead = c.Below(5) == 0 ? static_cast<int>(c.Below(static_cast<std::uint32_t>(count))) : -1;
    static const BackupCase kBackups[] = {BackupCase::None, BackupCase::None, BackupCase::Working,
                                          BackupCase::Working, BackupCase::PulledAtRead, BackupCase::SameAsOutput};
    run.backup = kBackups[c.Below(6)];
    if (run.backup == BackupCase::PulledAtRead) run.pullAtRead = static_cast<int>(c.Below(static_cast<std::uint32_t>(count)));
    return run;
}

namespace {
using FileMap = std::map<std::string, std::string>;  // name or path -> content

FileMap FolderFiles(const std::string& folder) {
    FileMap files;
    for (const std::string& name : ListFolder(folder))
        if (!IsFolder(folder + name)) files[name] = ReadFile(folder + name);
    return files;
}

// Every file below folder, except in the folders skipped.
void TreeFiles(const std::string& folder, const std::set<std::string>& skip, FileMap& files) {
    for (const std::string& name : ListFolder(folder)) {
        const std::string path = folder + "\\" + name;
        if (skip.count(path)) continue;
        if (IsFolder(path)) {
            files[path + "\\"] = "(folder)";
            TreeFiles(path, skip, files);
        } else {
            files[path] = ReadFile(path);
        }
    }
}

// The first path that one map has and the other has not, or has otherwise.
std::string FirstDifference(const FileMap& a, const FileMap& b) {
    for (const FileMap* side : {&a, &b}) {
        const FileMap& other = side == &a ? b : a;
        for (const auto& [path, content] : *side) {
            const auto there = other.find(path);
            if (there == other.end() || there->second != content) return path;
        }
    }
    return std::string();
}

std::string Quoted(const std::string& text) {
    std::string q = "\"";
    for (unsigned char ch : text) q += ch < 0x20 || ch >= 0x7F ? Format("\\x%02X", ch) : std::string(1, ch);
    return q + "\"";
}

bool EndsWithKvr(const std::string& name) {
    if (name.size() < 4) return false;
    std::string end = name.substr(name.size() - 4);
    for (char& ch : end) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return end == ".kvr";
}

// The entry that the file system takes for this name: the platform compares.
FileMap::const_iterator FindName(const FileMap& files, const std::string& name) {
    for (auto it = files.begin(); it != files.end(); ++it)
        if (SameFileName(it->first, name)) return it;
    return files.end();
}

std::string TempBase() {
#ifdef _WIN32
    return std::string();
#else
    return IsFolder("/dev/shm") ? "/dev/shm" : std::string();  // no disk flushes to wait for
#endif
}

const char* const kFaultNames[] = {"none", "error with full file", "fails", "truncated", "partial", "silent"};

class RunChecker {
public:
    explicit RunChecker(const RunCase& run) : run_(run) {}

    RunVerdict Check() {
        KeyDescription d;
        d.identity = run_.scrambled ? "VANTIK-ID:WB12345678 FW-2131" : "VANTIK-ID:WK12345678 FW-2130";
        for (size_t i = 0; i < run_.files.size(); ++i) {
            const KeyFileCase& f = run_.files[i];
            d.aliases.emplace_back(f.name, Backing(i));
            std::vector<std::string>* lists[] = {nullptr, &d.readErrors, &d.readFails, &d.readTruncated,
                                                 &d.readPartial, &d.readSilent};
            if (lists[static_cast<int>(f.fault)]) lists[static_cast<int>(f.fault)]->push_back(f.name);
        }
        DialogHarness h(d, TempBase());
        for (size_t i = 0; i < run_.files.size(); ++i)
            WriteFile(h.KeyFile(Backing(i)), KeyContent(i, run_.files[i].size));
        const std::string out = h.temp.Path() + "\\" + run_.outputFolder + "\\";
        CreateFolderChain(out, [](const std::string& folder) { CreateFolder(folder); });
        for (const ExistingFile& e : run_.existing) WriteFile(out + e.name, e.content);

        const std::string backup = h.temp.Path() + "\\bak", pulled = h.temp.Path() + "\\bak-pulled";
        const std::set<std::string> skip = {h.keyFolder, out.substr(0, out.size() - 1), backup, pulled};
        FileMap outsideBefore, outsideAfter;
        TreeFiles(h.temp.Path(), skip, outsideBefore);
        const FileMap before = FolderFiles(out);
        const FileMap keyBefore = KeyFiles(h);
        const std::string parameterFile = ReadFile(h.KeyFile(kParameterFileName));

        const std::string backupSwitch = run_.backup == BackupCase::None           ? ""
                                         : run_.backup == BackupCase::SameAsOutput ? " \"/Backup:" + out + ".\""
                                                                                   : " \"/Backup:" + backup + "\"";
        h.Start("\"" + out + "\" t " + (run_.compact ? "mini" : "normal") + " x" + (run_.nodelete ? " nodelete" : "") +
                backupSwitch);
        h.dialog->OnTimer(kStartupTimer);
        bool closed = false;
        // The user closes while that file is read: on the user-interface
        // thread, before the read goes on, so a failing run repeats exactly.
        h.key->OnRead([&](int read) {
            if (read == run_.pullAtRead) MoveOver(backup, pulled);  // the drive is pulled, its files with it
            if (read != run_.closeAtRead) return;
            std::promise<void> done;
            h.view.Post([&] {
                closed = true;
                h.dialog->OnCancel();
                done.set_value();
            });
            done.get_future().wait();
        });
        h.Click(IDC_START);
        try {
            h.WaitForWorker();
        } catch (const std::exception& e) {
            return {e.what()};
        }

        TreeFiles(h.temp.Path(), skip, outsideAfter);
        RunVerdict v;
        const std::string outside = FirstDifference(outsideBefore, outsideAfter);
        if (!outside.empty()) v.violation = "I2: " + Quoted(outside) + " changed outside the output folder";
        if (ReadFile(h.KeyFile(kParameterFileName)) != parameterFile) v.violation = "the key's parameter file changed";
        const FileMap keyAfter = KeyFiles(h);
        v.keyEmptied = keyAfter.size() < keyBefore.size();
        if (v.violation.empty()) v.violation = CheckOutput(before, FolderFiles(out));
        if (v.violation.empty()) v.violation = CheckBackup(FolderFiles(backup + "\\"), FolderFiles(pulled + "\\"));
        if (v.violation.empty()) v.violation = CheckKey(keyBefore, keyAfter, closed);
        return v;
    }

private:
    static std::string Backing(size_t i) { return "f" + std::to_string(i) + ".bin"; }

    FileMap KeyFiles(DialogHarness& h) const {
        FileMap files;
        for (size_t i = 0; i < run_.files.size(); ++i)
            if (PathExists(h.KeyFile(Backing(i)))) files[run_.files[i].name] = ReadFile(h.KeyFile(Backing(i)));
        return files;
    }

    // A key file's bytes, stored under its own name or under a .kvr name.
    bool IsKeyContent(const std::string& content, const std::string& name) const {
        for (size_t i = 0; i < run_.files.size(); ++i)
            if (KeyContent(i, run_.files[i].size) == content &&
                (SameFileName(run_.files[i].name, name) || EndsWithKvr(name)))
                return true;
        return false;
    }

    bool StoredAsKvr(const std::string& name, const FileMap& after) const {
        for (size_t i = 0; i < run_.files.size(); ++i) {
            if (!SameFileName(run_.files[i].name, name)) continue;
            for (const auto& [n, content] : after)
                if (EndsWithKvr(n) && content == KeyContent(i, run_.files[i].size)) return true;
        }
        return false;
    }

    std::string CheckOutput(const FileMap& before, const FileMap& after) {
        for (const auto& [name, content] : before) {
            if (IsTemporaryName(name)) continue;  // debris of a killed run: removed at start
            const auto now = FindName(after, name);
            if (now == after.end() ? !StoredAsKvr(name, after)
                                   : now->second != content && !IsKeyContent(now->second, name))
                return "I3: the earlier file " + Quoted(name) + " was lost or changed";
        }
        for (const auto& [name, content] : after) {
            if (IsTemporaryName(name)) return "I5: the temporary file " + Quoted(name) + " remained";
            const auto was = FindName(before, name);
            if (was != before.end() && was->second == content) continue;
            if (!IsKeyContent(content, name))
                return "I3: " + Quoted(name) + " holds bytes of no key file of that name";
        }
        outputContents_.clear();
        for (const auto& entry : after) outputContents_.insert(entry.second);
        return std::string();
    }

    // The backup folder starts empty: what lies there is a copy of a key file.
    std::string CheckBackup(const FileMap& backup, const FileMap& pulled) {
        backupContents_.clear();
        for (const FileMap* files : {&backup, &pulled}) {
            for (const auto& [name, content] : *files) {
                if (IsTemporaryName(name)) return "I5: the temporary file " + Quoted(name) + " remained in the backup";
                if (!IsKeyContent(content, name)) return "the backup " + Quoted(name) + " holds bytes of no key file";
                backupContents_.insert(content);
            }
        }
        return std::string();
    }

    std::string CheckKey(const FileMap& before, const FileMap& after, bool closed) const {
        bool emptied = false;
        for (const auto& [name, content] : before) {
            const auto now = after.find(name);
            if (now != after.end() && now->second != content) return "the key file " + Quoted(name) + " changed";
            if (now != after.end()) continue;
            emptied = true;
            if (!outputContents_.count(content)) return "I1: " + Quoted(name) + " is neither on the key nor on the PC";
            if (run_.backup != BackupCase::None && !backupContents_.count(content))
                return "I1: " + Quoted(name) + " left the key without its backup";
        }
        if (!emptied) return std::string();
        if (run_.nodelete) return "I4: the key was emptied although \"nodelete\" was given";
        if (closed) return "I4: the key was emptied after the user closed the dialog";
        for (const KeyFileCase& f : run_.files)
            if (f.size == 0) return "I4: the key was emptied although " + Quoted(f.name) + " was listed with size 0";
        return std::string();
    }

    const RunCase& run_;
    std::set<std::string> outputContents_, backupContents_;
};
}  // namespace

RunVerdict CheckRun(const RunCase& run) { return RunChecker(run).Check(); }

RunCase Shrink(RunCase failing) {
    const auto fails = [](const RunCase& c) { return !CheckRun(c).violation.empty(); };
    for (int budget = 400, progress = 1; progress && budget > 0;) {
        progress = 0;
        std::vector<RunCase> smaller;
        for (size_t i = 0; i < failing.files.size() && failing.files.size() > 1; ++i) {
            RunCase c = failing;
            c.files.erase(c.files.begin() + static_cast<long>(i));
            smaller.push_back(c);
        }
        for (size_t i = 0; i < failing.existing.size(); ++i) {
            RunCase c = failing;
            c.existing.erase(c.existing.begin() + static_cast<long>(i));
            smaller.push_back(c);
        }
        for (size_t i = 0; i < failing.files.size(); ++i) {
            RunCase c = failing;
            if (c.files[i].fault != ReadFault::None) c.files[i].fault = ReadFault::None, smaller.push_back(c);
            c = failing;
            if (c.files[i].size > 8) c.files[i].size = 7, smaller.push_back(c);
        }
        RunCase c = failing;
        if (c.closeAtRead >= 0) c.closeAtRead = -1, smaller.push_back(c);
        c = failing;
        if (c.backup != BackupCase::None) c.backup = BackupCase::None, c.pullAtRead = -1, smaller.push_back(c);
        c = failing;
        if (c.nodelete) c.nodelete = false, smaller.push_back(c);
        c = failing;
        if (c.compact) c.compact = false, smaller.push_back(c);
        c = failing;
        if (c.outputFolder != "out") c.outputFolder = "out", smaller.push_back(c);
        for (const RunCase& candidate : smaller) {
            if (--budget < 0) break;
            if (fails(candidate)) {
                failing = candidate;
                progress = 1;
                break;
            }
        }
    }
    return failing;
}

std::string Describe(const RunCase& run) {
    std::string text = "output folder " + Quoted(run.outputFolder) + (run.scrambled ? ", scrambled" : ", plain") +
                       (run.compact ? ", compact" : "") + (run.nodelete ? ", nodelete" : "");
    if (run.closeAtRead >= 0) text += Format(", closed at read %d", run.closeAtRead);
    static const char* const kBackupNames[] = {"", ", a backup folder", ", a backup folder pulled at read",
                                               ", the output folder as backup"};
    text += kBackupNames[static_cast<int>(run.backup)];
    if (run.pullAtRead >= 0) text += Format(" %d", run.pullAtRead);
    for (const KeyFileCase& f : run.files)
        text += Format("\n  key %s, %d bytes, fault: %s", Quoted(f.name).c_str(), static_cast<int>(f.size),
                       kFaultNames[static_cast<int>(f.fault)]);
    for (const ExistingFile& e : run.existing)
        text += Format("\n  before the run in the output folder: %s, %d bytes", Quoted(e.name).c_str(),
                       static_cast<int>(e.content.size()));
    return text;
}

SweepResult Sweep(std::uint64_t firstSeed, int runs) {
    SweepResult result;
    for (int i = 0; i < runs; ++i) {
        SeededChoices choices(firstSeed + static_cast<std::uint64_t>(i));
        const RunCase run = GenerateRun(choices);
        const RunVerdict verdict = CheckRun(run);
        ++result.runs;
        if (verdict.keyEmptied) ++result.keyEmptied;
        if (!verdict.violation.empty()) {
            const RunCase small = Shrink(run);
            result.counterExample = Format("seed %llu: %s\n", static_cast<unsigned long long>(firstSeed + i),
                                           CheckRun(small).violation.c_str()) +
                                    Describe(small);
            break;
        }
    }
    return result;
}
