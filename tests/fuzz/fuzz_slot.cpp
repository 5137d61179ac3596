// The parse of a directory slot, fed whole 100-byte slots as the library fills them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "key/KeyDirectory.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    DirectoryTable table;
    for (size_t slot = 0; slot * kSlotSize < size && slot < kSlotCount; ++slot) {
        const size_t n = size - slot * kSlotSize < kSlotSize ? size - slot * kSlotSize : kSlotSize;
        std::memcpy(table.Pointers()[slot], data + slot * kSlotSize, n);
    }
    for (const KeyFileEntry& e : EntriesFromDirectory(table)) {
        if (e.name.size() > kSlotSize || e.name.find('"') != std::string::npos) std::abort();
        if (e.name == kParameterFileName || e.bytesDone != 0 || e.selected) std::abort();
        ListRowText(e);
    }
    return 0;
}
