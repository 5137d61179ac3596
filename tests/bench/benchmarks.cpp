// Benchmarks that state their claims as ratios against a baseline measured in
// the same run: unscrambling against memcpy, and transferring key files
// through the emulated key against copying the same files.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "EmulatedKey.h"
#include "key/Delivery.h"
#include "../unit/support/TransferOnce.h"
#include "platform/Files.h"

namespace {
constexpr size_t kBufferSize = 64u << 20;
constexpr int kFiles = 128;
constexpr size_t kFileSize = kBufferSize / kFiles;

std::vector<unsigned char>& Buffer() {
    static std::vector<unsigned char> buffer(kBufferSize, 0x5A);
    return buffer;
}

void BM_Memcpy(benchmark::State& state) {
    std::vector<unsigned char> target(kBufferSize);
    for (auto _ : state) {
        std::memcpy(target.data(), Buffer().data(), kBufferSize);
        benchmark::DoNotOptimize(target.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBufferSize));
}

void BM_Unscramble(benchmark::State& state) {
    for (auto _ : state) {
        Unscramble(Buffer().data(), kBufferSize, 0x8BADF00D);
        benchmark::DoNotOptimize(Buffer().data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBufferSize));
}

// 128 files of 512 KiB on an emulated key, and an output folder.
struct Fixture {
    Fixture() {
        root = (std::filesystem::temp_directory_path() / "mero-bench").string();
        std::filesystem::remove_all(root);
        std::filesystem::create_directories(root + "/key");
        std::filesystem::create_directories(root + "/out");
        std::vector<unsigned char> content(kFileSize);
        for (int i = 0; i < kFiles; ++i) {
            for (size_t b = 0; b < kFileSize; ++b) content[b] = static_cast<unsigned char>(b * 31 + i);
            WriteWholeFile(root + "/key/" + Name(i), content.data(), content.size());
        }
    }
    ~Fixture() { std::filesystem::remove_all(root); }
    static std::string Name(int i) { return "V_" + std::to_string(1000 + i) + "_0_20261203.DDD"; }
    std::string root;
};

Fixture& Files() {
    static Fixture fixture;
    return fixture;
}

void BM_CopyFiles(benchmark::State& state) {
    const std::string root = Files().root;
    for (auto _ : state) {
        for (int i = 0; i < kFiles; ++i)
            std::filesystem::copy_file(root + "/key/" + Fixture::Name(i), root + "/out/" + Fixture::Name(i),
                                       std::filesystem::copy_options::overwrite_existing);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBufferSize));
}

// The same copy, each file flushed to the disk as a download must be.
void BM_CopyFilesDurably(benchmark::State& state) {
    const std::string root = Files().root;
    for (auto _ : state) {
        for (int i = 0; i < kFiles; ++i) {
            const std::string target = root + "/out/" + Fixture::Name(i);
            std::filesystem::copy_file(root + "/key/" + Fixture::Name(i), target,
                                       std::filesystem::copy_options::overwrite_existing);
            StagedFile(target).Flush();
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBufferSize));
}

void TransferAll(benchmark::State& state, const char* identity) {
    const std::string root = Files().root;
    KeyDescription d;
    d.folder = root + "/key";
    d.identity = identity;
    EmulatedKey key(d);
    for (auto _ : state) {
        OutputNamer names;
        key.KeyOpen();
        for (int i = 0; i < kFiles; ++i)
            if (TransferKeyFile(key, names, [] { return std::time_t{1614780309}; }, root + "/out/", Fixture::Name(i), kFileSize).result !=
                TransferResult::Stored)
                state.SkipWithError("transfer failed");
        key.KeyClose();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBufferSize));
}

void BM_TransferPlain(benchmark::State& state) { TransferAll(state, "VANTIK-ID:WK12345678 FW-2130"); }
void BM_TransferScrambled(benchmark::State& state) { TransferAll(state, "VANTIK-ID:WB12345678 FW-2131"); }

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Unscramble)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_CopyFiles)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_CopyFilesDurably)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_TransferPlain)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_TransferScrambled)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Keeps each benchmark's time per iteration to print the ratios afterwards.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const std::string name = run.benchmark_name();
            times[name.substr(0, name.find('/'))] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};
}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto ratio = [&](const char* name, const char* baseline, const char* claim) {
        if (!reporter.times.count(name) || !reporter.times.count(baseline)) return;
        std::printf("%-44s %6.2f  (%s)\n", claim, reporter.times[name] / reporter.times[baseline], baseline);
    };
    std::printf("\nratios (time against the baseline; below 1 is faster)\n");
    ratio("BM_Unscramble", "BM_Memcpy", "unscramble 64 MiB vs memcpy");
    ratio("BM_TransferPlain", "BM_CopyFiles", "transfer 128 files, plain vs copy");
    ratio("BM_TransferScrambled", "BM_CopyFiles", "transfer 128 files, scrambled vs copy");
    ratio("BM_TransferPlain", "BM_CopyFilesDurably", "transfer 128 files, plain vs flushed copy");
    ratio("BM_TransferScrambled", "BM_CopyFilesDurably", "transfer 128 files, scrambled vs flushed copy");
    benchmark::Shutdown();
    return 0;
}
