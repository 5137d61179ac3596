#pragma once
// One key file's whole transfer: the key's part, the finish and the arrival,
// one after the other, as a download does them for a key of one file.
#include "key/Transfer.h"

inline TransferOutcome TransferKeyFile(IKeyLibrary& key, OutputNamer& names, const Clock& clock,
                                       const std::string& outputFolder, const std::string& keyName, int size,
                                       BackupTarget* backup = nullptr) {
    TransferOutcome o = ReadKeyFile(key, names, clock, outputFolder, keyName, size, backup)();
    Arrive({&o}, names);
    return o;
}
