#include "key/Transfer.h"

#include <vector>

#include "key/Delivery.h"
#include "key/KeyBuffers.h"
#include "platform/Files.h"
#include "platform/Text.h"

namespace {
// A name in the output folder that no file has: writing there destroys nothing.
std::string FreeTemporaryPath(const std::string& folder) {
    for (int n = 0;; ++n) {
        const std::string path = folder + Format("~mero%04d.part", n);
        if (!PathExists(path)) return path;
    }
}

TransferOutcome Failure(const std::string& problem) {
    TransferOutcome o;
    o.problem = problem;
    return o;
}

TransferOutcome Stored(const std::string& path) {
    TransferOutcome o;
    o.result = TransferResult::Complete;
    o.storedPath = path;
    return o;
}

// "Datei %s nicht vollständig übertragen"
std::string Incomplete(const std::string& name) {
    return Format("Datei %s nicht vollst\xE4ndig \xFC" "bertragen", name.c_str());
}

TransferOutcome Plain(IKeyLibrary& key, const std::string& folder, const std::string& keyName, int size) {
    const std::string temp = FreeTemporaryPath(folder);
    if (temp.size() >= kPathBufferSize) return Failure(Incomplete(keyName));
    char name[kKeyNameBufferSize], path[kPathBufferSize];
    FillBuffer(name, keyName);
    FillBuffer(path, temp);
    key.KeyReadFile(name, path);
    if (FileSize(temp) != size || !FlushFileToDisk(temp) || !MoveOver(temp, folder + keyName)) {
        DeleteFileAt(temp);
        return Failure(Incomplete(keyName));
    }
    return Stored(folder + keyName);
}

TransferOutcome Scrambled(IKeyLibrary& key, KvrNamer& namer, std::time_t now, const std::string& folder,
                          const std::string& keyName, int size) {
    if (size < 1) {
        TransferOutcome o;
        o.result = TransferResult::Refused;
        return o;
    }
    const TransferCode code = DrawTransferCode(now);
    const std::string keySideName = keyName + "\\" + code.Text();
    const std::string temp = FreeTemporaryPath(folder);
    if (keySideName.size() >= kPathBufferSize || temp.size() >= kPathBufferSize)
        return Failure(Incomplete(keyName));
    char keySide[kPathBufferSize], path[kPathBufferSize];
    FillBuffer(keySide, keySideName);
    FillBuffer(path, temp);
    key.KeyReadFile(keySide, path);

    std::vector<unsigned char> content;
    const bool read = ReadWholeFile(temp, content);
    DeleteFileAt(temp);
    if (!read || content.size() != static_cast<size_t>(size)) return Failure(Incomplete(keyName));
    Unscramble(content.data(), content.size(), code.Keystream());

    const std::string output = namer.OutputPath(folder + keyName, now);
    const std::string staging = FreeTemporaryPath(folder);
    if (!WriteFileDurably(staging, content.data(), content.size()) || !MoveOver(staging, output)) {
        DeleteFileAt(staging);
        return Failure(Incomplete(keyName));
    }
    return Stored(output);
}
}  // namespace

TransferOutcome TransferKeyFile(IKeyLibrary& key, KvrNamer& namer, std::time_t now,
                                const std::string& outputFolder, const std::string& keyName, int size) {
    // "Ungültiger Dateiname auf dem Key: %s"
    if (!IsPlainFileName(keyName) || keyName.size() >= kKeyNameBufferSize ||
        (outputFolder + keyName).size() >= kPathBufferSize)
        return Failure(Format("Ung\xFCltiger Dateiname auf dem Key: %s", keyName.c_str()));

    char identity[kIdentityBufferSize] = {};
    key.KeyIdentify(identity);
    if (UsesScrambledDelivery(IdentityText(identity)))
        return Scrambled(key, namer, now, outputFolder, keyName, size);
    return Plain(key, outputFolder, keyName, size);
}
