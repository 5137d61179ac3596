#include "commands/Editions.h"

namespace {
struct FirmwareRow {
    const char* code;
    KeyEdition edition;
    const char* name;
};

const FirmwareRow kFirmwareTable[] = {
    {"FW-2100", KeyEdition::RvtPolice, "RVT Police"},       {"FW-2101", KeyEdition::RvtPolice, "RVT Police"},
    {"FW-2102", KeyEdition::RvtPolice, "RVT Police"},       {"FW-2130", KeyEdition::OvaTransport, "OVA Transport"},
    {"FW-2131", KeyEdition::OvaTransport, "OVA Transport"}, {"FW-2170", KeyEdition::OvaWerkstatt, "OVA Werkstatt"},
    {"FW-2171", KeyEdition::OvaWerkstatt, "OVA Werkstatt"}, {"FW-2200", KeyEdition::OvaExpert, "OVA Expert"},
    {"FW-2230", KeyEdition::OvaExpert, "OVA Expert"},
};

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}
}  // namespace

EditionInfo EditionFromIdentity(const std::string& identity) {
    EditionInfo info;
    for (const FirmwareRow& row : kFirmwareTable) {
        const size_t at = identity.find(row.code);
        if (at != std::string::npos && at > 0) {
            info.edition = row.edition;
            info.name = row.name;
        }
    }
    return info;
}

EditionCaptions CaptionsOf(KeyEdition edition) {
    switch (edition) {
        case KeyEdition::RvtPolice:
            return {{"Fahrzeugeinheit (29 Tage) + Fahrerkarte (Kontrolle)",
                     "Fahrzeugeinheit (Unfall 2 Tage) + Fahrerkarte (Unfall, schnell)", "nur Fahrerkarte",
                     "Fahrzeugeinheit (nur 29 Tage), keine Fahrerkarte", nullptr}};
        case KeyEdition::OvaTransport:
            return {{"Fahrzeugeinheit (nur 92 Tage) + Fahrerkarte (Standrad)", "nur Fahrerkarte",
                     "Fahrzeugeinheit (Unfall 2 Tage) + Fahrerkarte", "Fahrzeugeinheit (nur 7 Tage) ",
                     "Fahrzeugeinheit (aktueller +  1 Tag)"}};
        case KeyEdition::OvaWerkstatt:
            return {{"Fahrzeugeinheit (Trep 1/21, 3/23, 5/25)",
                     "Fahrzeugeinheit (Trep 1/21, 2/22 alle Tage + alle weiteren Treps)", "nur Fahrerkarte", nullptr,
                     nullptr}};
        case KeyEdition::OvaExpert:
            return {{"Fahrzeugeinheit (nur 92 Tage) + Fahrerkarte", "nur Fahrerkarte",
                     "Fahrzeugeinheit (Unfall 2 Tage) + Fahrerkarte", "Fahrzeugeinheit (29 Tage) + Fahrerkarte (Expert)",
                     "Fahrzeugeinheit (Unfall alle Tage) + Fahrerkarte (Expert lang)"}};
        case KeyEdition::None:
            break;
    }
    return {{nullptr, nullptr, nullptr, nullptr, nullptr}};
}

std::string TitleForEdition(const std::string& title, KeyEdition edition) {
    if (edition == KeyEdition::None) return title;
    if (edition == KeyEdition::RvtPolice) return ReplaceAll(title, "OVA", "RVT");
    return ReplaceAll(title, "RVT", "OVA");
}
