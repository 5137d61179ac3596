#include "key/Leftovers.h"

#include "key/OutputNames.h"
#include "platform/Files.h"
#include "platform/Text.h"

namespace {
// A final file in the folder with the same size and bytes; empty when none.
std::string TwinOf(const std::string& folder, const std::string& temp, long long size,
                   const std::vector<std::string>& names) {
    std::vector<unsigned char> leftover, other;
    for (const std::string& name : names) {
        if (IsTemporaryName(name) || FileSize(folder + name) != size) continue;
        if (leftover.empty() && !ReadWholeFile(folder + temp, leftover)) return name;  // unreadable: keep it
        if (ReadWholeFile(folder + name, other) && other == leftover) return name;
    }
    return std::string();
}

// Where a rename is no transaction (FAT, exFAT), or the system does not say.
bool RenamesMayHalve(const std::string& folder) {
    const std::string fileSystem = VolumeOf(folder).fileSystem;
    if (fileSystem.empty()) return true;
    for (const char* fat : {"FAT", "FAT12", "FAT16", "FAT32", "exFAT", "vfat", "msdos"})
        if (SameFileName(fileSystem, fat)) return true;
    return false;
}
}  // namespace

std::vector<std::string> RemoveLeftovers(const std::string& folder) {
    std::vector<std::string> kept;
    const std::vector<std::string> names = ListFolder(folder);
    // A rename cut midway on FAT may leave a temporary name on the clusters of
    // a final file that an importer has moved away since: deleting it would
    // free that file's data. "Temporäre Datei %s bleibt liegen (FAT: Datenträger mit chkdsk prüfen)"
    const bool fat = RenamesMayHalve(folder);
    for (const std::string& name : names) {
        // Another computer's that shares the folder may be on its way.
        if (!IsOwnTemporaryName(name)) continue;
        const long long size = FileSize(folder + name);
        if (size < 0) continue;  // a folder of that name is none of ours
        // An empty file holds no clusters to share.
        if (size > 0 && fat) {
            kept.push_back(Format("Tempor\xE4re Datei %s bleibt liegen (FAT: Datentr\xE4ger mit chkdsk pr\xFC" "fen)",
                                  (folder + name).c_str()));
            continue;
        }
        const std::string twin = size == 0 ? std::string() : TwinOf(folder, name, size, names);
        if (twin.empty()) DeleteFileAt(folder + name);
        // "Temporäre Datei %s bleibt liegen: gleicht %s"
        else kept.push_back(Format("Tempor\xE4re Datei %s bleibt liegen: gleicht %s", (folder + name).c_str(),
                                   twin.c_str()));
    }
    return kept;
}
