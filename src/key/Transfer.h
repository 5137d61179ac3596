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
    std::string problem;     // status line for the user (Failed only)
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

// names holds the outputs of the run so far; a stored file is added to it.
// With a backup, a file whose copy there fails stays whole in the output
// folder and counts as not arrived.
TransferOutcome TransferKeyFile(IKeyLibrary& key, OutputNamer& names, const Clock& clock,
                                const std::string& outputFolder, const std::string& keyName, int size,
                                BackupTarget* backup = nullptr);
