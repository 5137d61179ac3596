#include "NothingLost.h"
#include "FileMaps.h"
#include "RunNames.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <future>
#include <memory>
#include <set>
#include <stdexcept>

#include "DialogHarness.h"
#include "ShortName.h"
#include "app/FolderChain.h"
#include "key/Leftovers.h"
#include "key/OutputNames.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "res/resource.h"

namespace {
// Each key file's bytes differ from every other's and from any earlier file:
// the first byte is the file's number.
std::string KeyContent(size_t index, size_t size) {
    std::string content = Bytes(size, static_cast<unsigned>(index) + 7);
    if (size) content[0] = static_cast<char>(index);
    return content;
}

std::string TempBase() {
#ifdef _WIN32
    return std::string();
#else
    return IsFolder("/dev/shm") ? "/dev/shm" : std::string();  // no disk flushes to wait for
#endif
}

// The states a power cut at one step may leave: all that was pending
// happened, none of it, and seeded mixtures.
class CutFates : public Choices {
public:
    CutFates(size_t cut, int state) : seeded_(cut * 7919 + static_cast<std::uint64_t>(state)), state_(state) {}
    std::uint32_t Below(std::uint32_t bound) override {
        return state_ == 0 ? bound - 1 : state_ == 1 ? 0 : seeded_.Below(bound);
    }

private:
    SeededChoices seeded_;
    int state_;
};
const int kStatesPerCut = 4;

class RunChecker {
public:
    RunChecker(const RunCase& run, PowerCuts* cuts) : run_(run), cuts_(cuts) {}

    RunVerdict Check() {
        if (cuts_) cuts_->Reset();
        KeyDescription d;
        d.identity = run_.scrambled ? "VANTIK-ID:WB12345678 FW-2131" : "VANTIK-ID:WK12345678 FW-2130";
        for (size_t i = 0; i < run_.files.size(); ++i) {
            const KeyFileCase& f = run_.files[i];
            d.aliases.emplace_back(f.name, Backing(i));
            std::vector<std::string>* lists[] = {nullptr, &d.readErrors, &d.readFails, &d.readTruncated,
                                                 &d.readPartial, &d.readSilent, &d.readLonger};
            if (lists[static_cast<int>(f.fault)]) lists[static_cast<int>(f.fault)]->push_back(f.name);
        }
        DialogHarness h(d, TempBase());
        for (size_t i = 0; i < run_.files.size(); ++i)
            WriteFile(h.KeyFile(Backing(i)), KeyContent(i, run_.files[i].size));
        const std::string out = h.temp.Path() + "\\" + run_.outputFolder + "\\";
        CreateFolderChain(out, [](const std::string& folder) { CreateFolder(folder); });
        const std::string backup = h.temp.Path() + "\\bak", pulled = h.temp.Path() + "\\bak-pulled";
        for (const ExistingFile& e : run_.existing) {
            const std::string folder = e.inBackup ? backup + "\\" : out;
            if (e.inBackup) CreateFolder(backup);
            WriteFile(folder + e.name, e.content);
            if (ReadOnlyBefore(e, folder)) SetReadOnly(folder + e.name, true);
        }

        const std::string logFolder = h.temp.Path() + "\\log";
        // A log refused in the output folder goes to the month's file under the data root.
        h.system.dataPath = logFolder;
        const std::string log = run_.logInOutput ? logFolder + "\\Daten\\Protokoll\\KeyDownload_2021-03.log"
                                                 : logFolder + "\\run.log";
        const std::string logSwitch = run_.logInOutput ? out + "run.log" : logFolder + "\\run.log";
        const std::set<std::string> skip = {h.keyFolder, out.substr(0, out.size() - 1), backup, pulled, logFolder};
        FileMap outsideBefore, outsideAfter;
        TreeFiles(h.temp.Path(), skip, outsideBefore);
        const FileMap before = FolderFiles(out);
        backupBefore_ = FolderFiles(backup + "\\");
        const FileMap keyBefore = KeyFiles(h);
        const std::string parameterFile = ReadFile(h.KeyFile(kParameterFileName));

        const std::string backupSwitch = run_.backup == BackupCase::None           ? ""
                                         : run_.backup == BackupCase::SameAsOutput ? " \"/Backup:" + out + ".\""
                                                                                   : " \"/Backup:" + backup + "\"";
        if (cuts_) cuts_->Settle(h.keyFolder, backup, logFolder, run_.volumeKind);
        h.Start("\"" + out + "\" t " + (run_.compact ? "mini" : "normal") + " x" + (run_.nodelete ? " nodelete" : "") +
                backupSwitch + " \"/Log:" + logSwitch + "\"");
        if (cuts_ && run_.diskFault != DiskFault::None) cuts_->Fail(run_.diskFault, run_.faultAt);
        h.dialog->OnTimer(kStartupTimer);
        bool closed = false;
        // The user closes while that file is read: on the user-interface
        // thread, before the read goes on, so a failing run repeats exactly.
        h.key->OnRead([&](int read) {
            if (read == run_.pullAtRead) MoveOver(backup, pulled);  // the drive is pulled, its files with it
            if (read != run_.closeAtRead) return;
            std::promise<void> done;
            h.view.Post([&] {
                closed = true;
                h.dialog->OnCancel();
                done.set_value();
            });
            done.get_future().wait();
        });
        h.Click(IDC_START);
        try {
            h.WaitForWorker();
        } catch (const std::exception& e) {
            return {e.what()};
        }

        TreeFiles(h.temp.Path(), skip, outsideAfter);
        statusLog_ = h.Log();
        RunVerdict v;
        const std::string outside = FirstDifference(outsideBefore, outsideAfter);
        if (!outside.empty()) v.violation = "I2: " + Quoted(outside) + " changed outside the output folder";
        if (ReadFile(h.KeyFile(kParameterFileName)) != parameterFile) v.violation = "the key's parameter file changed";
        const FileMap keyAfter = KeyFiles(h);
        v.keyEmptied = keyAfter.size() < keyBefore.size();
        // A removal that failed may leave a temporary file for the next start.
        const bool faulted = cuts_ && cuts_->FaultFired();
        leftoversAllowed_ = faulted && run_.diskFault == DiskFault::Remove;
        if (v.violation.empty()) v.violation = CheckOutput(before, FolderFiles(out));
        if (v.violation.empty()) v.violation = CheckReadOnlyKept(out);
        if (v.violation.empty()) v.violation = CheckBackup(FolderFiles(backup + "\\"), FolderFiles(pulled + "\\"));
        if (v.violation.empty()) v.violation = CheckKey(keyBefore, keyAfter, closed);
        if (v.violation.empty() && faulted && !closed) v.violation = CheckFailureReported(h);
        if (v.violation.empty() && NothingInTheWay(faulted, closed)) v.violation = CheckEverythingArrived(h, keyAfter);
        if (v.violation.empty() && !faulted) v.violation = CheckLog(h, ReadFile(log), out, backup, pulled, keyAfter);
        if (v.violation.empty() && cuts_) v.violation = CheckCuts(h, out, backup, pulled, before, keyBefore, closed);
        return v;
    }

private:
    static std::string Backing(size_t i) { return "f" + std::to_string(i) + ".bin"; }

    FileMap KeyFiles(DialogHarness& h) const {
        FileMap files;
        for (size_t i = 0; i < run_.files.size(); ++i)
            if (PathExists(h.KeyFile(Backing(i)))) files[run_.files[i].name] = ReadFile(h.KeyFile(Backing(i)));
        return files;
    }

    // No fault, no close, no earlier file but of a key file's very name, no two
    // names that the file system takes for one, nothing it refuses: then
    // nothing keeps any file from arriving, and every earlier file is replaced
    // or, beside its .kvr copy, removed (whatever identities the volume gives).
    bool NothingInTheWay(bool faulted, bool closed) const {
        if (faulted || closed || (run_.backup != BackupCase::None && run_.backup != BackupCase::Working))
            return false;
        for (size_t i = 0; i < run_.existing.size(); ++i) {
            const ExistingFile& e = run_.existing[i];
            if (std::none_of(run_.files.begin(), run_.files.end(), [&](const KeyFileCase& f) { return f.name == e.name; }))
                return false;
            for (size_t j = 0; j < i; ++j)
                if (SameFileName(run_.existing[j].name, e.name)) return false;
        }
        for (size_t i = 0; i < run_.files.size(); ++i) {
            const KeyFileCase& f = run_.files[i];
            // The directory's 100-byte slot must hold the whole name.
            const size_t slot = Format("  %d Byte - \"%s\"", static_cast<int>(f.size), f.name.c_str()).size();
            if (f.fault != ReadFault::None || f.size == 0 || !IsPlainFileName(f.name) || IsTemporaryName(f.name) ||
                slot >= 100 || f.name.find('~') != std::string::npos || EndsWithKvr(f.name))
                return false;
            for (size_t j = 0; j < i; ++j)
                if (SameFileName(run_.files[j].name, f.name)) return false;
        }
        return true;
    }

    // "Everything that could arrive did", not only "nothing lost".
    std::string CheckEverythingArrived(DialogHarness& h, const FileMap& keyAfter) const {
        if (h.dialog->RunOutcome() != kExitAllArrived)
            return Format("A: nothing stood in the way, yet the exit status is %d",
                          static_cast<int>(h.dialog->RunOutcome()));
        if (!run_.nodelete && !keyAfter.empty()) return "A: nothing stood in the way, yet the key was not emptied";
        for (const ExistingFile& e : run_.existing)
            if (outputContents_.count(e.content)) return "A: the earlier " + Quoted(e.name) + " stayed";
        for (size_t i = 0; i < run_.files.size(); ++i) {
            const std::string content = KeyContent(i, run_.files[i].size);
            if (!outputContents_.count(content)) return "A: " + Quoted(run_.files[i].name) + " did not arrive";
            if (run_.backup == BackupCase::Working && !backupContents_.count(content))
                return "A: " + Quoted(run_.files[i].name) + " has no backup";
        }
        return std::string();
    }

    std::string CheckFailureReported(DialogHarness& h) const {
        if (h.dialog->RunOutcome() != kExitFileMissing)
            return Format("a %s failed, yet the exit status is %d", kDiskFaultNames[static_cast<int>(run_.diskFault)],
                          static_cast<int>(h.dialog->RunOutcome()));
        for (const KeyFileCase& f : run_.files) {
            // As the directory's 100-byte slot lists it: a long name loses its end there.
            const std::string slot = Format("  %d Byte - \"%s", static_cast<int>(f.size), f.name.c_str()).substr(0, 99);
            if (h.Log().find(slot.substr(slot.find(" - \"") + 4)) != std::string::npos) return std::string();
        }
        return std::string("a ") + kDiskFaultNames[static_cast<int>(run_.diskFault)] + " failed, no status line names a file";
    }

    // The run log's account matches what is in the folders and on the key:
    // every file it says stored lies there whole (the backup's copy too), every
    // other one is still on the key; "Key geleert" and the exit status as they were.
    std::string CheckLog(DialogHarness& h, const std::string& whole, const std::string& out, const std::string& backup,
                         const std::string& pulled, const FileMap& keyAfter) const {
        const size_t block = whole.find("\r\n=== ");  // after the preparation's line
        if (block == std::string::npos) return "L: the run log holds no block: " + Quoted(whole.substr(0, 200));
        const std::string log = whole.substr(block);
        for (size_t i = 0; i < run_.files.size(); ++i) {
            const KeyFileCase& f = run_.files[i];
            const std::string entry = Format("\r\n  Datei %s (%d Byte): ", f.name.c_str(), static_cast<int>(f.size));
            const size_t at = log.find(entry);
            if (at == std::string::npos) continue;  // not listed (a name the directory cannot hold)
            const std::string rest = log.substr(at + entry.size(), log.find("\r\n", at + entry.size()) - at - entry.size());
            if (rest.rfind("gespeichert als ", 0) != 0) {
                if (!keyAfter.count(f.name)) return "L: the log says " + Quoted(f.name) + " did not arrive, the key lost it";
                continue;
            }
            const std::string stored = rest.substr(16, rest.find(", Sicherung ") - 16);
            if (stored.compare(0, out.size(), out) != 0 || ReadFile(stored) != KeyContent(i, f.size))
                return "L: the log says " + Quoted(f.name) + " is stored as " + Quoted(stored) + ", it is not";
            const size_t copy = rest.find(", Sicherung ");
            if (copy == std::string::npos) continue;
            const std::string name = stored.substr(stored.rfind('\\') + 1);
            if (ReadFile(backup + "\\" + name) != KeyContent(i, f.size) &&
                ReadFile(pulled + "\\" + name) != KeyContent(i, f.size))
                return "L: the log names a backup of " + Quoted(f.name) + " that is not there";
        }
        const bool emptied = log.find("\r\n  Key geleert\r\n") != std::string::npos;
        if (emptied != (keyAfter.empty() && !run_.files.empty()))
            return std::string("L: the log says the key was ") + (emptied ? "" : "not ") + "emptied";
        if (log.find(Format("\r\n  Ende: R\xFC" "ckgabewert %d", static_cast<int>(h.dialog->RunOutcome()))) ==
            std::string::npos)
            return "L: the log's exit status is not the run's";
        return std::string();
    }

    // Time goes on after a cut and the start's clean-up: an importer takes
    // every final file away, and the next start cleans up again. What the
    // importer holds stays whole: a leftover that shared a moved file's
    // clusters must not have been deleted (freed clusters read as another
    // file's data).
    std::string CheckAfterAnImporter(DialogHarness& h, const std::string& out, const FileMap& before) const {
        const std::string imported = h.temp.Path() + "\\imported\\";
        CreateFolder(imported);
        FileMap taken;
        for (const auto& [name, content] : FolderFiles(out)) {
            // A name that another entry's short name shadows is no importer's to take.
            if (IsTemporaryName(name) || WhatAnswersAt(out + name).longName != name || PathExists(imported + name) ||
                !MoveOver(out + name, imported + name) || ReadFile(imported + name) != content)
                continue;
            taken[name] = content;
        }
        RemoveLeftovers(out);
        for (const auto& [name, content] : taken) {
            const std::string now = ReadFile(imported + name);
            if (now != content && !HoldsAsBefore(before, name, now) && !IsKeyContent(now, name))
                return "I3: " + Quoted(name) + ", taken by an importer, lost its bytes to the next start's clean-up";
        }
        return std::string();
    }

    // Power cut after every step, each state cleaned up by the next start.
    std::string CheckCuts(DialogHarness& h, const std::string& out, const std::string& backup,
                          const std::string& pulled, const FileMap& before, const FileMap& keyBefore, bool closed) {
        leftoversAllowed_ = true;  // a twin of a final file stays, and is said
        for (size_t cut = 0, steps = cuts_->Steps(); cut <= steps; ++cut) {
            for (int state = 0; state < kStatesPerCut; ++state) {
                CutFates fates(cut, state);
                cuts_->ShowCut(cut, fates);
                for (const std::string& folder : {out, backup + "\\", pulled + "\\"}) RemoveLeftovers(folder);
                keyNow_ = KeyFiles(h);
                std::string violation = CheckOutput(before, FolderFiles(out));
                if (violation.empty()) violation = CheckBackup(FolderFiles(backup + "\\"), FolderFiles(pulled + "\\"));
                if (violation.empty()) violation = CheckKey(keyBefore, keyNow_, closed);
                if (violation.empty()) violation = CheckAfterAnImporter(h, out, before);
                if (!violation.empty())
                    return Format("power cut after step %d of %d (state %d): ", static_cast<int>(cut),
                                  static_cast<int>(steps), state) + violation;
            }
        }
        return std::string();
    }

    // Gone after a power cut, which the key's own file of that name makes good.
    bool KeyStillHolds(const std::string& name) const {
        if (!cuts_) return false;
        for (const auto& entry : keyNow_)
            if (SameFileName(entry.first, name)) return true;
        return false;
    }

    // A key file's bytes, stored under its own name or (unless it must be its
    // own name) under a .kvr name.
    bool IsKeyContent(const std::string& content, const std::string& name, bool ownName = false) const {
        for (size_t i = 0; i < run_.files.size(); ++i)
            if (KeyContent(i, run_.files[i].size) == content &&
                (SameFileName(run_.files[i].name, name) || (!ownName && EndsWithKvr(name))))
                return true;
        return false;
    }

    bool StoredAsKvr(const std::string& name, const FileMap& after) const {
        for (size_t i = 0; i < run_.files.size(); ++i) {
            if (!SameFileName(run_.files[i].name, name)) continue;
            for (const auto& [n, content] : after)
                if (EndsWithKvr(n) && content == KeyContent(i, run_.files[i].size)) return true;
        }
        return false;
    }

    std::string CheckOutput(const FileMap& before, const FileMap& after) {
        for (const auto& [name, content] : before) {
            if (IsOwnTemporaryName(name)) continue;  // debris of a killed run: removed at start
            const auto now = FindName(after, name);
            if (now == after.end() ? !StoredAsKvr(name, after) && !KeyStillHolds(name)
                                   : now->second != content && !IsKeyContent(now->second, name, true))
                return "I3: the earlier file " + Quoted(name) + " was lost or changed";
        }
        for (const auto& [name, content] : after) {
            if (IsOwnTemporaryName(name) && (leftoversAllowed_ || Said(name + " bleibt liegen"))) continue;
            if (IsOwnTemporaryName(name)) return "I5: the temporary file " + Quoted(name) + " remained";
            if (HoldsAsBefore(before, name, content)) continue;
            if (!IsKeyContent(content, name))
                return "I3: " + Quoted(name) + " holds bytes of no key file of that name";
        }
        outputContents_.clear();
        for (const auto& entry : after) outputContents_.insert(entry.second);
        return std::string();
    }

    // The tool never makes its own temporary files read-only, nor an alias of one.
    static bool ReadOnlyBefore(const ExistingFile& e, const std::string& out) {
        return e.readOnly && !IsTemporaryName(WhatAnswersAt(out + e.name).longName);
    }

    // A read-only earlier file that is still there as it was keeps the attribute.
    std::string CheckReadOnlyKept(const std::string& out) const {
        for (const ExistingFile& e : run_.existing)
            if (!e.inBackup && ReadOnlyBefore(e, out) && ReadFile(out + e.name) == e.content &&
                !WhatAnswersAt(out + e.name).readOnly)
                return "I3: the earlier file " + Quoted(e.name) + " lost its read-only attribute";
        return std::string();
    }

    // What lies in the backup folder is an earlier file unchanged or a copy of
    // a key file, which replaces only an earlier file of its very name.
    std::string CheckBackup(const FileMap& backup, const FileMap& pulled) {
        backupContents_.clear();
        for (const auto& [name, content] : backupBefore_) {
            if (IsOwnTemporaryName(name)) continue;  // debris of a killed run
            const FileMap& there = FindName(backup, name) != backup.end() ? backup : pulled;  // pulled with its drive
            const auto now = FindName(there, name);
            if (now == there.end() ? !KeyStillHolds(name)
                                   : now->second != content && !IsKeyContent(now->second, name, true))
                return "the earlier backup " + Quoted(name) + " was lost or changed";
        }
        for (const FileMap* files : {&backup, &pulled}) {
            for (const auto& [name, content] : *files) {
                if (HoldsAsBefore(backupBefore_, name, content)) continue;
                // A drive pulled during a copy takes its temporary file along.
                if (IsTemporaryName(name) && (files == &pulled || leftoversAllowed_ || Said(name + " bleibt liegen")))
                    continue;
                if (IsTemporaryName(name)) return "I5: the temporary file " + Quoted(name) + " remained in the backup";
                if (!IsKeyContent(content, name)) return "the backup " + Quoted(name) + " holds bytes of no key file";
                backupContents_.insert(content);
            }
        }
        return std::string();
    }

    std::string CheckKey(const FileMap& before, const FileMap& after, bool closed) const {
        bool emptied = false;
        for (const auto& [name, content] : before) {
            const auto now = after.find(name);
            if (now != after.end() && now->second != content) return "the key file " + Quoted(name) + " changed";
            if (now != after.end()) continue;
            emptied = true;
            if (!outputContents_.count(content)) return "I1: " + Quoted(name) + " is neither on the key nor on the PC";
            if (run_.backup != BackupCase::None && !backupContents_.count(content))
                return "I1: " + Quoted(name) + " left the key without its backup";
        }
        if (!emptied) return std::string();
        if (run_.nodelete) return "I4: the key was emptied although \"nodelete\" was given";
        if (closed) return "I4: the key was emptied after the user closed the dialog";
        for (const KeyFileCase& f : run_.files)
            if (f.size == 0) return "I4: the key was emptied although " + Quoted(f.name) + " was listed with size 0";
        return std::string();
    }

    const RunCase& run_;
    PowerCuts* cuts_;
    bool leftoversAllowed_ = false;
    std::string statusLog_;  // the run's status lines: a temporary file that stays is said there
    bool Said(const std::string& text) const { return statusLog_.find(text) != std::string::npos; }
    FileMap keyNow_;  // the key after a power cut
    FileMap backupBefore_;
    std::set<std::string> outputContents_, backupContents_;
};
}  // namespace

RunVerdict CheckRun(const RunCase& run, PowerCuts* cuts) { return RunChecker(run, cuts).Check(); }
