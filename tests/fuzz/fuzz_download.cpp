// A whole download run built from the fuzz input: key names, sizes, faults,
// output folder, earlier files, close request; every "nothing lost" invariant
// must hold. A failure prints the case, shrunk.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "NothingLost.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ByteChoices choices(data, size);
    const RunCase run = GenerateRun(choices);
    const RunVerdict verdict = CheckRun(run);
    if (!verdict.violation.empty()) {
        const RunCase small = Shrink(run);
        std::fprintf(stderr, "%s\n%s\n", CheckRun(small).violation.c_str(), Describe(small).c_str());
        std::abort();
    }
    return 0;
}
