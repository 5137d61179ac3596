#pragma once
// Copies one key file into the output folder. A file counts as arrived only
// when the library reported success and all its listed bytes are on the disk
// under its final name in the output folder; until then an earlier file of
// that name stays untouched.
#include <ctime>
#include <functional>
#include <string>

#include "key/KeyLibrary.h"
#include "key/OutputNames.h"

enum class TransferResult {
    Complete,  // every byte is on the disk
    Refused,   // scrambled delivery of a file listed with size below 1
    Failed,    // nothing usable arrived; problem says why
};

struct TransferOutcome {
    TransferResult result = TransferResult::Failed;
    std::string storedPath;  // where the file landed (Complete only)
    // Status line for the user: why it failed; with Complete, what went wrong
    // besides (an earlier copy that could not be removed), which still counts.
    std::string problem;
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

// Both parts, one after the other.
inline TransferOutcome TransferKeyFile(IKeyLibrary& key, OutputNamer& names, const Clock& clock,
                                       const std::string& outputFolder, const std::string& keyName, int size,
                                       BackupTarget* backup = nullptr) {
    return ReadKeyFile(key, names, clock, outputFolder, keyName, size, backup)();
}
