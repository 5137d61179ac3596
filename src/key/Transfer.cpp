#include "key/Transfer.h"

#include <exception>
#include <functional>
#include <map>
#include <memory>
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

// A step on the staged file failed: another program held it, or else.
// "Datei %s: von einem anderen Programm belegt (Virenscanner?)"
// "Datei %s: Umbenennen abgelehnt (%s)"
TransferOutcome Unfinished(const StagedFile& staged, const std::string& keyName) {
    if (staged.HeldElsewhere())
        return Failure(Format("Datei %s: von einem anderen Programm belegt (Virenscanner?)", keyName.c_str()));
    if (!staged.MoveRefusal().empty())
        return Failure(Format("Datei %s: Umbenennen abgelehnt (%s)", keyName.c_str(), staged.MoveRefusal().c_str()));
    return Incomplete(keyName);
}

// Windows refuses to replace or remove a read-only file, Wine does not: the
// same on both, an earlier file of that very name loses the attribute right
// before, and the status log says so. "Datei %s: frühere Datei %s war schreibgeschützt"
bool TakeOffReadOnly(const std::string& path, const TargetCheck& check, const std::string& keyName,
                     std::string& note) {
    if (!check.readOnly) return true;
    note = Format("Datei %s: fr\xFChere Datei %s war schreibgesch\xFCtzt", keyName.c_str(), path.c_str());
    return SetReadOnly(path, false);
}

// A replace or removal that failed leaves the earlier file as it was.
void PutBackReadOnly(const std::string& path, const TargetCheck& check) {
    if (check.readOnly) SetReadOnly(path, true);
}

// The output name leads to a file the key file may not replace: one this run
// stored, or one of another long name that answers to it.
TransferOutcome NameTaken(const std::string& name, const TargetCheck& check) {
    // "Datei %s: Name nicht nutzbar (%s)"
    if (check.target == Target::Unknown)
        return Failure(Format("Datei %s: Name nicht nutzbar (%s)", name.c_str(), check.problem.c_str()));
    if (check.target == Target::AnotherName)
        return Failure(Format("Datei %s: Name schon vergeben (%s)", name.c_str(), check.longName.c_str()));
    return Failure(Format("Datei %s: Name schon vergeben", name.c_str()));
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

// The library's read into the temporary file; a read that throws leaves none.
int ReadInto(IKeyLibrary& key, char* keySide, const std::string& temp) {
    char path[kPathBufferSize];
    FillBuffer(path, temp);
    try {
        return key.KeyReadFile(keySide, path);
    } catch (...) {
        DeleteFileAt(temp);
        throw;
    }
}

// Local volumes whose file systems take a flush that spares the device's
// cache, and answer for it with a later full flush on the volume.
bool Batchable(const VolumeInfo& volume, const OutputNamer& names) {
    if (volume.remote || volume.serial == 0 || names.RefusesCacheFlush(volume.serial)) return false;
    for (const char* local : {"NTFS", "FAT", "FAT32", "exFAT"})
        if (SameFileName(volume.fileSystem, local)) return true;
    return false;  // ReFS, a server's, one the system did not name
}

// A renamed file flushed again through the same open file (the only barrier
// for its new name), then let go at once, so that importers and scanners may
// open it. Where the volume allows it, that flush spares the device's cache
// and pending says which volume's full flush makes it durable; elsewhere (a
// share, whose device is another computer) it is a full flush.
bool FlushedAgain(StagedFile& staged, const std::string& folder, OutputNamer& names,
                  std::vector<PendingVolume>& pending) {
    const VolumeInfo volume = VolumeOf(staged.Path());
    bool flushed = false;
    const auto full = [&] { flushed = staged.Flush(); };
    if (!Batchable(volume, names)) {
        full();
    } else {
        switch (staged.FlushWithoutDeviceCache()) {
            case StagedFile::CacheFlush::Done:
                flushed = true;
                pending.push_back({folder, volume.serial});
                break;
            case StagedFile::CacheFlush::Refused:
                names.RememberCacheFlushRefused(volume.serial);
                full();
                break;
            case StagedFile::CacheFlush::Failed: break;
        }
    }
    staged.Release();
    return flushed;
}

// Moves a complete, flushed staged file to its output path, which must lie
// directly in the output folder whatever the naming made of it, and may only
// replace an earlier file of that very name when replace is set. Until the
// renamed file is flushed again (the seal), a power cut may undo the rename,
// or on FAT land it halfway.
TransferOutcome Store(OutputNamer& names, const std::string& folder, StagedFile& staged, const std::string& output,
                      const std::string& keyName, bool replace, StagedFile::Move& moved) {
    moved = StagedFile::Move::Failed;
    if (!DirectlyIn(folder, output)) return Incomplete(keyName);
    const TargetCheck check = names.Examine(output);
    if (check.target != Target::Free && !(replace && check.target == Target::EarlierFile))
        return NameTaken(keyName, check);
    std::string note;
    // "Datei %s: frühere Datei schreibgeschützt"
    if (!TakeOffReadOnly(output, check, keyName, note))
        return Failure(Format("Datei %s: fr\xFChere Datei schreibgesch\xFCtzt", keyName.c_str()));
    moved = staged.MoveTo(output, replace);
    if (moved != StagedFile::Move::Moved) PutBackReadOnly(output, check);
    if (moved == StagedFile::Move::Taken) return NameTaken(keyName, TargetCheck());
    if (moved != StagedFile::Move::Moved) return Unfinished(staged, keyName);
    // Recorded as soon as it took the name, whatever follows: it is this run's.
    FileIdentity identity;
    const bool identified = staged.Identity(identity);
    names.Record(output, identified ? &identity : nullptr);
    TransferOutcome o;
    o.result = TransferResult::Stored;
    o.storedPath = output;
    o.note = note;
    if (!FlushedAgain(staged, folder, names, o.pending)) return Incomplete(keyName);
    return o;
}

TransferOutcome Store(OutputNamer& names, const std::string& folder, StagedFile& staged, const std::string& output,
                      const std::string& keyName, bool replace) {
    StagedFile::Move moved;
    return Store(names, folder, staged, output, keyName, replace, moved);
}

// Stored under its time-stamped name, or under the key name when the naming
// keeps it. A time-stamped name that another file takes meanwhile moves on to
// the next free second.
TransferOutcome StoreScrambled(OutputNamer& names, const std::string& folder, StagedFile& staged,
                               const std::string& keyNamePath, std::time_t when, const std::string& keyName) {
    for (int tries = 0; tries < 100; ++tries, ++when) {
        const std::string output = names.KvrPath(keyNamePath, when);
        StagedFile::Move moved;
        const TransferOutcome o = Store(names, folder, staged, output, keyName, output == keyNamePath, moved);
        if (moved != StagedFile::Move::Taken || output == keyNamePath) return o;
    }
    return Incomplete(keyName);
}

// Finishes a staged temporary file through one open file (finish checks or
// reworks it, flushes, stores and backs it up; a stored file is let go then).
// Otherwise it is closed and, unless it took a name, goes.
TransferOutcome Finished(const std::string& temp, const std::function<TransferOutcome(StagedFile&)>& finish) {
    auto staged = std::make_shared<StagedFile>(temp);
    const auto discard = [&] {
        const bool moved = staged->Path() != temp;
        staged.reset();  // closed: an open file could not be removed
        if (!moved) DeleteFileAt(temp);
    };
    TransferOutcome outcome;
    try {
        outcome = finish(*staged);
    } catch (...) {
        discard();
        throw;
    }
    if (outcome.result != TransferResult::Stored) discard();
    return outcome;
}

// A transfer that ended before anything was left to finish.
FinishTransfer Ended(const TransferOutcome& outcome) {
    return [outcome] { return outcome; };
}

// "Datei %s: Sicherung fehlgeschlagen"
TransferOutcome BackupFailed(const std::string& name) {
    return Failure(Format("Datei %s: Sicherung fehlgeschlagen", name.c_str()));
}

// The stored file's bytes, as the tool holds them, copied into the backup
// folder under the same final name by the same rules: a reserved temporary
// file, flushed, renamed over only an earlier file of that very plain name,
// flushed again.
TransferOutcome BackedUp(BackupTarget& backup, const TransferOutcome& stored, const std::vector<unsigned char>& content,
                         const std::string& keyName, bool plainName) {
    if (!backup.usable) return BackupFailed(keyName);
    const std::string name = stored.storedPath.substr(stored.storedPath.rfind('\\') + 1);
    const std::string temp = ReserveTemporaryPath(backup.folder);
    if (temp.empty()) return BackupFailed(keyName);
    const TransferOutcome copy = Finished(temp, [&](StagedFile& staged) {
        if (!staged.Write(content.data(), content.size()) || !staged.Flush()) return BackupFailed(keyName);
        return Store(backup.names, backup.folder, staged, backup.folder + name, keyName, plainName);
    });
    if (copy.result != TransferResult::Stored) return BackupFailed(keyName);
    TransferOutcome both = stored;
    both.pending.insert(both.pending.end(), copy.pending.begin(), copy.pending.end());
    if (both.note.empty()) both.note = copy.note;
    return both;
}

FinishTransfer Plain(IKeyLibrary& key, OutputNamer& names, const std::string& folder, const std::string& keyName,
                     int size, BackupTarget* backup) {
    const std::string temp = StagingPath(folder);
    if (temp.empty()) return Ended(Incomplete(keyName));
    char name[kKeyNameBufferSize];
    FillBuffer(name, keyName);
    if (ReadInto(key, name, temp) != 0) return Ended(Discarded(temp, Incomplete(keyName)));
    // Whether the name may be taken is asked just before the move, the only
    // answer that counts.
    return [&names, folder, keyName, size, temp, backup] {
        return Finished(temp, [&](StagedFile& staged) {
            std::vector<unsigned char> content;  // for the backup, read before the name is public
            if (!staged.HasSize(static_cast<unsigned long long>(size)) || !staged.Flush() ||
                (backup && !staged.Read(static_cast<size_t>(size), content)))
                return Unfinished(staged, keyName);
            const TransferOutcome stored = Store(names, folder, staged, folder + keyName, keyName, true);
            if (!backup || stored.result != TransferResult::Stored) return stored;
            return BackedUp(*backup, stored, content, keyName, true);
        });
    };
}

// "Datei %s: die frühere Kopie %s blieb (wird doppelt eingelesen)"
std::string EarlierCopyKept(const std::string& keyName, const std::string& path) {
    return Format("Datei %s: die fr\xFChere Kopie %s blieb (wird doppelt eingelesen)", keyName.c_str(), path.c_str());
}

FinishTransfer Scrambled(IKeyLibrary& key, OutputNamer& names, const Clock& clock, const std::string& folder,
                         const std::string& keyName, int size, BackupTarget* backup) {
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
    char keySide[kPathBufferSize];
    FillBuffer(keySide, keySideName);
    if (ReadInto(key, keySide, temp) != 0) return Ended(Discarded(temp, Incomplete(keyName)));

    return [&names, clock, folder, keyName, size, temp, code, backup] {
        // Unscrambled in place: the temporary file takes the key file's bytes
        // and is moved to its name only once they are on the disk.
        std::vector<unsigned char> content;  // kept for the backup
        const auto unscramble = [&](unsigned char* data, size_t n) {
            Unscramble(data, n, code.Keystream());
            if (backup) content.assign(data, data + n);
        };
        const std::string keyNamePath = folder + keyName;
        TransferOutcome stored = Finished(temp, [&](StagedFile& staged) {
            if (!staged.Rewrite(static_cast<size_t>(size), unscramble) || !staged.Flush())
                return Unfinished(staged, keyName);
            const TransferOutcome o = StoreScrambled(names, folder, staged, keyNamePath, clock(), keyName);
            if (!backup || o.result != TransferResult::Stored) return o;
            return BackedUp(*backup, o, content, keyName, o.storedPath == keyNamePath);
        });
        // Stored under its .kvr name: an earlier file under the key name would
        // be imported twice; it goes once the file arrived.
        if (stored.result == TransferResult::Stored && stored.storedPath != keyNamePath) {
            const Target earlier = names.Examine(keyNamePath).target;
            if (earlier == Target::EarlierFile) stored.earlierCopy = keyNamePath;
            // Whatever answers there cannot be told: it stays, and is said.
            if (earlier == Target::Unknown) stored.problem = EarlierCopyKept(keyName, keyNamePath);
        }
        return stored;
    };
}

// One full flush on the volume, through a scratch file in the folder given.
bool FlushVolume(const std::string& folder) {
    for (int n = 0; n <= 9999; ++n) {
        const NewFile made = FlushVolumeThrough(folder + TemporaryName(9999 - n));
        if (made != NewFile::Exists) return made == NewFile::Created;
    }
    return false;
}
}  // namespace

void Arrive(const std::vector<TransferOutcome*>& stored, const OutputNamer& names) {
    // Grouped by the volume each copy's handle named, and by folder, as two
    // cloned sticks share a serial number; flushed in that folder.
    std::map<std::pair<unsigned long long, std::string>, bool> volumeFlushed;
    for (const TransferOutcome* o : stored)
        for (const PendingVolume& p : o->pending)
            if (!volumeFlushed.count({p.serial, p.folder})) volumeFlushed[{p.serial, p.folder}] = FlushVolume(p.folder);
    for (TransferOutcome* o : stored) {
        if (o->result != TransferResult::Stored) continue;
        bool durable = true;
        for (const PendingVolume& p : o->pending) durable = durable && volumeFlushed[{p.serial, p.folder}];
        o->pending.clear();
        if (!durable) {
            *o = Incomplete(o->keyName);
            continue;
        }
        // Only that very file goes: not one this run stored (another key file's),
        // not one of another name that answers to it.
        if (o->earlierCopy.empty()) continue;
        const TargetCheck check = names.Examine(o->earlierCopy);
        if (check.target == Target::Unknown) o->problem = EarlierCopyKept(o->keyName, o->earlierCopy);
        if (check.target != Target::EarlierFile) continue;
        if (!TakeOffReadOnly(o->earlierCopy, check, o->keyName, o->note) || !DeleteFileAt(o->earlierCopy)) {
            PutBackReadOnly(o->earlierCopy, check);
            o->problem = EarlierCopyKept(o->keyName, o->earlierCopy);
        }
    }
}

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
                                          ? Scrambled(key, names, clock, outputFolder, keyName, size, backup)
                                          : Plain(key, names, outputFolder, keyName, size, backup);
        // Nothing escapes a finish: the finishing thread would drop the next file's.
        return [finish, keyName]() -> TransferOutcome {
            try {
                TransferOutcome o = finish();
                o.keyName = keyName;
                return o;
            } catch (...) {
                return Incomplete(keyName);
            }
        };
    } catch (const std::exception&) {
        return Ended(Incomplete(keyName));
    }
}
