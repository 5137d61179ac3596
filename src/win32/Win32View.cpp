#include "win32/Win32View.h"

#include <commctrl.h>


namespace {
std::string WindowText(HWND h) {
    const int length = GetWindowTextLengthA(h);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const int got = GetWindowTextA(h, &text[0], length + 1);
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return text;
}

}  // namespace

void Win32View::Enqueue(std::function<void()> task, Slot slot) {
    // One wake-up for a run of tasks; a window that is gone leaves them queued.
    if (queue_.Push(std::move(task), slot)) PostMessageA(dialog_, kRunQueueMessage, 0, 0);
}

void Win32View::RunQueued() {
    // A slice at a time, so the window keeps answering while a worker is busy.
    ::KillTimer(dialog_, kResumeQueueTimer);
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(10);
    queue_.RunSlice([until] { return std::chrono::steady_clock::now() >= until; },
                    [this] {
                        // A posted message comes before input, paint and timers: while any
                        // of those wait, the rest follows from a timer, which comes after them.
                        if (HIWORD(GetQueueStatus(QS_INPUT | QS_PAINT | QS_TIMER)) != 0)
                            ::SetTimer(dialog_, kResumeQueueTimer, USER_TIMER_MINIMUM, nullptr);
                        else
                            PostMessageA(dialog_, kRunQueueMessage, 0, 0);
                    });
}

void Win32View::Change(std::function<void()> task, Slot slot) {
    if (OnUiThread()) task();
    else Enqueue(std::move(task), slot);
}

void Win32View::SetText(int id, const std::string& text) {
    Change([this, id, text] { SetWindowTextA(Item(id), text.c_str()); }, TaskQueue::SlotOf(TaskQueue::kTextSlot, id));
}

std::string Win32View::GetText(int id) {
    return Read([this, id] { return WindowText(Item(id)); });
}

void Win32View::AppendText(int id, const std::string& text) {
    Change([this, id, text] {
        HWND edit = Item(id);
        const LPARAM end = GetWindowTextLengthA(edit);
        SendMessageA(edit, EM_SETSEL, static_cast<WPARAM>(end), end);
        SendMessageA(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    });
}

void Win32View::Enable(int id, bool enabled) {
    Change([this, id, enabled] { EnableWindow(Item(id), enabled ? TRUE : FALSE); },
           TaskQueue::SlotOf(TaskQueue::kEnabledSlot, id));
}

void Win32View::Show(int id, bool visible) {
    Change([this, id, visible] { ShowWindow(Item(id), visible ? SW_SHOW : SW_HIDE); });
}

void Win32View::SetCheck(int id, bool checked) {
    Change([this, id, checked] { CheckDlgButton(dialog_, id, checked ? BST_CHECKED : BST_UNCHECKED); });
}

bool Win32View::IsChecked(int id) {
    return Read([this, id] { return IsDlgButtonChecked(dialog_, id) == BST_CHECKED; });
}

void Win32View::ListReset(int id) {
    Change([this, id] {
        SendMessageA(Item(id), LB_RESETCONTENT, 0, 0);
        rowOfEntry_.erase(id);
    });
}

void Win32View::ListFill(int id, const std::vector<ListRow>& rows) {
    Change([this, id, rows] {
        HWND list = Item(id);
        // No repaint per row: the list box shows the whole directory at once.
        SendMessageA(list, WM_SETREDRAW, FALSE, 0);
        SendMessageA(list, LB_RESETCONTENT, 0, 0);
        SendMessageA(list, LB_INITSTORAGE, rows.size(), 64 * rows.size());
        for (const ListRow& r : rows) {
            const LRESULT row = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(r.text.c_str()));
            if (row >= 0) SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(row), r.entryIndex);
        }
        // Where each entry's row landed in the sorted list, once, not per selection.
        std::vector<int>& rowOf = rowOfEntry_[id];
        rowOf.assign(rows.size(), -1);
        for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
            const LRESULT entry = SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(row), 0);
            if (entry >= 0 && static_cast<size_t>(entry) < rowOf.size()) rowOf[static_cast<size_t>(entry)] = row;
        }
        SendMessageA(list, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list, nullptr, TRUE);
    });
}

void Win32View::ListSelectEntry(int id, int entryIndex, bool selected) {
    Change([this, id, entryIndex, selected] {
        const auto rows = rowOfEntry_.find(id);
        if (rows == rowOfEntry_.end() || entryIndex < 0 || static_cast<size_t>(entryIndex) >= rows->second.size())
            return;
        const int row = rows->second[static_cast<size_t>(entryIndex)];
        if (row >= 0) SendMessageA(Item(id), LB_SETSEL, selected ? TRUE : FALSE, row);
    }, TaskQueue::SlotOf(TaskQueue::kSelectionSlot, id, entryIndex));
}

std::vector<int> Win32View::ListSelectedEntries(int id) {
    return Read([this, id] {
        HWND list = Item(id);
        const LRESULT count = SendMessageA(list, LB_GETSELCOUNT, 0, 0);
        std::vector<int> rows(count > 0 ? static_cast<size_t>(count) : 0);
        if (!rows.empty())
            SendMessageA(list, LB_GETSELITEMS, rows.size(), reinterpret_cast<LPARAM>(rows.data()));
        std::vector<int> entries;
        for (int row : rows) entries.push_back(static_cast<int>(SendMessageA(list, LB_GETITEMDATA, row, 0)));
        return entries;
    });
}

void Win32View::ComboAdd(int id, const std::string& text) {
    Change([this, id, text] { SendMessageA(Item(id), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())); });
}

void Win32View::SetProgress(int id, int position) {
    Change([this, id, position] { SendMessageA(Item(id), PBM_SETPOS, static_cast<WPARAM>(position), 0); },
           TaskQueue::SlotOf(TaskQueue::kProgressSlot, id));
}

int Win32View::GetProgress(int id) {
    return Read([this, id] { return static_cast<int>(SendMessageA(Item(id), PBM_GETPOS, 0, 0)); });
}

void Win32View::SetTitle(const std::string& title) {
    Change([this, title] { SetWindowTextA(dialog_, title.c_str()); });
}

std::string Win32View::GetTitle() {
    return Read([this] { return WindowText(dialog_); });
}

Rect Win32View::WindowRect() {
    return Read([this] {
        RECT r{};
        GetWindowRect(dialog_, &r);
        return Rect{r.left, r.top, r.right, r.bottom};
    });
}

Rect Win32View::DesktopRect() {
    return Read([] {
        RECT r{};
        GetClientRect(GetDesktopWindow(), &r);
        return Rect{r.left, r.top, r.right, r.bottom};
    });
}

void Win32View::MoveWindow(const Rect& r) {
    Change([this, r] { ::MoveWindow(dialog_, r.left, r.top, r.Width(), r.Height(), TRUE); });
}

void Win32View::SetTimer(int timerId, int milliseconds) {
    Change([this, timerId, milliseconds] {
        ::SetTimer(dialog_, static_cast<UINT_PTR>(timerId), static_cast<UINT>(milliseconds), nullptr);
    });
}

void Win32View::KillTimer(int timerId) {
    Change([this, timerId] { ::KillTimer(dialog_, static_cast<UINT_PTR>(timerId)); });
}

void Win32View::Redraw(bool erase) {
    // Erasing repaints the children too, so the start button shows its colour.
    const UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | (erase ? RDW_ERASE | RDW_ALLCHILDREN : 0);
    Change([this, flags] { RedrawWindow(dialog_, nullptr, nullptr, flags); });
}

void Win32View::SetWaitCursor(bool on) {
    Change([this, on] {
        waitCursor_ += on ? 1 : -1;
        SetCursor(LoadCursor(nullptr, waitCursor_ > 0 ? IDC_WAIT : IDC_ARROW));
    });
}

void Win32View::EndDialog() {
    Change([this] { ::EndDialog(dialog_, IDCANCEL); });
}

void Win32View::Post(std::function<void()> task) { Enqueue(std::move(task)); }
