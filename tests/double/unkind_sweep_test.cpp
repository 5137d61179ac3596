// "Nothing lost" over the unkind file layer: FAT identities, Windows' refusals,
// failing disks, and a power cut after every step of every generated run.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "NothingLost.h"
#include "UnkindFiles.h"

namespace {
class UnkindPowerCuts : public PowerCuts {
public:
    void Reset() override { unkind::Reset({"/dev/shm", std::filesystem::temp_directory_path().string()}); }
    void Settle(const std::string& keyFolder, const std::string& backupFolder, const std::string& logFolder,
                int volumeKind) override {
        unkind::SetVolumeKind(static_cast<unkind::VolumeKind>(volumeKind));
        unkind::KeepDurable(keyFolder);
        unkind::KeepDurable(logFolder);
        unkind::Mount(backupFolder);
        unkind::Settle();
    }
    void Fail(DiskFault kind, int nth) override {
        static const unkind::Fault kFaults[] = {unkind::Fault::None, unkind::Fault::Write, unkind::Fault::Flush,
                                                unkind::Fault::Rename, unkind::Fault::Remove,
                                                unkind::Fault::VolumeFlush};
        unkind::FailAt(kFaults[static_cast<int>(kind)], nth);
    }
    bool FaultFired() override { return unkind::FaultFired(); }
    size_t Steps() override { return unkind::Steps(); }
    void ShowCut(size_t cut, Choices& fates) override {
        unkind::ShowCut(cut, [&fates](std::uint32_t n) { return fates.Below(n); });
    }
};
}  // namespace

// MERO_UNKIND_RUNS sets how many runs, MERO_UNKIND_SEED the first seed.
TEST(NothingLostOnUnkindFiles, HoldsOverGeneratedRunsWithFaultsAndAPowerCutAtEveryStep) {
    const char* wanted = std::getenv("MERO_UNKIND_RUNS");
    const int runs = wanted ? std::atoi(wanted) : 400;
    UnkindPowerCuts cuts;
    const char* first = std::getenv("MERO_UNKIND_SEED");  // to repeat a counter-example's run
    const SweepResult result = Sweep(first ? std::strtoull(first, nullptr, 10) : 1, runs, &cuts);
    ASSERT_EQ(result.counterExample, "") << "counter-example:\n" << result.counterExample;
    EXPECT_GT(result.keyEmptied, runs / 30);  // not a sweep of refusals
    std::printf("unkind sweep: %d runs, %d emptied the key\n", result.runs, result.keyEmptied);
}

// Earlier copies of each key file's very name, on every kind of volume: each
// is replaced, or beside its .kvr copy removed, and the key emptied, also
// where every identity is 0 or one value for all (names decide then); a cut
// after any step loses nothing.
TEST(NothingLostOnUnkindFiles, EarlierCopiesGoOnEveryKindOfVolume) {
    UnkindPowerCuts cuts;
    for (int kind = 0; kind < 5; ++kind) {
        for (const bool scrambled : {false, true}) {
            RunCase run;
            run.scrambled = scrambled;
            run.volumeKind = kind;
            for (const char* name : {"C_1_0_A.DDD", "V_2_0_B.DDD", "M_3.DDD"}) {
                run.files.push_back({name, 40});
                run.existing.push_back({name, std::string("earlier ") + name});
            }
            const RunVerdict v = CheckRun(run, &cuts);
            EXPECT_EQ(v.violation, "") << Describe(run);
            EXPECT_TRUE(v.keyEmptied) << Describe(run);
        }
    }
}
