// The version line of "Init MERO Key" and the baud-rate text of the combo box.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "commands/BaudRate.h"
#include "commands/VersionLine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string line = VersionLine(text);
    // Both parts come from the text; only the joining CR LF TAB is added.
    if (line.size() > text.size() + 3 || line.find("\r\n\t") == std::string::npos) std::abort();
    const int index = BaudRateIndex(text);
    if (text.find('|') == std::string::npos && index != 0) std::abort();
    return 0;
}
