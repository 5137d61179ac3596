// The "nothing lost" sweep as a Windows program, so that the platform's own
// file-name rules judge it (run under Wine by the end-to-end tests).
// Usage: property_sweep [runs] [first seed]
#include <cstdio>
#include <cstdlib>
#ifdef _WIN32
#include <windows.h>
#endif

#include "NothingLost.h"

int main(int argc, char** argv) {
#ifdef _WIN32
    std::printf("code page %u\n", GetACP());  // the one whose letters the names use
#endif
    const int runs = argc > 1 ? std::atoi(argv[1]) : 1000;
    const unsigned long long seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1;
    const SweepResult result = Sweep(seed, runs);
    if (!result.counterExample.empty()) {
        std::printf("counter-example after %d runs\n%s\n", result.runs, result.counterExample.c_str());
        return 1;
    }
    std::printf("sweep: %d runs, %d emptied the key, 0 violations\n", result.runs, result.keyEmptied);
    return 0;
}
