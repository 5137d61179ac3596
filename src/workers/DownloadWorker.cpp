// "Download starten" and the worker that copies every key file to the PC,
// emptying the key only when every file arrived.
#include "app/MainDialog.h"
#include "key/KeyBuffers.h"
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
    view_.SetProgress(IDC_PROGRESS, 0);
    ProgressCountingUp_ = false;
    view_.SetTimer(kActivityTimer, 200);
    view_.Enable(IDC_PREPARE_KEY, false);
    SetCounterText("Download 0 - 0");
    const bool deleteWanted = DeleteAfterDownload_;

    exitStatus_ = kExitNoDownload;
    const bool answered = ListKeyDirectory();
    IKeyLibrary* key = Library();
    // An empty key is a download that ended with nothing to bring; until the
    // transfer ends, a listed file counts as not arrived.
    if (answered && key) exitStatus_ = KeyFileList_.empty() ? kExitAllArrived : kExitFileMissing;
    if (!KeyFileList_.empty() && key) {
        ShowDownloadBusy();
        if (key->KeyOpen() == 0) {
            OutputNamer names;
            BackupTarget backup{BackupFolder_, BackupUsable_, OutputNamer()};
            BackupTarget* wanted = BackupFolder_.empty() ? nullptr : &backup;
            for (size_t i = 0; i < KeyFileList_.size() && !stopRequested_; ++i) TransferEntry(*key, i, names, wanted);
            key->KeyClose();
        }
        // A close asked for during the transfer leaves the key as it is.
        const bool stopped = stopRequested_;
        if (!stopped) DeleteDownloadedFiles(*key, deleteWanted);
        exitStatus_ = stopped ? kExitStopped : EveryFileArrived() ? kExitAllArrived : kExitFileMissing;
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

void CMERORVSDlg::TransferEntry(IKeyLibrary& key, size_t index, OutputNamer& names, BackupTarget* backup) {
    KeyFileEntry& entry = KeyFileList_[index];
    const int row = static_cast<int>(index);
    view_.ListSelectEntry(IDC_FILE_LIST, row, true);
    SetCounterText(Format("Download %d - %d", row + 1, static_cast<int>(KeyFileList_.size())));
    // Passed over: nothing transferred, an earlier file of that name kept.
    if (entry.name.empty() || entry.size <= 0) return;

    const TransferOutcome outcome =
        TransferKeyFile(key, names, [this] { return system_.Now(); }, OutputFolder_, entry.name, entry.size, backup);
    view_.ListSelectEntry(IDC_FILE_LIST, row, false);
    if (outcome.result == TransferResult::Complete) entry.bytesDone = entry.size;
    AppendStatusLine(outcome.problem);
}

bool CMERORVSDlg::EveryFileArrived() const {
    for (const KeyFileEntry& entry : KeyFileList_)
        if (entry.size <= 0 || entry.bytesDone != entry.size) return false;
    return true;
}

void CMERORVSDlg::DeleteDownloadedFiles(IKeyLibrary& key, bool deleteWanted) {
    if (!deleteWanted || !EveryFileArrived()) return;
    SetCounterText("Download - l\xF6sche Key");  // "lösche"
    if (key.KeyOpen() != 0) return;
    for (size_t i = 0; i < KeyFileList_.size(); ++i) {
        view_.ListSelectEntry(IDC_FILE_LIST, static_cast<int>(i), true);
        if (KeyFileList_[i].name != kParameterFileName) {
            char name[kKeyNameBufferSize];
            FillBuffer(name, KeyFileList_[i].name);
            key.KeyDeleteFile(name);
        }
        view_.ListSelectEntry(IDC_FILE_LIST, static_cast<int>(i), false);
    }
    key.KeyClose();
}
