// The seeded sweep over generated runs, and a failure shrunk to a small case.
#include <cstdio>

#include "NothingLost.h"
#include "RunNames.h"

RunCase Shrink(RunCase failing, PowerCuts* cuts) {
    const auto fails = [cuts](const RunCase& c) { return !CheckRun(c, cuts).violation.empty(); };
    for (int budget = 400, progress = 1; progress && budget > 0;) {
        progress = 0;
        std::vector<RunCase> smaller;
        for (size_t i = 0; i < failing.files.size() && failing.files.size() > 1; ++i) {
            RunCase c = failing;
            c.files.erase(c.files.begin() + static_cast<long>(i));
            smaller.push_back(c);
        }
        for (size_t i = 0; i < failing.existing.size(); ++i) {
            RunCase c = failing;
            c.existing.erase(c.existing.begin() + static_cast<long>(i));
            smaller.push_back(c);
        }
        for (size_t i = 0; i < failing.files.size(); ++i) {
            RunCase c = failing;
            if (c.files[i].fault != ReadFault::None) c.files[i].fault = ReadFault::None, smaller.push_back(c);
            c = failing;
            if (c.files[i].size > 8) c.files[i].size = 7, smaller.push_back(c);
        }
        RunCase c = failing;
        if (c.closeAtRead >= 0) c.closeAtRead = -1, smaller.push_back(c);
        c = failing;
        if (c.backup != BackupCase::None) c.backup = BackupCase::None, c.pullAtRead = -1, smaller.push_back(c);
        c = failing;
        if (c.diskFault != DiskFault::None) c.diskFault = DiskFault::None, smaller.push_back(c);
        c = failing;
        if (c.nodelete) c.nodelete = false, smaller.push_back(c);
        c = failing;
        if (c.logInOutput) c.logInOutput = false, smaller.push_back(c);
        c = failing;
        if (c.volumeKind != 0) c.volumeKind = 0, smaller.push_back(c);
        c = failing;
        if (c.compact) c.compact = false, smaller.push_back(c);
        c = failing;
        if (c.outputFolder != "out") c.outputFolder = "out", smaller.push_back(c);
        for (const RunCase& candidate : smaller) {
            if (--budget < 0) break;
            if (fails(candidate)) {
                failing = candidate;
                progress = 1;
                break;
            }
        }
    }
    return failing;
}

std::string Describe(const RunCase& run) {
    std::string text = "output folder " + Quoted(run.outputFolder) + (run.scrambled ? ", scrambled" : ", plain") +
                       (run.compact ? ", compact" : "") + (run.nodelete ? ", nodelete" : "") +
                       (run.logInOutput ? ", /Log: in the output folder" : "") +
                       (run.volumeKind ? std::string(", volume: ") + kVolumeKindNames[run.volumeKind] : "");
    if (run.closeAtRead >= 0) text += Format(", closed at read %d", run.closeAtRead);
    static const char* const kBackupNames[] = {"", ", a backup folder", ", a backup folder pulled at read",
                                               ", the output folder as backup"};
    text += kBackupNames[static_cast<int>(run.backup)];
    if (run.pullAtRead >= 0) text += Format(" %d", run.pullAtRead);
    if (run.diskFault != DiskFault::None)
        text += Format(", %s %d fails", kDiskFaultNames[static_cast<int>(run.diskFault)], run.faultAt);
    for (const KeyFileCase& f : run.files)
        text += Format("\n  key %s, %d bytes, fault: %s", Quoted(f.name).c_str(), static_cast<int>(f.size),
                       kFaultNames[static_cast<int>(f.fault)]);
    for (const ExistingFile& e : run.existing)
        text += Format("\n  before the run in the %s folder: %s, %d bytes%s", e.inBackup ? "backup" : "output",
                       Quoted(e.name).c_str(),
                       static_cast<int>(e.content.size()), e.readOnly ? ", read-only" : "");
    return text;
}

SweepResult Sweep(std::uint64_t firstSeed, int runs, PowerCuts* cuts) {
    SweepResult result;
    for (int i = 0; i < runs; ++i) {
        SeededChoices choices(firstSeed + static_cast<std::uint64_t>(i));
        const RunCase run = GenerateRun(choices);
        const RunVerdict verdict = CheckRun(run, cuts);
        ++result.runs;
        if (verdict.keyEmptied) ++result.keyEmptied;
        if (!verdict.violation.empty()) {
            std::fprintf(stderr, "seed %llu: %s\n", static_cast<unsigned long long>(firstSeed + i),
                         verdict.violation.c_str());
            const RunCase small = Shrink(run, cuts);
            result.counterExample = Format("seed %llu: %s\n", static_cast<unsigned long long>(firstSeed + i),
                                           CheckRun(small, cuts).violation.c_str()) +
                                    Describe(small);
            break;
        }
    }
    return result;
}
