#include "key/Transfer.h"

#include <exception>
#include <functional>
#include <vector>

#include "key/Delivery.h"
#include "key/KeyBuffers.h"
#include "platform/Files.h"
#include "platform/Text.h"

namespace {
TransferOutcome Failure(const std::string& problem) {
    TransferOutcome o;
    o.problem = problem;
    return o;
}

// "Datei %s nicht vollständig übertragen"
TransferOutcome Incomplete(const std::string& name) {
    return Failure(Format("Datei %s nicht vollst\xE4ndig \xFC" "bertragen", name.c_str()));
}

// The output name leads to a file the key file may not replace: one this run
// stored, or one of another long name that answers to it.
TransferOutcome NameTaken(const std::string& name, const TargetCheck& check) {
    if (check.target == Target::AnotherName)
        return Failure(Format("Datei %s: Name schon vergeben (%s)", name.c_str(), check.longName.c_str()));
    return Failure(Format("Datei %s: Name schon vergeben", name.c_str()));
}

bool Replaceable(const TargetCheck& check) {
    return check.target == Target::Free || check.target == Target::EarlierFile;
}

// A name in the output folder that is created empty for this transfer alone:
// no other run, instance or leftover can share it. Empty when none could be made.
std::string ReserveTemporaryPath(const std::string& folder) {
    for (int n = 0; n <= 9999; ++n) {
        const std::string path = folder + TemporaryName(n);
        const NewFile made = CreateNewFile(path);
        if (made == NewFile::Created) return path;
        if (made == NewFile::Failed) break;
    }
    return std::string();
}

// The reserved temporary file that the library writes to; empty when none
// could be made or its path does not fit the library's buffer.
std::string StagingPath(const std::string& folder) {
    const std::string temp = ReserveTemporaryPath(folder);
    if (temp.size() < kPathBufferSize) return temp;
    DeleteFileAt(temp);
    return std::string();
}

bool DirectlyIn(const std::string& folder, const std::string& path) {
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
           path.find('\\', folder.size()) == std::string::npos;
}

// Removes a temporary file that will not be stored.
TransferOutcome Discarded(const std::string& temp, TransferOutcome why) {
    DeleteFileAt(temp);
    return why;
}

// Moves a complete staged file to its output path, which must lie directly in
// the output folder whatever the naming made of it, and may only replace an
// earlier file of that very name.
TransferOutcome Store(OutputNamer& names, const std::string& folder, StagedFile& staged, const std::string& output,
                      const std::string& keyName) {
    if (!DirectlyIn(folder, output)) return Incomplete(keyName);
    const TargetCheck check = names.Examine(output);
    if (!Replaceable(check)) return NameTaken(keyName, check);
    FileIdentity identity;
    const bool identified = staged.Identity(identity);
    if (!staged.MoveTo(output)) return Incomplete(keyName);
    if (identified) names.Record(identity);
    TransferOutcome o;
    o.result = TransferResult::Complete;
    o.storedPath = output;
    return o;
}

// Finishes a staged temporary file through one open file (finish checks or
// reworks it, flushes and stores it); unless stored, it goes.
TransferOutcome Finished(const std::string& temp, const std::function<TransferOutcome(StagedFile&)>& finish) {
    TransferOutcome outcome;
    {
        StagedFile staged(temp);
        outcome = finish(staged);
    }  // closed: an open file could not be removed
    if (outcome.result != TransferResult::Complete) DeleteFileAt(temp);
    return outcome;
}

// A transfer that ended before anything was left to finish.
FinishTransfer Ended(const TransferOutcome& outcome) {
    return [outcome] { return outcome; };
}

FinishTransfer Plain(IKeyLibrary& key, OutputNamer& names, const std::string& folder, const std::string& keyName,
                     int size) {
    const std::string temp = StagingPath(folder);
    if (temp.empty()) return Ended(Incomplete(keyName));
    char name[kKeyNameBufferSize], path[kPathBufferSize];
    FillBuffer(name, keyName);
    FillBuffer(path, temp);
    if (key.KeyReadFile(name, path) != 0) return Ended(Discarded(temp, Incomplete(keyName)));
    // Whether the name may be taken is asked just before the move, the only
    // answer that counts.
    return [&names, folder, keyName, size, temp] {
        return Finished(temp, [&](StagedFile& staged) {
            if (!staged.HasSize(static_cast<unsigned long long>(size)) || !staged.Flush()) return Incomplete(keyName);
            return Store(names, folder, staged, folder + keyName, keyName);
        });
    };
}

FinishTransfer Scrambled(IKeyLibrary& key, OutputNamer& names, const Clock& clock, const std::string& folder,
                         const std::string& keyName, int size) {
    if (size < 1) {
        TransferOutcome o;
        o.result = TransferResult::Refused;
        return Ended(o);
    }
    const TransferCode code = DrawTransferCode(clock());
    const std::string keySideName = keyName + "\\" + code.Text();
    if (keySideName.size() >= kPathBufferSize) return Ended(Incomplete(keyName));
    const std::string temp = StagingPath(folder);
    if (temp.empty()) return Ended(Incomplete(keyName));
    char keySide[kPathBufferSize], path[kPathBufferSize];
    FillBuffer(keySide, keySideName);
    FillBuffer(path, temp);
    if (key.KeyReadFile(keySide, path) != 0) return Ended(Discarded(temp, Incomplete(keyName)));

    return [&names, clock, folder, keyName, size, temp, code] {
        // Unscrambled in place: the temporary file takes the key file's bytes
        // and is moved to its name only once they are on the disk.
        const auto unscramble = [&code](unsigned char* data, size_t n) { Unscramble(data, n, code.Keystream()); };
        const std::string keyNamePath = folder + keyName;
        const TransferOutcome stored = Finished(temp, [&](StagedFile& staged) {
            if (!staged.Rewrite(static_cast<size_t>(size), unscramble) || !staged.Flush()) return Incomplete(keyName);
            return Store(names, folder, staged, names.KvrPath(keyNamePath, clock()), keyName);
        });
        // Stored whole under its .kvr name: an earlier file under the key name
        // would be imported twice. Only that very file goes: not one this run
        // stored (another key file's), not one of another name that answers to it.
        if (stored.result == TransferResult::Complete && names.Examine(keyNamePath).target == Target::EarlierFile)
            DeleteFileAt(keyNamePath);
        return stored;
    };
}

// "Datei %s: Sicherung fehlgeschlagen"
TransferOutcome BackupFailed(const std::string& name) {
    return Failure(Format("Datei %s: Sicherung fehlgeschlagen", name.c_str()));
}

// The stored file copied into the backup folder under its final name, by the
// same rules as in the output folder: reserved temporary file, flushed, then
// moved over only an earlier file of that very name.
TransferOutcome BackedUp(BackupTarget& backup, const TransferOutcome& stored, const std::string& keyName) {
    if (!backup.usable) return BackupFailed(keyName);
    const std::string name = stored.storedPath.substr(stored.storedPath.rfind('\\') + 1);
    const std::string temp = ReserveTemporaryPath(backup.folder);
    if (temp.empty()) return BackupFailed(keyName);
    std::vector<unsigned char> content;
    if (!ReadWholeFile(stored.storedPath, content)) return Discarded(temp, BackupFailed(keyName));
    const TransferOutcome copy = Finished(temp, [&](StagedFile& staged) {
        if (!staged.Write(content.data(), content.size()) || !staged.Flush()) return BackupFailed(keyName);
        return Store(backup.names, backup.folder, staged, backup.folder + name, keyName);
    });
    return copy.result == TransferResult::Complete ? stored : BackupFailed(keyName);
}
}  // namespace

FinishTransfer ReadKeyFile(IKeyLibrary& key, OutputNamer& names, const Clock& clock, const std::string& outputFolder,
                           const std::string& keyName, int size, BackupTarget* backup) {
    // "Ungültiger Dateiname auf dem Key: %s"
    if (!IsPlainFileName(keyName) || IsTemporaryName(keyName) || keyName.size() >= kKeyNameBufferSize ||
        (outputFolder + keyName).size() >= kPathBufferSize)
        return Ended(Failure(Format("Ung\xFCltiger Dateiname auf dem Key: %s", keyName.c_str())));

    // A file too large for memory, for one, stays on the key.
    try {
        char identity[kIdentityBufferSize] = {};
        key.KeyIdentify(identity);
        const FinishTransfer finish = UsesScrambledDelivery(IdentityText(identity))
                                          ? Scrambled(key, names, clock, outputFolder, keyName, size)
                                          : Plain(key, names, outputFolder, keyName, size);
        return [finish, backup, keyName] {
            try {
                const TransferOutcome stored = finish();
                if (!backup || stored.result != TransferResult::Complete) return stored;
                return BackedUp(*backup, stored, keyName);
            } catch (const std::exception&) {
                return Incomplete(keyName);
            }
        };
    } catch (const std::exception&) {
        return Ended(Incomplete(keyName));
    }
}
