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
}  // namespace

std::vector<std::string> RemoveLeftovers(const std::string& folder) {
    std::vector<std::string> kept;
    const std::vector<std::string> names = ListFolder(folder);
    for (const std::string& name : names) {
        // Another computer's that shares the folder may be on its way.
        if (!IsOwnTemporaryName(name)) continue;
        const long long size = FileSize(folder + name);
        if (size < 0) continue;  // a folder of that name is none of ours
        // An empty file holds no clusters to share.
        const std::string twin = size == 0 ? std::string() : TwinOf(folder, name, size, names);
        if (twin.empty()) DeleteFileAt(folder + name);
        // "Temporäre Datei %s bleibt liegen: gleicht %s"
        else kept.push_back(Format("Tempor\xE4re Datei %s bleibt liegen: gleicht %s", (folder + name).c_str(),
                                   twin.c_str()));
    }
    return kept;
}
