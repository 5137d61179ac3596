// Which key names reach the disk and the .kvr output names derived from them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "key/OutputNames.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (IsPlainFileName(text)) {
        if (text.find_first_of("\\/:") != std::string::npos || text == "." || text == "..") std::abort();
    }
    const std::string folder = "C:\\V_Out_0_1\\";  // markers in the folder never move the file out of it
    const std::string output = KvrOutputPath(folder + text, 1614780309);
    if (output != folder + text) {
        // A .kvr name only ever shortens the name: it stays in the same folder.
        const std::string target = folder + text;
        if (output.compare(0, target.rfind('\\') + 1, target, 0, target.rfind('\\') + 1) != 0 ||
            output.rfind('\\') != target.rfind('\\'))
            std::abort();
        if (output.size() < 4 || output.compare(output.size() - 4, 4, ".kvr") != 0) std::abort();
        const std::string kept = output.substr(0, output.size() - 24);
        if ((folder + text).compare(0, kept.size(), kept) != 0) std::abort();
    }
    return 0;
}
