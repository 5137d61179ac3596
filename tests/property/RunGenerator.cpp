// The runs that the "nothing lost" property is checked over: key names from a
// grammar of the ways a name can go wrong, sizes, faults, earlier files, a
// backup folder, a close; each choice taken from a seed or from fuzz input.
#include <cctype>
#include <set>

#include "FakeSystem.h"
#include "NothingLost.h"
#include "ShortName.h"
#include "key/KeyDirectory.h"
#include "key/OutputNames.h"

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

std::string AsciiFolded(std::string name) {
    for (char& ch : name) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
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

// Another key name that a scrambled delivery stores under the same .kvr name
// in the same second (its part after "_0_" differs), or a new name.
std::string SameKvrName(Choices& c, const std::string& earlier) {
    const size_t split = earlier.find("_0_");
    if (split == std::string::npos || split == 0) return MarkerName(c);
    return earlier.substr(0, split) + "_0_" + Body(c, 1 + c.Below(6)) + ".DDD";
}

size_t FileSizeChoice(Choices& c) {
    static const size_t kSmall[] = {0, 1, 3, 4, 7};
    const std::uint32_t kind = c.Below(8);
    if (kind < 5) return kSmall[kind];
    if (kind == 5) return c.Below(257);
    if (kind == 6) return c.Below(4097);
    return c.Below(64 * 1024 + 1);
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
        else if (run.files.empty() || c.Below(3)) f.name = MarkerName(c);
        else if (c.Below(2)) f.name = SameKvrName(c, run.files[c.Below(run.files.size())].name);
        else f.name = CaseVariant(c, run.files[c.Below(run.files.size())].name);
        if (f.name.empty() || f.name == kParameterFileName || f.name.find('"') != std::string::npos ||
            !names.insert(f.name).second)
            continue;  // a key holds each exact name once
        f.size = FileSizeChoice(c);
        static const ReadFault kFaults[] = {ReadFault::ErrorWithFullFile, ReadFault::Fails, ReadFault::Truncated,
                                            ReadFault::Partial, ReadFault::Silent, ReadFault::Longer};
        if (wellFormed) f.size += f.size == 0;
        else if (c.Below(10) < 2) f.fault = kFaults[c.Below(6)];
        run.files.push_back(f);
    }
    // A key file whose name wants a .kvr name, and the same name with the
    // marker in lower case, which keeps its own name.
    if (KeyFileCase lowered = run.files[c.Below(run.files.size())];
        c.Below(4) == 0 && KvrName(lowered.name) != lowered.name && std::isupper(static_cast<unsigned char>(lowered.name[0]))) {
        lowered.name[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(lowered.name[0])));
        if (names.insert(lowered.name).second) run.files.push_back(lowered);
    }
    // Files of the key that a later one names again in another case: where
    // the later one is stored under its own name, an earlier copy of the
    // first answers with it.
    std::vector<std::string> renamedLater;
    for (size_t i = 0; i < run.files.size(); ++i)
        for (size_t j = i + 1; j < run.files.size(); ++j)
            if (run.files[i].name != run.files[j].name && AsciiFolded(run.files[i].name) == AsciiFolded(run.files[j].name))
                renamedLater.push_back(run.files[i].name);
    static const char* const kFolders[] = {"out", "V_Lkw_0_12", "S_x\\C_0_y", "Ausgabe_0_", "out\\deep",
                                           "C_\xC4rger_0_ 1"};
    run.outputFolder = Pick(c, kFolders);
    std::set<std::string> existingNames;
    for (std::uint32_t n = c.Below(5) + static_cast<std::uint32_t>(longNames.size() + !renamedLater.empty()); n > 0;
         --n) {
        const std::string& keyName = run.files[c.Below(run.files.size())].name;
        std::string name;
        switch (n <= longNames.size() ? 6 : !renamedLater.empty() && c.Below(3) == 0 ? 7 : c.Below(6)) {
            case 0: name = keyName; break;
            case 1: name = CaseVariant(c, keyName); break;
            case 2: name = KvrName(keyName); break;
            case 3:  // left by a killed run, or on its way from another computer sharing the folder
                name = c.Below(2) ? TemporaryName(static_cast<int>(c.Below(2))) : "~mero0BADF00D-0001.part";
                break;
            case 4: name = ShortAliasOf(keyName); break;  // a file of its own under that name
            case 5: name = MarkerName(c); break;
            case 6: name = longNames[n - 1]; break;
            default: name = renamedLater[c.Below(static_cast<std::uint32_t>(renamedLater.size()))]; break;
        }
        if (!IsPlainFileName(name) || !existingNames.insert(name).second) continue;
        // Some lie in the backup folder instead, where there is one of its own.
        run.existing.push_back({name, "earlier download " + std::to_string(n) + Body(c, c.Below(40)), c.Below(4) == 0,
                                c.Below(4) == 0});
    }
    run.scrambled = c.Below(2) != 0;
    run.compact = c.Below(3) == 0;
    run.nodelete = c.Below(5) == 0;
    run.logInOutput = c.Below(6) == 0;
    run.volumeKind = static_cast<int>(c.Below(5));
    run.closeAtRead = c.Below(5) == 0 ? static_cast<int>(c.Below(static_cast<std::uint32_t>(count))) : -1;
    static const BackupCase kBackups[] = {BackupCase::None, BackupCase::None, BackupCase::Working,
                                          BackupCase::Working, BackupCase::PulledAtRead, BackupCase::SameAsOutput};
    run.backup = kBackups[c.Below(6)];
    if (run.backup != BackupCase::Working && run.backup != BackupCase::PulledAtRead)
        for (ExistingFile& e : run.existing) e.inBackup = false;
    if (run.backup == BackupCase::PulledAtRead) run.pullAtRead = static_cast<int>(c.Below(static_cast<std::uint32_t>(count)));
    // A volume's flush twice as often: few runs batch their flushes.
    static const DiskFault kDiskFaults[] = {DiskFault::Write,  DiskFault::Flush,       DiskFault::Rename,
                                            DiskFault::Remove, DiskFault::VolumeFlush, DiskFault::VolumeFlush};
    if (c.Below(4) == 0) {
        run.diskFault = kDiskFaults[c.Below(6)];
        // Up to the last flush of the run (each copy's two); a volume's flush is the one of its folder.
        run.faultAt = static_cast<int>(run.diskFault == DiskFault::VolumeFlush ? c.Below(2)
                                                                                : c.Below(4 * static_cast<std::uint32_t>(count)));
    }
    return run;
}

