// Tells an empty key which data to fetch from the tachograph, follows its
// answers and, once it reports finished, copies the new files to the PC.
#include "workers/TriggerAnswers.h"

#include "app/MainDialog.h"
#include "platform/Text.h"
#include "res/resource.h"

int TriggerCodeOf(int triggerMode) {
    switch (triggerMode) {
        case 0: return 1;
        case 1: return 8;
        case 2: return 9;
        case 4: return 16;
        case 5: return 32;
        default: return 0;
    }
}

TriggerAnswer SendAnswer(int answer) {
    switch (answer) {
        case kTriggerError: return {Format("1 Triggerfehler %d", answer), true, false};
        case 0:
        case kTriggerBusy: return {Format("1 Trigger habe zu tun %d", answer), false, false};
        case kTriggerFinished: return {Format("1 Trigger bin fertig %d", answer), true, false};
        default: return {Format("1 Trigger unbekante Antwort %d", answer), true, false};
    }
}

TriggerAnswer PollAnswer(int answer) {
    switch (answer) {
        case kTriggerError: return {Format("2 Triggerfehler %d", answer), true, false};
        case kTriggerIdle: return {Format("2 Trigger mache nichts %d", answer), true, false};
        case kTriggerBusy: return {Format("2 Trigger habe zu tun %d", answer), false, false};
        case kTriggerFinished: return {Format("2 Trigger bin fertig %d", answer), true, true};
        default: return {Format("2 Trigger unbekante Antwort %d", answer), true, false};
    }
}

void CMERORVSDlg::SetTriggerStatus(const std::string& text) {
    // Shown in the status log; a key that keeps answering the same adds no lines.
    if (text == TriggerStatusText_) return;
    TriggerStatusText_ = text;
    AppendStatusLine(text);
    view_.Redraw(false);
}

void CMERORVSDlg::TriggerWorker() {
    BeginRunLog();
    log_.Line(Format("Auftrag an den Key: Modus %d", TriggerMode_));
    exitStatus_ = kExitNoDownload;  // unless the key finishes and its download runs
    IKeyLibrary* key = Library();
    if (!key) return;
    view_.SetTimer(kActivityTimer, 200);
    const int baudRate = ReadBaudRateChoice();
    ShowDownloadBusy();
    const std::uint32_t started = system_.TickCount();

    bool finished = false;
    bool firstPass = true;
    std::string running;
    while (!stopRequested_) {
        const int code = TriggerCodeOf(TriggerMode_);
        if (code == 0) break;
        if (firstPass) {
            key->KeySetBaudRate(baudRate);
            SetTriggerStatus(Format("Send Key: %d", code));
            const TriggerAnswer sent = SendAnswer(key->KeySendTrigger(code));
            running = Format("%s\r\n%s", running.c_str(), sent.line.c_str());
            SetTriggerStatus(running);
            if (sent.stop) break;
            firstPass = false;
        }
        system_.Sleep(200);
        const TriggerAnswer polled = PollAnswer(key->KeyPollTrigger());
        SetTriggerStatus(Format("Ret \r\n%s", polled.line.c_str()));
        system_.Sleep(1000);
        if (polled.stop) {
            finished = polled.finished;
            break;
        }
    }

    system_.DebugOutput(Format("%i\n", static_cast<int>(system_.TickCount() - started)));
    view_.SetProgress(IDC_PROGRESS, 100);
    view_.KillTimer(kActivityTimer);
    view_.SetProgress(IDC_PROGRESS, 0);
    SetTriggerStatus("Reset Key");
    key->KeyReset();
    system_.Sleep(1000);
    if (!finished || stopRequested_) return;
    key->KeyReset();
    SetTriggerStatus("ReInit Key");
    system_.Sleep(500);
    // The download takes over on this thread, at the download's priority.
    system_.LowerCurrentThreadPriority();
    DownloadWorker();
}
