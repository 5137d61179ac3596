// The radio group that chooses what "Download starten" does, and the
// baud-rate choice.
#include "commands/BaudRate.h"

#include "app/MainDialog.h"
#include "platform/Text.h"
#include "res/resource.h"

namespace {
// Group order: the value of a button is its index here.
const int kModeButtons[6] = {IDC_KEY_1, IDC_KEY_2, IDC_KEY_1_2, IDC_KEY_TO_PC, IDC_KEY_4, IDC_KEY_5};
}  // namespace

int CMERORVSDlg::ReadModeButtons() {
    for (int value = 0; value < 6; ++value)
        if (view_.IsChecked(kModeButtons[value])) return value;
    return -1;
}

void CMERORVSDlg::WriteModeButtons(int mode) {
    for (int value = 0; value < 6; ++value) view_.SetCheck(kModeButtons[value], value == mode);
}

void CMERORVSDlg::UpdateStartButton() {
    SelectedMode_ = ReadModeButtons();
    // A click during a run must not offer a second start.
    if (RefusedWhileWorkerRuns()) return;
    view_.SetText(IDC_START, "Download starten");
    view_.Enable(IDC_START, true);
    view_.Redraw(true);
}

int BaudRateIndex(const std::string& text) {
    const size_t bar = text.find('|');
    if (text.empty() || bar == std::string::npos || bar == 0) return 0;
    const long long index = LeadingInteger(text.substr(0, bar));
    return index > 0x7FFFFFFF || index < -0x7FFFFFFF ? 0 : static_cast<int>(index);
}

int CMERORVSDlg::ReadBaudRateChoice() { return BaudRateIndex(view_.GetText(IDC_BAUD_RATE)); }
