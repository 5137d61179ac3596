#pragma once
// The key's directory as the library hands it over, and the dialog's picture
// of it: one entry per file, in directory order, "MERO.ini" never among them.
#include <array>
#include <string>
#include <vector>

#include "key/KeyLibrary.h"

struct KeyFileEntry {
    std::string name;
    int size = 0;
    int bytesDone = 0;  // equals size once the file arrived on the PC
    bool selected = false;
};

using KeyFileList = std::vector<KeyFileEntry>;

extern const char kParameterFileName[];  // "MERO.ini"

struct DirectorySlot {
    char text[kSlotSize];
};

// 128 zeroed slots and the pointer table that KeyReadDirectory fills.
class DirectoryTable {
public:
    DirectoryTable() { Zero(); }
    DirectoryTable(const DirectoryTable&) = delete;
    DirectoryTable& operator=(const DirectoryTable&) = delete;

    void Zero();
    char** Pointers() { return pointers_.data(); }
    // A slot's text ends at its first NUL, never beyond its 100 bytes.
    std::string SlotText(size_t i) const;

private:
    std::array<DirectorySlot, kSlotCount> slots_;
    std::array<char*, kSlotCount> pointers_;
};

struct SlotContent {
    std::string name;
    int size = 0;
};

SlotContent ParseDirectorySlot(const std::string& slotText);

// The used slots in slot order, "MERO.ini" left out.
KeyFileList EntriesFromDirectory(const DirectoryTable& table);

// The list box row: name and size in plain decimal, "A.DDD ( 512 )".
std::string ListRowText(const KeyFileEntry& entry);
