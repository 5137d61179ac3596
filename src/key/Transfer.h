#pragma once
// Copies one key file into the output folder. A file counts as arrived only
// when the library reported success and all its listed bytes are on the disk
// under its final name in the output folder, durable: flushed, renamed
// through the same open file, and flushed again under that name (the only
// barrier that holds on NTFS and FAT alike). Until then an earlier file of
// that name stays untouched.
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "key/KeyLibrary.h"
#include "key/OutputNames.h"

enum class TransferResult {
    Stored,    // every byte is on the disk under the final name; it arrived once Arrive made it durable
    Refused,   // scrambled delivery of a file listed with size below 1
    Failed,    // nothing usable arrived; problem says why
};

// A copy whose second flush spared the device's cache: durable once a full
// flush on its volume succeeded.
struct PendingVolume {
    std::string folder;  // where the volume's full flush can be made
    unsigned long long serial = 0;
};

struct TransferOutcome {
    TransferResult result = TransferResult::Failed;
    std::string storedPath;  // where the file landed (Stored only)
    // Status line for the user: why it failed; with Stored, what went wrong
    // besides (an earlier copy that could not be removed), which still counts.
    std::string problem;
    std::string note;  // a status line that changes no outcome (a read-only earlier file replaced)
    // Stored only, until the run's files arrive: the volumes whose full
    // flush its copies wait for, and an earlier file under the key name that
    // goes once the file arrived.
    std::vector<PendingVolume> pending;
    std::string earlierCopy;
    std::string keyName;
};

// The local time in seconds, read when the transfer needs it.
using Clock = std::function<std::time_t()>;

// A second folder that takes a copy of every stored file, under the same
// name, before the file counts as arrived.
struct BackupTarget {
    std::string folder;  // ends in a backslash
    bool usable = true;  // false: no backup can be made there (the output folder itself)
    OutputNamer names;   // the run's outputs there
};

// The part of a transfer that needs no key: checking, unscrambling, flushing,
// storing and backing up what the key's read left in a temporary file. It may
// run on another thread while the key reads the next file.
using FinishTransfer = std::function<TransferOutcome()>;

// The key's part of a transfer: the file read into a temporary file; the
// rest is returned. names holds the outputs of the run so far (a stored file
// is added to it); it and the backup are used by the finish alone, which one
// thread at a time may run. With a backup, a file whose copy there fails stays
// whole in the output folder and counts as not arrived.
FinishTransfer ReadKeyFile(IKeyLibrary& key, OutputNamer& names, const Clock& clock, const std::string& outputFolder,
                           const std::string& keyName, int size, BackupTarget* backup = nullptr);

// Makes a run's stored files arrive, after the last of them was stored (each
// was flushed again under its final name and let go at once): one full flush
// in each folder whose copies spared the device's cache, then a file whose
// flush failed becomes a failure. Then each earlier copy goes if it still is
// that very earlier file (one that stays is said in problem, and still
// counts). names: the run's outputs in the output folder.
void Arrive(const std::vector<TransferOutcome*>& stored, const OutputNamer& names);

