#include "key/KeyDirectory.h"

#include <climits>
#include <cstring>

#include "platform/Text.h"

const char kParameterFileName[] = "MERO.ini";

void DirectoryTable::Zero() {
    std::memset(slots_.data(), 0, sizeof(DirectorySlot) * slots_.size());
    for (size_t i = 0; i < kSlotCount; ++i) pointers_[i] = slots_[i].text;
}

std::string DirectoryTable::SlotText(size_t i) const {
    const char* text = slots_[i].text;
    const void* nul = std::memchr(text, 0, kSlotSize);
    const size_t length = nul ? static_cast<size_t>(static_cast<const char*>(nul) - text) : kSlotSize;
    return std::string(text, length);
}

SlotContent ParseDirectorySlot(const std::string& slotText) {
    SlotContent content;
    const size_t byteAt = slotText.find("Byte");
    const std::string sizePart = byteAt == std::string::npos ? std::string() : Trim(slotText.substr(0, byteAt));
    const long long size = LeadingInteger(sizePart);
    content.size = size > INT_MAX ? INT_MAX : size < INT_MIN ? INT_MIN : static_cast<int>(size);

    const size_t dashAt = slotText.find('-');
    std::string name = Trim(dashAt == std::string::npos ? slotText : slotText.substr(dashAt + 1));
    for (char c : name)
        if (c != '"') content.name += c;
    return content;
}

KeyFileList EntriesFromDirectory(const DirectoryTable& table) {
    KeyFileList list;
    for (size_t i = 0; i < kSlotCount; ++i) {
        const std::string text = table.SlotText(i);
        if (text.empty()) continue;
        SlotContent slot = ParseDirectorySlot(text);
        if (slot.name == kParameterFileName) continue;
        KeyFileEntry entry;
        entry.name = slot.name;
        entry.size = slot.size;
        list.push_back(entry);
    }
    return list;
}

std::string ListRowText(const KeyFileEntry& entry) {
    // The row format "%s ( %000000i )" prints the size in plain decimal.
    return Format("%s ( %i )", entry.name.c_str(), entry.size);
}
