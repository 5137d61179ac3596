// The command-line splitter and the interpretation of the parameters.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/Params.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CParams params;
    params.CommandLine.assign(reinterpret_cast<const char*>(data), size);
    params.Parse();
    // Every parameter is a non-empty run of the line's characters.
    size_t characters = 0;
    for (const tagParam& p : params.Params) {
        if (p.Text.empty() || p.Text.find('"') != std::string::npos) std::abort();
        if (p.IsPlain != (p.Text[0] != '/' ? 1 : 0)) std::abort();
        characters += p.Text.size();
    }
    if (characters > size + 1 || params.Params.size() > size) std::abort();
    const RunSettings s = InterpretParams(params);
    if (s.timeLimit <= 0 || s.timeLimit > kMaxTimeLimitMinutes * 60000) std::abort();
    return 0;
}
