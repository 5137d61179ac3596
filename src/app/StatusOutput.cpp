// Status log, counter, busy look of the start button, timers and the
// progress animation.
#include "app/MainDialog.h"
#include "res/resource.h"

void CMERORVSDlg::AppendStatusLine(const std::string& message) {
    if (message.empty()) return;
    log_.Line(message);
    // Appending at the end keeps the cost per line constant however long the
    // log grows; the text is the same as rewriting it whole.
    view_.AppendText(IDC_STATUS_LOG, "\r\n" + message);
}

void CMERORVSDlg::SetCounterText(const std::string& text) { view_.SetText(IDC_COUNTER, text); }

void CMERORVSDlg::ShowDownloadBusy() {
    if (CompactMode_) return;
    view_.Enable(IDC_START, false);
    startButton_.FaceColor = kWhite;
    view_.Redraw(true);
}

void CMERORVSDlg::ShowDownloadIdle() {
    // Colour first: enabling repaints the button, and it must not paint white.
    startButton_.FaceColor = kSilver;
    view_.Enable(IDC_START, true);
}

void CMERORVSDlg::ClearDisplay() {
    // The running worker walks the file list; it is not emptied under it.
    if (RefusedWhileWorkerRuns()) return;
    view_.SetText(IDC_STATUS_LOG, "");
    KeyFileList_.clear();
    view_.ListReset(IDC_FILE_LIST);
}

void CMERORVSDlg::OnTimer(int timerId) {
    switch (timerId) {
        case kActivityTimer:
            view_.KillTimer(kActivityTimer);
            StepProgressAnimation();
            view_.SetTimer(kActivityTimer, 200);
            break;
        case kStartupTimer:
            view_.KillTimer(kStartupTimer);
            PrepareKey();
            break;
        case kTimeLimitTimer:
            if (!closedBy_) closedBy_ = "Zeitlimit";
            OnCancel();
            break;
        case kDeviceSettleTimer:
            OnDeviceSettled();
            break;
        case kCloseGraceTimer:
            OnCloseGraceEnded();
            break;
        default:
            break;
    }
}

void CMERORVSDlg::StepProgressAnimation() {
    int p = view_.GetProgress(IDC_PROGRESS);
    if (ProgressCountingUp_) {
        if (++p > 100) p = 0;
    } else if (--p <= 0) {
        ProgressCountingUp_ = true;
        p = 0;
    }
    view_.SetProgress(IDC_PROGRESS, p);
    view_.Redraw(false);
}
