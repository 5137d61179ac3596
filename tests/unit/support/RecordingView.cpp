#include "RecordingView.h"

#include <algorithm>
#include <chrono>
#include <cctype>
#include <future>
#include <new>
#include <stdexcept>
#include <thread>

#include "res/resource.h"

namespace {
bool LessNoCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
    });
}
}  // namespace

RecordingView::RecordingView() {
    // The dialog template's captions and styles.
    const std::pair<int, const char*> captions[] = {
        {IDC_CANCEL, "Abbrechen"}, {IDC_KEY_1, "IDC_Key_1"}, {IDC_KEY_2, "IDC_Key_2"},
        {IDC_KEY_1_2, "IDC_Key_1_2"}, {IDC_KEY_TO_PC, "RVT-Daten -> PC"}, {IDC_KEY_4, "IDC_Key_4"},
        {IDC_KEY_5, "IDC_Key_5"}, {IDC_STATUS_LABEL, "STATUS"}, {IDC_INIT_KEY, "Init MERO Key"},
        {IDC_START, "Download starten"}, {IDC_DIRECTORY, "Verzeichnisliste"},
        {IDC_DELETE_FILES, "Key Datei l\xF6schen"}, {IDC_FORMAT, "Key formatieren"},
        {IDC_CLEAR_DISPLAY, "Anzeige l\xF6schen"}, {IDC_TEST, "Test"}, {IDC_PREPARE_KEY, "Key vorbereiten"},
        {IDC_COUNTER, "Download 0 - 0"}, {IDC_SERIAL, "SN:"}, {IDC_DELETE_AFTER, "Daten von Key l\xF6schen"},
        {IDC_STATUS_LOG, ""}, {IDC_OUTPUT_LABEL, ""}, {IDC_BAUD_RATE, ""}, {IDC_PROGRESS, ""},
        {IDC_FILE_LIST, ""}};
    for (const auto& c : captions) controls_[c.first].text = c.second;
    for (int id : {IDC_KEY_1, IDC_KEY_2, IDC_KEY_1_2, IDC_KEY_TO_PC, IDC_KEY_4, IDC_KEY_5})
        controls_[id].enabled = false;
    for (int id : {IDC_STATUS_LABEL, IDC_INIT_KEY, IDC_DIRECTORY, IDC_DELETE_FILES, IDC_FORMAT})
        controls_[id].visible = false;
}

ControlState& RecordingView::At(int id) { return controls_[id]; }

void RecordingView::SetText(int id, const std::string& text) {
    Change([=] {
        std::lock_guard<std::recursive_mutex> l(m_);
        At(id).text = text;
        if (id == IDC_COUNTER) counters_.push_back(text);
    }, TaskQueue::SlotOf(TaskQueue::kTextSlot, id));
}
std::string RecordingView::GetText(int id) {
    return Read([=] {
        std::lock_guard<std::recursive_mutex> l(m_);
        return At(id).text;
    });
}
void RecordingView::AppendText(int id, const std::string& text) {
    if (failStatusLines) throw std::bad_alloc();
    Change([=] {
        std::lock_guard<std::recursive_mutex> l(m_);
        At(id).text += text;
    });
}
void RecordingView::Enable(int id, bool enabled) {
    Change([=] {
        std::lock_guard<std::recursive_mutex> l(m_);
        At(id).enabled = enabled;
    }, TaskQueue::SlotOf(TaskQueue::kEnabledSlot, id));
}
void RecordingView::Show(int id, bool visible) {
    Change([=] {
        std::lock_guard<std::recursive_mutex> l(m_);
        At(id).visible = visible;
    });
}
void RecordingView::SetCheck(int id, bool checked) {
    Change([=] {
        std::lock_guard<std::recursive_mutex> l(m_);
        At(id).checked = checked;
    });
}
bool RecordingView::IsChecked(int id) {
    return Read([=] {
        std::lock_guard<std::recursive_mutex> l(m_);
        return At(id).checked;
    });
}
void RecordingView::ListReset(int id) {
    Change([=] {
        std::lock_guard<std::recursive_mutex> l(m_);
        At(id).rows.clear();
    });
}
void RecordingView::ListFill(int id, const std::vector<ListRow>& fill) {
    Change([=] {
        std::lock_guard<std::recursive_mutex> l(m_);
        auto& rows = At(id).rows;
        rows.clear();
        for (const ListRow& row : fill) {
            auto at = std::upper_bound(rows.begin(), rows.end(), row.text,
                                       [](const std::string& t, const Row& r) { return LessNoCase(t, r.text); });
            rows.insert(at, Row{row.text, row.entryIndex, false});
        }
    });
}
void RecordingView::ListSelectEntry(int id, int entryIndex, bool selected) {
    Change([=] {
        std::lock_guard<std::recursive_mutex> l(m_);
        for (Row& r : At(id).rows)
            if (r.entry == entryIndex) r.selected = selected;
    }, TaskQueue::SlotOf(TaskQueue::kSelectionSlot, id, entryIndex));
}
std::vector<int> RecordingView::ListSelectedEntries(int id) {
    return Read([=] {
        std::lock_guard<std::recursive_mutex> l(m_);
        std::vector<int> entries;
        for (const Row& r : At(id).rows)
            if (r.selected) entries.push_back(r.entry);
        return entries;
    });
}
void RecordingView::ComboAdd(int id, const std::string& text) {
    Change([=] {
        std::lock_guard<std::recursive_mutex> l(m_);
        At(id).items.push_back(text);
    });
}
void RecordingView::SetProgress(int id, int position) {
    Change([=] {
        std::lock_guard<std::recursive_mutex> l(m_);
        At(id).progress = std::max(0, std::min(100, position));
    }, TaskQueue::SlotOf(TaskQueue::kProgressSlot, id));
}
int RecordingView::GetProgress(int id) {
    return Read([=] {
        std::lock_guard<std::recursive_mutex> l(m_);
        return At(id).progress;
    });
}
void RecordingView::SetTitle(const std::string& title) {
    Change([=] {
        std::lock_guard<std::recursive_mutex> l(m_);
        title_ = title;
    });
}
std::string RecordingView::GetTitle() {
    return Read([=] {
        std::lock_guard<std::recursive_mutex> l(m_);
        return title_;
    });
}
Rect RecordingView::WindowRect() {
    return Read([=] {
        std::lock_guard<std::recursive_mutex> l(m_);
        return window;
    });
}
Rect RecordingView::DesktopRect() {
    return Read([=] {
        std::lock_guard<std::recursive_mutex> l(m_);
        return desktop;
    });
}
void RecordingView::MoveWindow(const Rect& r) {
    Change([=] {
        std::lock_guard<std::recursive_mutex> l(m_);
        window = r;
    });
}
void RecordingView::SetTimer(int timerId, int milliseconds) {
    Change([=] {
        std::lock_guard<std::recursive_mutex> l(m_);
        timers_[timerId] = milliseconds;
    });
}
void RecordingView::KillTimer(int timerId) {
    Change([=] {
        std::lock_guard<std::recursive_mutex> l(m_);
        timers_.erase(timerId);
    });
}
void RecordingView::Redraw(bool) {}
void RecordingView::SetWaitCursor(bool on) {
    Change([=] {
        std::lock_guard<std::recursive_mutex> l(m_);
        waitCursor_ += on ? 1 : -1;
    });
}
void RecordingView::EndDialog() {
    Change([=] {
        std::lock_guard<std::recursive_mutex> l(m_);
        ended_ = true;
    });
}
void RecordingView::Post(std::function<void()> task) { Enqueue(std::move(task)); }

void RecordingView::Enqueue(std::function<void()> task, TaskQueue::Slot slot) {
    queue_.Push(std::move(task), slot);
    std::lock_guard<std::mutex> l(signalMutex_);
    queued_ = true;
    postedSignal_.notify_all();
}

void RecordingView::Change(std::function<void()> task, TaskQueue::Slot slot) {
    if (std::this_thread::get_id() == uiThread_) task();
    else Enqueue(std::move(task), slot);
}

void RecordingView::WaitForPosted(int milliseconds) {
    std::unique_lock<std::mutex> l(signalMutex_);
    postedSignal_.wait_for(l, std::chrono::milliseconds(milliseconds), [this] { return queued_; });
}

ControlState RecordingView::Control(int id) {
    std::lock_guard<std::recursive_mutex> l(m_);
    return At(id);
}
std::vector<std::string> RecordingView::RowTexts(int id) {
    std::lock_guard<std::recursive_mutex> l(m_);
    std::vector<std::string> texts;
    for (const Row& r : At(id).rows) texts.push_back(r.text);
    return texts;
}
void RecordingView::SelectRowAt(int id, size_t row, bool selected) {
    std::lock_guard<std::recursive_mutex> l(m_);
    At(id).rows.at(row).selected = selected;
}
bool RecordingView::TimerArmed(int timerId) {
    std::lock_guard<std::recursive_mutex> l(m_);
    return timers_.count(timerId) != 0;
}
int RecordingView::TimerPeriod(int timerId) {
    std::lock_guard<std::recursive_mutex> l(m_);
    auto it = timers_.find(timerId);
    return it == timers_.end() ? -1 : it->second;
}
bool RecordingView::Ended() {
    std::lock_guard<std::recursive_mutex> l(m_);
    return ended_;
}
int RecordingView::WaitCursorDepth() {
    std::lock_guard<std::recursive_mutex> l(m_);
    return waitCursor_;
}
std::vector<std::string> RecordingView::Counters() {
    std::lock_guard<std::recursive_mutex> l(m_);
    return counters_;
}
void RecordingView::RunPosted() {
    {
        std::lock_guard<std::mutex> l(signalMutex_);
        queued_ = false;
    }
    queue_.RunSlice([] { return false; }, [] {});
}
