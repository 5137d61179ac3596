// "Download starten" and the worker that copies every key file to the PC,
// emptying the key only when every file arrived.
#include "app/MainDialog.h"

#include <utility>
#include <vector>

#include "key/KeyBuffers.h"
#include "platform/JobThread.h"
#include "platform/Text.h"
#include "res/resource.h"

void CMERORVSDlg::StartDownload() {
    // Every press restarts the time limit, also one that a running worker
    // refuses (in compact mode the button stays clickable).
    view_.SetTimer(kTimeLimitTimer, TimeLimit_);
    if (RefusedWhileWorkerRuns()) return;
    view_.SetWaitCursor(true);
    DeleteAfterDownload_ = view_.IsChecked(IDC_DELETE_AFTER);
    if (SelectedMode_ == kModeKeyToPc) {
        StartWorker([this] {
            system_.LowerCurrentThreadPriority();
            DownloadWorker();
        });
    } else if (SelectedMode_ >= 0 && SelectedMode_ <= 5) {
        TriggerMode_ = SelectedMode_;
        StartWorker([this] { TriggerWorker(); });
    }
    view_.SetWaitCursor(false);
}

void CMERORVSDlg::DownloadWorker() {
    BeginRunLog();
    view_.SetProgress(IDC_PROGRESS, 0);
    ProgressCountingUp_ = false;
    view_.SetTimer(kActivityTimer, 200);
    view_.Enable(IDC_PREPARE_KEY, false);
    SetCounterText("Download 0 - 0");
    const bool deleteWanted = DeleteAfterDownload_;

    exitStatus_ = kExitNoDownload;
    {
        const std::lock_guard<std::mutex> l(phaseLock_);
        emptying_ = false;
    }
    deletionsTried_ = deletionsDone_ = deletionsWanted_ = 0;
    const bool answered = ListKeyDirectory();
    IKeyLibrary* key = Library();
    // An empty key is a download that ended with nothing to bring; until the
    // transfer ends, a listed file counts as not arrived.
    if (answered && key) exitStatus_ = KeyFileList_.empty() ? kExitAllArrived : kExitFileMissing;
    if (!KeyFileList_.empty() && key) {
        ShowDownloadBusy();
        bool remarked = false;
        if (key->KeyOpen() == 0) {
            // Closed whatever breaks the transfer off: the library would stay busy.
            struct Closing {
                IKeyLibrary& key;
                ~Closing() { key.KeyClose(); }
            } closing{*key};
            BackupTarget backup{BackupFolder_, BackupUsable_, OutputNamer()};
            remarked = TransferAll(*key, BackupWanted_ ? &backup : nullptr);
        }
        // A close asked for during the transfer leaves the key as it is; one
        // that comes once the emptying began waits for its end.
        bool stopped;
        {
            const std::lock_guard<std::mutex> l(phaseLock_);
            stopped = stopRequested_;
            emptying_ = !stopped && deleteWanted && EveryFileArrived();
        }
        const bool emptied = stopped || DeleteDownloadedFiles(*key, deleteWanted);
        // "Key geleert" / "Key nicht geleert: ..."
        if (stopped) log_.Line("Key nicht geleert: abgebrochen");
        else if (!deleteWanted) log_.Line("Key nicht geleert: nodelete");
        else if (!EveryFileArrived()) log_.Line("Key nicht geleert: nicht jede Datei kam an");
        else if (emptied) log_.Line("Key geleert");
        // A key not emptied as asked weighs more than an earlier copy that
        // stayed: the next run brings every file that stayed once more.
        exitStatus_ = stopped                ? kExitStopped
                      : !EveryFileArrived()  ? kExitFileMissing
                      : !emptied             ? kExitKeyNotEmptied
                      : remarked             ? kExitFileMissing
                                             : kExitAllArrived;
    }

    if (!CompactMode_) {
        SetCounterText("Download - Read KEY");
        view_.ListReset(IDC_FILE_LIST);
        view_.Enable(IDC_PREPARE_KEY, true);
    }
    view_.KillTimer(kActivityTimer);
    view_.SetProgress(IDC_PROGRESS, 100);
    SetCounterText("Download ENDE");
    view_.SetProgress(IDC_PROGRESS, 0);
    ShowDownloadIdle();
    if (CompactMode_) {
        view_.KillTimer(kTimeLimitTimer);
        closeWhenWorkerEnds_ = true;
    }
}

bool CMERORVSDlg::TransferAll(IKeyLibrary& key, BackupTarget* backup) {
    // Declared before the thread, whose end waits for a job that uses them.
    OutputNamer names;
    TransferOutcome outcome;
    std::vector<std::pair<size_t, TransferOutcome>> stored;  // in file order, until they arrive
    JobThread finisher([this] { system_.LowerCurrentThreadPriority(); });
    size_t finishing = KeyFileList_.size();  // none
    const auto finished = [&] {
        if (finishing == KeyFileList_.size()) return;
        finisher.Wait();
        const size_t index = std::exchange(finishing, KeyFileList_.size());
        view_.ListSelectEntry(IDC_FILE_LIST, static_cast<int>(index), false);
        if (outcome.result == TransferResult::Stored) {
            stored.emplace_back(index, std::move(outcome));
            return;
        }
        AppendStatusLine(outcome.problem);
        LogEntry(KeyFileList_[index], &outcome, std::string());
    };
    for (size_t i = 0; i < KeyFileList_.size() && !stopRequested_; ++i) {
        const FinishTransfer finish = ReadEntry(key, i, names, backup);
        finished();
        if (!finish) {
            LogEntry(KeyFileList_[i], nullptr, std::string());
            continue;
        }
        finisher.Start([&outcome, finish] { outcome = finish(); });
        finishing = i;
    }
    finished();
    // Each copy was let go as it took its name; they arrive together after the
    // last: one device flush per volume whose copies spared it.
    std::vector<TransferOutcome*> arriving;
    for (auto& entry : stored) arriving.push_back(&entry.second);
    Arrive(arriving, names);
    bool remarked = false;
    for (const auto& [index, arrived] : stored) {
        if (arrived.result == TransferResult::Stored) KeyFileList_[index].bytesDone = KeyFileList_[index].size;
        remarked = remarked || (arrived.result == TransferResult::Stored && !arrived.problem.empty());
        AppendStatusLine(arrived.note);
        AppendStatusLine(arrived.problem);
        LogEntry(KeyFileList_[index], &arrived, backup ? backup->folder : std::string());
    }
    return remarked;
}

FinishTransfer CMERORVSDlg::ReadEntry(IKeyLibrary& key, size_t index, OutputNamer& names, BackupTarget* backup) {
    const KeyFileEntry& entry = KeyFileList_[index];
    const int row = static_cast<int>(index);
    view_.ListSelectEntry(IDC_FILE_LIST, row, true);
    SetCounterText(Format("Download %d - %d", row + 1, static_cast<int>(KeyFileList_.size())));
    // Passed over: nothing transferred, an earlier file of that name kept.
    if (entry.name.empty() || entry.size <= 0) return FinishTransfer();
    return ReadKeyFile(key, names, [this] { return system_.Now(); }, OutputFolder_, entry.name, entry.size, backup);
}

bool CMERORVSDlg::EveryFileArrived() const {
    for (const KeyFileEntry& entry : KeyFileList_)
        if (entry.size <= 0 || entry.bytesDone != entry.size) return false;
    return true;
}

bool CMERORVSDlg::DeleteDownloadedFiles(IKeyLibrary& key, bool deleteWanted) {
    if (!deleteWanted || !EveryFileArrived()) return true;
    SetCounterText("Download - l\xF6sche Key");  // "lösche"
    // The next run would bring every file that stays once more, under new .kvr names.
    if (key.KeyOpen() != 0) {
        AppendStatusLine("Key konnte nicht geleert werden");
        return false;
    }
    int deleted = 0, wanted = 0;
    for (const KeyFileEntry& entry : KeyFileList_) wanted += entry.name != kParameterFileName;
    deletionsWanted_ = wanted;
    // Counted as it goes, for a close that finds the library stuck in a deletion.
    for (size_t i = 0; i < KeyFileList_.size(); ++i) {
        view_.ListSelectEntry(IDC_FILE_LIST, static_cast<int>(i), true);
        if (KeyFileList_[i].name != kParameterFileName) {
            char name[kKeyNameBufferSize];
            FillBuffer(name, KeyFileList_[i].name);
            deleting_ = static_cast<int>(i);
            if (key.KeyDeleteFile(name) == 0) deletionsDone_ = ++deleted;
            // "Datei %s konnte nicht vom Key gelöscht werden"
            else AppendStatusLine(Format("Datei %s konnte nicht vom Key gel\xF6scht werden", name));
            deleting_ = -1;
            ++deletionsTried_;
        }
        view_.ListSelectEntry(IDC_FILE_LIST, static_cast<int>(i), false);
    }
    key.KeyClose();
    // "Key nur teilweise geleert: %d von %d Dateien gelöscht"
    if (deleted != wanted)
        AppendStatusLine(Format("Key nur teilweise geleert: %d von %d Dateien gel\xF6scht", deleted, wanted));
    return deleted == wanted;
}
