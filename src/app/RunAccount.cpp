// The dialog's account in the run log: what a run was given, what became of
// each key file, whether the key was emptied, how the run ended.
#include "app/MainDialog.h"
#include "platform/Files.h"
#include "platform/LocalTime.h"
#include "platform/Text.h"

namespace {
std::string Stamp(std::time_t when) {
    const std::tm t = LocalTime(when);
    return Format("%04d-%02d-%02d %02d:%02d:%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min,
                  t.tm_sec);
}

std::string FolderOf(const std::string& file) { return file.substr(0, file.rfind('\\') + 1); }
}  // namespace

std::string CMERORVSDlg::LogFileNow() {
    const std::string file = [this] {
        if (!LogFile_.empty()) return LogFile_;
        const std::tm t = LocalTime(system_.Now());
        return MonthlyLogFile(DataRoot_, t.tm_year + 1900, t.tm_mon + 1);
    }();
    // Calling programs import whatever lies in the output or backup folder.
    FileIdentity log, output, backup;
    if (IdentityOf(FolderOf(file), log) &&
        ((IdentityOf(OutputFolder_, output) && log == output) ||
         (BackupUsable_ && IdentityOf(BackupFolder_, backup) && log == backup))) {
        SayLogFailure(false);
        return std::string();
    }
    return file;
}

void CMERORVSDlg::SayLogFailure(bool written) {
    if (written || logFailureSaid_) return;
    // Said once; the run goes on as without a log. "Protokoll nicht geschrieben: %s"
    logFailureSaid_ = true;
    AppendStatusLine("Protokoll nicht geschrieben: " +
                     (LogFile_.empty() ? DataRoot_ + "\\Daten\\Protokoll\\" : LogFile_));
}

void CMERORVSDlg::BeginRunLog() {
    if (log_.InBlock()) return;  // the download a trigger run started
    log_.Begin(LogFileNow(), "=== " + Stamp(system_.Now()) + "  " + program_.fileName + " " + program_.version);
    log_.Line("Parameter: " + params_.CommandLine);
    log_.Line("Ausgabe: " + OutputFolder_ + (BackupWanted_ ? "  Sicherung: " + BackupFolder_ : std::string()));
    log_.Line("Key: " + (KeyText_.empty() ? std::string("nicht erkannt") : KeyText_));
}

void CMERORVSDlg::LogEntry(const KeyFileEntry& entry, const TransferOutcome* outcome, const std::string& backupFolder) {
    // "Datei %s (%d Byte): gespeichert als %s, Sicherung %s" / "nicht angekommen" / "übergangen"
    std::string line = Format("Datei %s (%d Byte): ", entry.name.c_str(), entry.size);
    if (!outcome) line += "\xFC" "bergangen";
    else if (outcome->result != TransferResult::Complete) line += "nicht angekommen";
    else line += "gespeichert als " + outcome->storedPath;
    if (outcome && outcome->result == TransferResult::Complete && !backupFolder.empty())
        line += ", Sicherung " + backupFolder + outcome->storedPath.substr(outcome->storedPath.rfind('\\') + 1);
    log_.Line(line);
}

void CMERORVSDlg::EndRunLog(const char* endedBy) {
    if (!log_.InBlock()) return;
    if (!endedBy && stopRequested_ && closedBy_) endedBy = closedBy_;
    log_.Line(Format("Ende: R\xFC" "ckgabewert %d", static_cast<int>(exitStatus_.load())) +
              (endedBy ? std::string(" (") + endedBy + ")" : std::string()));
    SayLogFailure(log_.Finish());
}

void CMERORVSDlg::LogCommand(const std::string& what) {
    log_.Begin(LogFileNow(), Stamp(system_.Now()) + "  " + what);
    SayLogFailure(log_.Finish());
}
