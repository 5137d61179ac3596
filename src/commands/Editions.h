#pragma once
// The key's edition, read from the firmware code in its identity text, and
// what each edition offers on the mode buttons.
#include <string>

enum class KeyEdition { None, RvtPolice, OvaTransport, OvaWerkstatt, OvaExpert };

struct EditionInfo {
    KeyEdition edition = KeyEdition::None;
    std::string name;
};

// The last matching firmware code wins; a match at position 0 never counts.
EditionInfo EditionFromIdentity(const std::string& identity);

// Caption of each mode button 1000, 1001, 1002, 1003, 1004; nullptr: hidden.
struct EditionCaptions {
    const char* captions[5];
};
EditionCaptions CaptionsOf(KeyEdition edition);

// "OVA" <-> "RVT" in the title, by edition.
std::string TitleForEdition(const std::string& title, KeyEdition edition);
