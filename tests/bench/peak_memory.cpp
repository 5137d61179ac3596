// Peak memory of downloading one 64 MiB file through the in-process emulated
// key, plain and scrambled, against the file's size. Run in a process of its
// own so the figure is not inflated by other work.
#include <sys/resource.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "EmulatedKey.h"
#include "../unit/support/TransferOnce.h"
#include "platform/Files.h"

namespace {
constexpr size_t kSize = 64u << 20;

double PeakMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
}
}  // namespace

int main(int argc, char** argv) {
    const bool scrambled = argc > 1 && std::strcmp(argv[1], "scrambled") == 0;
    const std::string root = (std::filesystem::temp_directory_path() / "mero-peak").string();
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root + "/key");
    std::filesystem::create_directories(root + "/out");
    {
        // Written in small pieces: the setup must not raise the peak itself.
        std::FILE* f = std::fopen((root + "/key/V_1_0_2.DDD").c_str(), "wb");
        const std::vector<unsigned char> piece(1 << 16, 0x5A);
        for (size_t done = 0; f && done < kSize; done += piece.size()) std::fwrite(piece.data(), 1, piece.size(), f);
        if (f) std::fclose(f);
    }
    KeyDescription d;
    d.folder = root + "/key";
    d.identity = scrambled ? "VANTIK-ID:WB12345678 FW-2131" : "VANTIK-ID:WK12345678 FW-2130";
    EmulatedKey key(d);
    OutputNamer names;
    const double before = PeakMiB();
    key.KeyOpen();
    const TransferOutcome o = TransferKeyFile(key, names, [] { return std::time_t{1614780309}; }, root + "/out/", "V_1_0_2.DDD", kSize);
    key.KeyClose();
    const double peak = PeakMiB();
    std::filesystem::remove_all(root);
    std::printf("peak memory, %s download of a 64 MiB file: %.0f MiB above start (%.2f of the file)%s\n",
                scrambled ? "scrambled" : "plain", peak - before, (peak - before) / 64.0,
                o.result == TransferResult::Stored ? "" : " FAILED");
    return o.result == TransferResult::Stored ? 0 : 1;
}
