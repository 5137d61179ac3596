#include "app/MainDialog.h"

#include <chrono>
#include <new>
#include <system_error>

#include "app/FolderChain.h"
#include "key/Leftovers.h"
#include "platform/Machine.h"
#include "platform/Text.h"
#include "platform/Files.h"
#include "res/resource.h"

CMERORVSDlg::CMERORVSDlg(IView& view, ISystem& system, IKeyLibrarySource& keys, std::string commandLine,
                         std::uint32_t systemButtonFace)
    : view_(view), system_(system), keys_(keys), startButton_(systemButtonFace) {
    params_.CommandLine = std::move(commandLine);
}

CMERORVSDlg::~CMERORVSDlg() {
    stopRequested_ = true;
    if (worker_.joinable()) worker_.join();
}

void CMERORVSDlg::OnInitDialog() {
    WriteModeButtons(SelectedMode_);  // the first data exchange

    DeleteAfterDownload_ = true;
    program_ = system_.ReadProgramVersionInfo();
    KeyLibraryPath_ = program_.folder + "VantikDll.dll";
    DriverLibraryPath_ = program_.folder + "ftd2xx.dll";

    params_.Parse();
    const RunSettings settings = InterpretParams(params_);
    DataRoot_ = system_.ReadDataPath().value_or("C:\\MERO");
    // The key is one device: a second instance would reset it under the first one's reads.
    if (!system_.FirstInstance()) {
        EndAsSecondStart(settings);
        return;
    }
    std::vector<std::string> leftovers = ResolveOutputFolder(settings);
    const std::string backupProblem = ResolveBackupFolder(settings, leftovers);
    const std::string logProblem = ResolveLogTarget(settings.logFile);
    CompactMode_ = settings.compactMode;
    TimeLimit_ = settings.timeLimit;
    DeleteAfterDownload_ = settings.deleteAfterDownload;
    ComposeTitle(settings.titleText);

    view_.SetText(IDC_OUTPUT_LABEL, "Ausgabe: " + OutputFolder_ +
                                        (BackupWanted_ ? "  Sicherung: " + BackupFolder_ : std::string()));
    view_.SetText(IDC_STATUS_LOG, "");
    for (const std::string& line : leftovers) AppendStatusLine(line);
    AppendStatusLine(backupProblem);
    AppendStatusLine(logProblem);
    KeyFileList_.clear();
    TriggerStatusText_.clear();
    ProgressCountingUp_ = false;

    view_.Enable(IDC_DELETE_AFTER, false);
    view_.SetCheck(IDC_DELETE_AFTER, DeleteAfterDownload_);
    view_.Show(IDC_TEST, false);
    if (CompactMode_) ApplyCompactLayout();

    for (int id : {IDC_INIT_KEY, IDC_DIRECTORY, IDC_DELETE_FILES, IDC_TEST, IDC_FILE_LIST}) view_.Enable(id, false);
    view_.Show(IDC_BAUD_RATE, false);
    view_.Show(IDC_DELETE_AFTER, false);
    view_.SetText(IDC_COUNTER, "Download 0 - 0");
    view_.SetText(IDC_SERIAL, "SN: ");
    view_.Enable(IDC_PREPARE_KEY, true);
    view_.Enable(IDC_FILE_LIST, false);
    view_.SetTimer(kStartupTimer, 200);
    if (CompactMode_) {
        for (int id : {IDC_PREPARE_KEY, IDC_STATUS_LOG, IDC_CLEAR_DISPLAY, IDC_CANCEL, IDC_OUTPUT_LABEL})
            view_.Show(id, false);
    }

    SelectedMode_ = -1;
    ListKeyDirectory();
    TriggerMode_ = 0;

    for (const char* item : {"0|Auto", "1|9600", "2|19200", "3|38400", "4|57600", "5|115200", "6|Unknown"})
        view_.ComboAdd(IDC_BAUD_RATE, item);

    startButton_.FaceColor = kSilver;
    for (int id : {IDC_KEY_1, IDC_KEY_2, IDC_KEY_1_2, IDC_KEY_4, IDC_KEY_5}) view_.Show(id, false);
    view_.Enable(IDC_START, true);
}

void CMERORVSDlg::EndAsSecondStart(const RunSettings& settings) {
    OutputFolder_ = OutputFolderNamed(settings);
    if (OutputFolder_.back() != '\\') OutputFolder_ += '\\';
    BackupFolder_ = settings.backupFolder;
    BackupUsable_ = !BackupFolder_.empty();
    if (BackupUsable_ && BackupFolder_.back() != '\\') BackupFolder_ += '\\';
    ResolveLogTarget(settings.logFile);
    // "zweiter Start: %s läuft bereits"
    LogCommand("zweiter Start: " + program_.fileName + " l\xE4uft bereits, PC " + MachineName() +
               ", Parameter: " + params_.CommandLine);
    system_.ShowFirstInstance();
    exitStatus_ = kExitNoDownload;
    view_.EndDialog();
}

std::string CMERORVSDlg::OutputFolderNamed(const RunSettings& settings) const {
    return settings.hasOutputFolder ? settings.outputFolder : DataRoot_ + "\\Daten\\Container\\KVR\\";
}

std::vector<std::string> CMERORVSDlg::ResolveOutputFolder(const RunSettings& settings) {
    OutputFolder_ = OutputFolderNamed(settings);
    return PrepareFolder(OutputFolder_);
}

std::string CMERORVSDlg::ResolveBackupFolder(const RunSettings& settings, std::vector<std::string>& leftovers) {
    BackupWanted_ = settings.backupWanted;
    BackupFolder_ = settings.backupFolder;
    BackupUsable_ = false;
    if (!BackupWanted_) return std::string();
    // A switch with nothing after it (a caller's variable left unset) asked
    // for a copy all the same: every download then fails its backups.
    if (BackupFolder_.empty()) return "Sicherungsordner fehlt";
    for (const std::string& line : PrepareFolder(BackupFolder_)) leftovers.push_back(line);
    // "Sicherungsordner fehlt: %s"
    if (!IsFolder(BackupFolder_)) return "Sicherungsordner fehlt: " + BackupFolder_;
    // A copy in the same folder, by whatever name it was given, is no backup;
    // one only when the system says so for sure (some servers answer 0, or one
    // value, for every identity).
    FileIdentity backup, output;
    const bool identified = TellingIdentityOf(BackupFolder_, backup) && TellingIdentityOf(OutputFolder_, output);
    if ((identified && backup == output) || SameFileName(FullPath(BackupFolder_), FullPath(OutputFolder_)))
        return "Sicherungsordner ist der Ausgabeordner: " + BackupFolder_;
    BackupUsable_ = true;
    // Made all the same, but one disk's failure takes both copies.
    // "Sicherungsordner liegt auf dem Datenträger des Ausgabeordners: %s"
    if (identified && backup.volume == output.volume)
        return "Sicherungsordner liegt auf dem Datentr\xE4ger des Ausgabeordners: " + BackupFolder_;
    return std::string();
}

std::vector<std::string> CMERORVSDlg::PrepareFolder(std::string& folder) {
    if (folder.back() != '\\') folder += '\\';
    if (!PathExists(folder)) CreateFolderChain(folder, [](const std::string& f) { CreateFolder(f); });
    // Another instance on this folder may be writing its temporary files.
    if (!system_.FirstToUseFolder(folder)) return {};
    return RemoveLeftovers(folder);
}

void CMERORVSDlg::ComposeTitle(const std::string& titleText) {
    std::string caption = view_.GetTitle();
    if (!titleText.empty()) caption = titleText + " - " + caption;
    view_.SetTitle(caption + " [ " + program_.version + " ]");
}

void CMERORVSDlg::ApplyCompactLayout() {
    const Rect window = view_.WindowRect();
    const Rect desktop = view_.DesktopRect();
    const int width = window.Width();
    const int height = window.Height() - 100;
    Rect placed;
    placed.left = (desktop.Width() - width) / 2;
    placed.top = (desktop.Height() - height) / 2;
    placed.right = placed.left + width;
    placed.bottom = placed.top + height;
    view_.MoveWindow(placed);
}

void CMERORVSDlg::OnButtonClicked(int id) {
    switch (id) {
        case IDC_CANCEL: OnCancel(); break;
        case IDC_KEY_1: case IDC_KEY_2: case IDC_KEY_1_2: case IDC_KEY_4: case IDC_KEY_5: case IDC_KEY_TO_PC:
            UpdateStartButton();
            break;
        case IDC_START: StartDownload(); break;
        case IDC_DIRECTORY:
            if (!RefusedWhileWorkerRuns()) ListKeyDirectory();
            break;
        case IDC_CLEAR_DISPLAY: ClearDisplay(); break;
        case IDC_PREPARE_KEY: PrepareKey(); break;
        case IDC_INIT_KEY: InitKey(); break;
        case IDC_DELETE_FILES: DeleteSelectedKeyFiles(); break;
        case IDC_FORMAT: FormatKey(); break;
        case IDC_TEST: TestBaudRate(); break;
        default: break;  // the status label and the output label do nothing
    }
}

void CMERORVSDlg::OnCancel() {
    closing_ = true;
    if (!closedBy_) closedBy_ = "geschlossen";
    view_.KillTimer(kTimeLimitTimer);
    view_.KillTimer(kDeviceSettleTimer);
    if (workerRunning_) {
        // The worker stops at its next file boundary, or, once it empties
        // the key, when that is done; the dialog ends then.
        bool first, emptying;
        {
            const std::lock_guard<std::mutex> l(phaseLock_);
            first = !stopRequested_.exchange(true);
            emptying = emptying_;
        }
        closeWhenWorkerEnds_ = true;
        if (!first) return;
        // Said at once, or the window seems to ignore the user; queued behind
        // what the worker has shown so far, so nothing covers it.
        // "Schließen, sobald der Key geleert ist"
        view_.Post([this, emptying] {
            const char* why = emptying ? "Schlie\xDF" "en, sobald der Key geleert ist" : "Abbruch nach der laufenden Datei";
            if (CompactMode_) SetCounterText(why);
            else AppendStatusLine(why);
        });
        graceProgress_ = deletionsTried_;
        view_.SetTimer(kCloseGraceTimer, kCloseGraceMs);
        return;
    }
    view_.EndDialog();
}

void CMERORVSDlg::OnCloseGraceEnded() {
    view_.KillTimer(kCloseGraceTimer);
    if (!workerRunning_) return;
    bool emptying;
    {
        const std::lock_guard<std::mutex> l(phaseLock_);
        emptying = emptying_;
    }
    // Each deletion is short: an emptying that moves is waited for.
    if (emptying && deletionsTried_ != graceProgress_) {
        graceProgress_ = deletionsTried_;
        view_.SetTimer(kCloseGraceTimer, kCloseGraceMs);
        return;
    }
    if (!emptying) {
        // The key keeps its files: the worker never got as far as emptying it.
        exitStatus_ = kExitStopped;
        EndRunLog("die laufende Datei kam nicht zum Ende");
    } else {
        // Every file arrived; the key holds those not yet deleted, and maybe the one it hangs on.
        exitStatus_ = kExitKeyNotEmptied;
        const int stuck = deleting_;
        AppendStatusLine(Format("Key nur teilweise geleert: %d von %d Dateien gel\xF6scht", deletionsDone_.load(),
                                deletionsWanted_.load()) +
                         (stuck >= 0 && static_cast<size_t>(stuck) < KeyFileList_.size()
                              ? Format(", der Key antwortet nicht beim L\xF6schen von %s",
                                       KeyFileList_[static_cast<size_t>(stuck)].name.c_str())
                              : std::string()));
        EndRunLog("der Key hing beim Leeren");
    }
    abandonedOutcome_ = exitStatus_;
    workerAbandoned_ = true;
    view_.EndDialog();
}

bool CMERORVSDlg::RefusedWhileWorkerRuns() { return workerRunning_; }

void CMERORVSDlg::StartWorker(std::function<void()> body) {
    if (worker_.joinable()) worker_.join();
    workerRunning_ = true;
    stopRequested_ = false;
    try {
        worker_ = std::thread([this, body] {
            // Nothing may escape a thread procedure: it would end the process.
            std::string failure;
            try {
                body();
            } catch (...) {
                try {
                    failure = CurrentExceptionText();
                } catch (...) {
                    failure = "?";  // fits without memory of its own
                }
            }
            // The dialog must learn that the worker ended, or an unattended
            // run never closes: when not even that can be handed over, again.
            for (;;) {
                try {
                    view_.Post([this, failure] { OnWorkerFinished(failure); });
                    return;
                } catch (...) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(100));
                }
            }
        });
    } catch (const std::system_error&) {
        // No thread to be had: nothing runs and nothing is shown.
        workerRunning_ = false;
    }
}

void CMERORVSDlg::OnWorkerFinished(const std::string& failure) {
    if (worker_.joinable()) worker_.join();
    workerRunning_ = false;
    view_.KillTimer(kCloseGraceTimer);
    // A close asked for meanwhile, or a compact run's end, happens whatever
    // showing the failure may throw.
    struct EndIfAsked {
        CMERORVSDlg& d;
        ~EndIfAsked() {
            if (d.closeWhenWorkerEnds_) d.view_.EndDialog();
        }
    } endIfAsked{*this};
    if (!failure.empty()) {
        // Broken off: stopped when a close was asked for, never all arrived.
        if (stopRequested_) exitStatus_ = kExitStopped;
        else if (exitStatus_ == kExitAllArrived) exitStatus_ = kExitFileMissing;
        // An unattended run ends after its download, also one that broke off.
        if (CompactMode_) closeWhenWorkerEnds_ = true;
        // The worker broke off: say so and leave the dialog ready again.
        AppendStatusLine("Interner Fehler: " + failure);
        view_.KillTimer(kActivityTimer);
        view_.SetProgress(IDC_PROGRESS, 0);
        ShowDownloadIdle();
        if (!CompactMode_) view_.Enable(IDC_PREPARE_KEY, true);
    }
    EndRunLog(nullptr);
    if (!closeWhenWorkerEnds_ && deviceChangePending_) {
        deviceChangePending_ = false;
        OnDeviceChange();
    }
}

std::string CurrentExceptionText() {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return "zu wenig Speicher";
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "unbekannte Ausnahme";
    }
}

void CMERORVSDlg::ReportInternalError() {
    const std::string text = CurrentExceptionText();
    try {
        AppendStatusLine("Interner Fehler: " + text);
    } catch (...) {
        // Nothing more can be shown.
    }
}
