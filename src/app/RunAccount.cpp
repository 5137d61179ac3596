// The dialog's account in the run log: what a run was given, what became of
// each key file, whether the key was emptied, how the run ended.
#include "app/MainDialog.h"
#include "platform/Files.h"
#include "platform/LocalTime.h"
#include "platform/Machine.h"
#include "platform/Text.h"

namespace {
std::string Stamp(std::time_t when) {
    const std::tm t = LocalTime(when);
    return Format("%04d-%02d-%02d %02d:%02d:%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min,
                  t.tm_sec);
}
}  // namespace

// Calling programs import whatever lies in the output or backup folder, and
// in any folder below them.
bool CMERORVSDlg::InImportedFolder(const std::string& path) {
    FileIdentity output, backup;
    const bool outputKnown = TellingIdentityOf(OutputFolder_, output);
    const bool backupKnown = BackupUsable_ && TellingIdentityOf(BackupFolder_, backup);
    for (size_t cut = path.rfind('\\'); cut != std::string::npos && cut > 0; cut = path.rfind('\\', cut - 1)) {
        const std::string folder = path.substr(0, cut + 1);
        if (SameFileName(folder, OutputFolder_) || (BackupUsable_ && SameFileName(folder, BackupFolder_))) return true;
        FileIdentity here;
        if (IdentityOf(folder, here) && ((outputKnown && here == output) || (backupKnown && here == backup)))
            return true;
    }
    return false;
}

std::string CMERORVSDlg::ResolveLogTarget(const std::string& given) {
    static const char* const kImported = "liegt im Ausgabe- oder Sicherungsordner";
    std::string refused;
    if (!given.empty()) {
        const std::string target = ResolveLogSwitch(given);
        const char* why = target.empty() ? "kein vollst\xE4ndiger Pfad" : InImportedFolder(target) ? kImported : nullptr;
        if (!why) {
            LogTarget_ = target;
            return std::string();
        }
        // "/Log: abgelehnt (%s): %s"; the run's account goes to the default place then.
        refused = Format("/Log: abgelehnt (%s): %s", why, given.c_str());
    }
    const std::string fallback = DefaultLogFolder(DataRoot_);
    LogTarget_ = InImportedFolder(fallback) ? std::string() : fallback;
    // "Protokoll nicht geschrieben: %s (%s)"
    if (LogTarget_.empty()) refused += (refused.empty() ? "" : "\r\n") +
                                       Format("Protokoll nicht geschrieben: %s (%s)", fallback.c_str(), kImported);
    return refused;
}

std::string CMERORVSDlg::LogFileNow() {
    if (LogTarget_.empty() || LogTarget_.back() != '\\') return LogTarget_;
    const std::tm t = LocalTime(system_.Now());
    return LogTarget_ + MonthlyLogName(t.tm_year + 1900, t.tm_mon + 1);
}

void CMERORVSDlg::SayLogFailure(bool written) {
    if (written || logFailureSaid_) return;
    // Said once; the run goes on as without a log. "Protokoll nicht geschrieben: %s"
    logFailureSaid_ = true;
    AppendStatusLine("Protokoll nicht geschrieben: " + LogTarget_);
}

void CMERORVSDlg::BeginRunLog() {
    if (log_.InBlock()) return;  // the download a trigger run started
    // The start line and the block's heading carry the same moment: a start
    // with no block after it is a run that never came to its end.
    const std::string when = Stamp(system_.Now());
    SayLogFailure(log_.Begin(LogFileNow(), when + "  Start: " + program_.fileName + " " + program_.version + ", PC " +
                                               MachineName() + ", Parameter: " + params_.CommandLine,
                             "=== " + when + "  " + program_.fileName + " " + program_.version));
    log_.Line("Parameter: " + params_.CommandLine);
    log_.Line("Ausgabe: " + OutputFolder_ + (BackupWanted_ ? "  Sicherung: " + BackupFolder_ : std::string()));
    log_.Line("Key: " + (KeyText_.empty() ? std::string("nicht erkannt") : KeyText_));
}

void CMERORVSDlg::LogEntry(const KeyFileEntry& entry, const TransferOutcome* outcome, const std::string& backupFolder) {
    // "Datei %s (%d Byte): gespeichert als %s, Sicherung %s" / "nicht angekommen" / "übergangen"
    std::string line = Format("Datei %s (%d Byte): ", entry.name.c_str(), entry.size);
    if (!outcome) line += "\xFC" "bergangen";
    else if (outcome->result != TransferResult::Stored) line += "nicht angekommen";
    else line += "gespeichert als " + outcome->storedPath;
    if (outcome && outcome->result == TransferResult::Stored && !backupFolder.empty())
        line += ", Sicherung " + backupFolder + outcome->storedPath.substr(outcome->storedPath.rfind('\\') + 1);
    log_.Line(line);
}

void CMERORVSDlg::EndRunLog(const char* endedBy) {
    if (!log_.InBlock()) return;
    // What ended the run: the close or the time limit, and what it found.
    std::string why = stopRequested_ && closedBy_ ? closedBy_ : "";
    if (endedBy) why += (why.empty() ? "" : ", ") + std::string(endedBy);
    log_.Line(Format("Ende: R\xFC" "ckgabewert %d", static_cast<int>(exitStatus_.load())) +
              (why.empty() ? std::string() : " (" + why + ")"));
    SayLogFailure(log_.Finish());
}

void CMERORVSDlg::LogCommand(const std::string& what) {
    const std::string file = LogFileNow();
    if (!file.empty()) SayLogFailure(RunLog::WriteLine(file, Stamp(system_.Now()) + "  " + what));
}
