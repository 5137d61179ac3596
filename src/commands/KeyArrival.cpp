// A key plugged in after the start: when the last preparation found none, a
// device change prepares the key once the devices have settled. A key already
// identified is left alone, so a mouse plugged in changes nothing.
#include "app/MainDialog.h"

bool CMERORVSDlg::KeyArrivalDue() {
    if (Closing() || KeyIdentified_) return false;
    if (workerRunning_) {
        deviceChangePending_ = true;  // the worker owns the key until it ends
        return false;
    }
    return true;
}

void CMERORVSDlg::OnDeviceChange() {
    // Arming it again restarts the period: one preparation for a burst of changes.
    if (KeyArrivalDue()) view_.SetTimer(kDeviceSettleTimer, kDeviceSettleTime);
}

void CMERORVSDlg::OnDeviceSettled() {
    view_.KillTimer(kDeviceSettleTimer);
    if (KeyArrivalDue()) PrepareKey(true);
}
