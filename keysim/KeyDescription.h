#pragma once
// What an emulated key is: its files, its texts, its answers and its faults.
// Read from a small "name = value" text file; see the README.
#include <string>
#include <vector>

struct KeyDescription {
    std::string folder;  // the key's files ("MERO.ini" among them)
    std::string identity = "VANTIK-ID:WB12345678 FW-2131";
    std::string version = "Key library version: 2.1 build: 37 (QRM)";
    int sendAnswer = 0;
    std::vector<int> pollAnswers{2};  // the last one repeats
    std::string fetchFolder;          // files the key fetches when it reports finished
    std::vector<std::string> order;   // listed first, in this order
    // Key names that a file of the folder is listed and read under, for names
    // no file system would hold: {key name, file in the folder}.
    std::vector<std::pair<std::string, std::string>> aliases;

    // When set, the key is plugged in only while this file exists.
    std::string presenceFile;
    // When set, the start and end (microseconds) of each read, delete and
    // directory read are appended here at KeyClose, so a benchmark can see
    // the caller's time between them.
    std::string traceFile;
    // When set, the name of each operation is appended here as it is called.
    std::string callLog;

    // Injected faults.
    bool openFails = false;
    int opensBeforeFailure = -1;       // KeyOpen fails after this many; -1: never
    std::vector<std::string> deleteFails;  // KeyDeleteFile answers "failed" and keeps them
    int identifyFailures = 0;          // the first N identifications fail; -1: always
    int directoryReadsBeforeFailure = -1;  // -1: reads never fail
    std::vector<std::string> readFails;
    std::vector<std::string> readTruncated;
    std::vector<std::string> readSilent;  // answer "read" but deliver nothing
    std::vector<std::string> readErrors;  // deliver the full length, second half wrong, then answer "failed"
    std::vector<std::string> readPartial; // deliver a third of the file, then answer "failed"
    std::vector<std::string> readLonger;  // deliver more bytes than listed, and answer "read"
    bool unterminatedSlots = false;    // slot texts fill all 100 bytes, no NUL
    long long readSpeed = 0;           // bytes per second; 0: at once
    int holdWritten = 0;               // ms another program (a scanner) holds each file the key wrote
    int deleteDelay = 0;               // ms each deletion takes
};

// Parses the description text; folders given relative are taken from baseFolder.
KeyDescription ParseKeyDescription(const std::string& text, const std::string& baseFolder);
bool LoadKeyDescription(const std::string& path, KeyDescription& description);
