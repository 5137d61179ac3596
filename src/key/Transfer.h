#pragma once
// Copies one key file into the output folder. A file counts as arrived only
// when all its listed bytes are on the disk under its final name; until then
// an earlier file of that name stays untouched.
#include <ctime>
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

TransferOutcome TransferKeyFile(IKeyLibrary& key, KvrNamer& namer, std::time_t now,
                                const std::string& outputFolder, const std::string& keyName, int size);
