#pragma once
// The main dialog's behaviour, free of any window system: it talks to its
// controls through IView, to the key through IKeyLibrarySource and to the
// operating system through ISystem.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "app/ExitStatus.h"
#include "app/Params.h"
#include "app/RunLog.h"
#include "controls/ColorButton.h"
#include "key/KeyDirectory.h"
#include "key/KeyLibrary.h"
#include "key/Transfer.h"
#include "platform/System.h"
#include "platform/View.h"

// Timer ids of the dialog.
constexpr int kActivityTimer = 0;
constexpr int kStartupTimer = 1;
constexpr int kTimeLimitTimer = 3;
constexpr int kDeviceSettleTimer = 2;  // a key plugged in: prepare it once the devices settled
// A close waits this long for the worker's next file boundary; a worker stuck
// longer (a backup write to a dead network share, say) is left behind.
constexpr int kCloseGraceTimer = 4;
constexpr int kCloseGraceMs = 30000;
constexpr int kDeviceSettleTime = 1000;

// SelectedMode value of "RVT-Daten -> PC".
constexpr int kModeKeyToPc = 3;

// The exception being handled, as a user reads it; only inside a catch block.
std::string CurrentExceptionText();

class CMERORVSDlg {
public:
    CMERORVSDlg(IView& view, ISystem& system, IKeyLibrarySource& keys, std::string commandLine,
                std::uint32_t systemButtonFace);
    ~CMERORVSDlg();
    CMERORVSDlg(const CMERORVSDlg&) = delete;
    CMERORVSDlg& operator=(const CMERORVSDlg&) = delete;

    // Window events, all on the user-interface thread.
    void OnInitDialog();
    void OnButtonClicked(int id);
    void OnTimer(int timerId);
    // "Abbrechen", Escape, the close box and the time limit.
    void OnCancel();
    void OnCloseGraceEnded();
    // The system's devices changed (a key plugged in, perhaps).
    void OnDeviceChange();
    // From a catch block at a window procedure: a status line names the failure.
    void ReportInternalError();

    // Status output.
    void AppendStatusLine(const std::string& message);
    void SetCounterText(const std::string& text);
    void ShowDownloadBusy();
    void ShowDownloadIdle();
    void ClearDisplay();

    // Key directory and preparation. True when the key answered with its directory.
    bool ListKeyDirectory();
    // announceKey: a status line says that a key arrived when one is identified.
    void PrepareKey(bool announceKey = false);
    void UpdateStartButton();
    int ReadBaudRateChoice();

    // Maintenance (hidden buttons) and the serial speed test.
    void InitKey();
    void DeleteSelectedKeyFiles();
    void FormatKey();
    void TestBaudRate();

    // Download and trigger.
    void StartDownload();
    bool WorkerRunning() const { return workerRunning_; }
    // Decided by the workers from what they did, never from what the window shows.
    // Once the dialog left a stuck worker behind, what that worker does after
    // no longer counts: the logs already told the caller's outcome.
    ExitStatus RunOutcome() const { return workerAbandoned_ ? abandonedOutcome_ : exitStatus_.load(); }
    // The dialog ended while its worker was stuck: the process must end
    // without waiting for it (it still uses the dialog).
    bool WorkerAbandoned() const { return workerAbandoned_; }

    CColorButton& StartButton() { return startButton_; }

    // Run settings and state, readable by the platform side and by tests.
    const std::string& OutputFolder() const { return OutputFolder_; }
    const std::string& BackupFolder() const { return BackupFolder_; }
    bool CompactMode() const { return CompactMode_; }
    int TimeLimit() const { return TimeLimit_; }
    bool DeleteAfterDownload() const { return DeleteAfterDownload_; }
    int SelectedMode() const { return SelectedMode_; }
    const KeyFileList& Files() const { return KeyFileList_; }
    const ProgramInfo& Program() const { return program_; }
    const std::string& KeyLibraryPath() const { return KeyLibraryPath_; }

private:
    // Parameter 1, or the data root's folder for key data.
    std::string OutputFolderNamed(const RunSettings& settings) const;
    // Status lines of the output folder's preparation.
    std::vector<std::string> ResolveOutputFolder(const RunSettings& settings);
    // The problem with the backup folder for the status log, or ""; its
    // preparation's lines join leftovers.
    std::string ResolveBackupFolder(const RunSettings& settings, std::vector<std::string>& leftovers);
    // Ends the folder in a backslash and creates it when missing. A run that
    // was killed may have left temporary files there: removed, unless another
    // instance uses the folder (status lines for those that stay).
    std::vector<std::string> PrepareFolder(std::string& folder);
    void ComposeTitle(const std::string& titleText);
    void ApplyCompactLayout();
    void StepProgressAnimation();
    IKeyLibrary* Library() { return keys_.Get(); }
    // Empties list box and file list and fills both from the directory.
    void FillFileList(const DirectoryTable& table);
    std::string MissingLibraryMessage();
    // Radio group value from the buttons, and back.
    int ReadModeButtons();
    void WriteModeButtons(int mode);
    // Whole-key commands are refused while a worker owns key and list.
    bool RefusedWhileWorkerRuns();

    void OnDeviceSettled();
    // Whether a device change should prepare the key now; during a worker's
    // run it is remembered for the run's end.
    bool KeyArrivalDue();
    bool Closing() const { return closing_ || closeWhenWorkerEnds_; }

    void StartWorker(std::function<void()> body);
    void OnWorkerFinished(const std::string& failure);
    void DownloadWorker();
    // Transfers every listed file, each one's finish on a thread of its own
    // while the key reads the next, and lets them arrive together at the end. True when a
    // file arrived with a problem that still counts (an earlier copy that stayed).
    bool TransferAll(IKeyLibrary& key, BackupTarget* backup);
    // The key's part of one file's transfer; empty when the file is passed over.
    FinishTransfer ReadEntry(IKeyLibrary& key, size_t index, OutputNamer& names, BackupTarget* backup);
    bool EveryFileArrived() const;
    // Empties the key when every file arrived and it is wanted; false when the
    // key could not be emptied as asked (each file that stays is said).
    bool DeleteDownloadedFiles(IKeyLibrary& key, bool deleteWanted);
    void TriggerWorker();
    void SetTriggerStatus(const std::string& text);

    // The run log: a worker's run is one block from its start to its end (a
    // trigger run and the download it starts share one); a command is a line.
    void BeginRunLog();
    void LogEntry(const KeyFileEntry& entry, const TransferOutcome* outcome, const std::string& backupFolder);
    void EndRunLog(const char* endedBy);
    void LogCommand(const std::string& what);
    // The log's file now (the month's file in a folder); empty: no log.
    std::string LogFileNow();
    void SayLogFailure(bool written);
    // Sets LogTarget_ from what "/Log:" gave; the status lines of a refusal.
    std::string ResolveLogTarget(const std::string& given);
    bool InImportedFolder(const std::string& path);
    // Another instance uses the key: this one touches neither key nor folders.
    void EndAsSecondStart(const RunSettings& settings);

    IView& view_;
    ISystem& system_;
    IKeyLibrarySource& keys_;

    CParams params_;
    ProgramInfo program_;
    std::string KeyLibraryPath_;
    std::string DriverLibraryPath_;
    std::string DataRoot_;
    std::string OutputFolder_;
    std::string LogTarget_;  // the log file, or a folder (ending in a backslash) for the month's file; empty: none
    RunLog log_;
    bool logFailureSaid_ = false;
    std::string KeyText_;  // identity and edition from the last preparation
    const char* closedBy_ = nullptr;  // what ended the run: "geschlossen", "Zeitlimit"
    bool BackupWanted_ = false;
    std::string BackupFolder_;  // empty: none named
    bool BackupUsable_ = false;
    bool CompactMode_ = false;
    int TimeLimit_ = kDefaultTimeLimit;
    bool DeleteAfterDownload_ = true;
    int SelectedMode_ = kModeKeyToPc;
    int TriggerMode_ = 0;
    std::string TriggerStatusText_;
    std::atomic<bool> ProgressCountingUp_{false};
    KeyFileList KeyFileList_;
    CColorButton startButton_;

    std::thread worker_;
    std::atomic<bool> workerRunning_{false};
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> closeWhenWorkerEnds_{false};
    bool workerAbandoned_ = false;
    ExitStatus abandonedOutcome_ = kExitStopped;
    // Once the worker begins to empty the key, a close lets it finish; the
    // decision and a close's request are taken under phaseLock_.
    std::mutex phaseLock_;
    bool emptying_ = false;
    std::atomic<int> deletionsTried_{0}, deletionsDone_{0}, deletionsWanted_{0};
    std::atomic<int> deleting_{-1};  // the file KeyDeleteFile is working on
    int graceProgress_ = 0;          // deletionsTried_ when the close's grace was last armed
    std::atomic<ExitStatus> exitStatus_{kExitNoDownload};
    // User-interface thread only.
    bool closing_ = false;
    bool KeyIdentified_ = false;        // by the last preparation
    bool deviceChangePending_ = false;  // arrived while a worker ran
};
