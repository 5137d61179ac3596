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

int RowOfEntry(HWND list, int entryIndex) {
    const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int row = 0; row < count; ++row)
        if (static_cast<int>(SendMessageA(list, LB_GETITEMDATA, row, 0)) == entryIndex) return row;
    return -1;
}
}  // namespace

void Win32View::SetText(int id, const std::string& text) {
    OnUiThread([&] { SetWindowTextA(Item(id), text.c_str()); });
}

std::string Win32View::GetText(int id) {
    return OnUiThread([&] { return WindowText(Item(id)); });
}

void Win32View::AppendText(int id, const std::string& text) {
    OnUiThread([&] {
        HWND edit = Item(id);
        const LPARAM end = GetWindowTextLengthA(edit);
        SendMessageA(edit, EM_SETSEL, static_cast<WPARAM>(end), end);
        SendMessageA(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    });
}

void Win32View::Enable(int id, bool enabled) {
    OnUiThread([&] { EnableWindow(Item(id), enabled ? TRUE : FALSE); });
}

void Win32View::Show(int id, bool visible) {
    OnUiThread([&] { ShowWindow(Item(id), visible ? SW_SHOW : SW_HIDE); });
}

void Win32View::SetCheck(int id, bool checked) {
    OnUiThread([&] { CheckDlgButton(dialog_, id, checked ? BST_CHECKED : BST_UNCHECKED); });
}

bool Win32View::IsChecked(int id) {
    return OnUiThread([&] { return IsDlgButtonChecked(dialog_, id) == BST_CHECKED; });
}

void Win32View::ListReset(int id) {
    OnUiThread([&] { SendMessageA(Item(id), LB_RESETCONTENT, 0, 0); });
}

void Win32View::ListAdd(int id, const std::string& text, int entryIndex) {
    OnUiThread([&] {
        const LRESULT row = SendMessageA(Item(id), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        if (row >= 0) SendMessageA(Item(id), LB_SETITEMDATA, static_cast<WPARAM>(row), entryIndex);
    });
}

void Win32View::ListSelectEntry(int id, int entryIndex, bool selected) {
    OnUiThread([&] {
        const int row = RowOfEntry(Item(id), entryIndex);
        if (row >= 0) SendMessageA(Item(id), LB_SETSEL, selected ? TRUE : FALSE, row);
    });
}

std::vector<int> Win32View::ListSelectedEntries(int id) {
    return OnUiThread([&] {
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
    OnUiThread([&] { SendMessageA(Item(id), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())); });
}

void Win32View::SetProgress(int id, int position) {
    OnUiThread([&] { SendMessageA(Item(id), PBM_SETPOS, static_cast<WPARAM>(position), 0); });
}

int Win32View::GetProgress(int id) {
    return OnUiThread([&] { return static_cast<int>(SendMessageA(Item(id), PBM_GETPOS, 0, 0)); });
}

void Win32View::SetTitle(const std::string& title) {
    OnUiThread([&] { SetWindowTextA(dialog_, title.c_str()); });
}

std::string Win32View::GetTitle() {
    return OnUiThread([&] { return WindowText(dialog_); });
}

Rect Win32View::WindowRect() {
    return OnUiThread([&] {
        RECT r{};
        GetWindowRect(dialog_, &r);
        return Rect{r.left, r.top, r.right, r.bottom};
    });
}

Rect Win32View::DesktopRect() {
    return OnUiThread([&] {
        RECT r{};
        GetClientRect(GetDesktopWindow(), &r);
        return Rect{r.left, r.top, r.right, r.bottom};
    });
}

void Win32View::MoveWindow(const Rect& r) {
    OnUiThread([&] { ::MoveWindow(dialog_, r.left, r.top, r.Width(), r.Height(), TRUE); });
}

void Win32View::SetTimer(int timerId, int milliseconds) {
    OnUiThread([&] { ::SetTimer(dialog_, static_cast<UINT_PTR>(timerId), static_cast<UINT>(milliseconds), nullptr); });
}

void Win32View::KillTimer(int timerId) {
    OnUiThread([&] { ::KillTimer(dialog_, static_cast<UINT_PTR>(timerId)); });
}

void Win32View::Redraw(bool erase) {
    // Erasing repaints the children too, so the start button shows its colour.
    const UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | (erase ? RDW_ERASE | RDW_ALLCHILDREN : 0);
    OnUiThread([&] { RedrawWindow(dialog_, nullptr, nullptr, flags); });
}

void Win32View::SetWaitCursor(bool on) {
    OnUiThread([&] {
        waitCursor_ += on ? 1 : -1;
        SetCursor(LoadCursor(nullptr, waitCursor_ > 0 ? IDC_WAIT : IDC_ARROW));
    });
}

void Win32View::EndDialog() {
    OnUiThread([&] { ::EndDialog(dialog_, IDCANCEL); });
}

void Win32View::Post(std::function<void()> task) {
    auto* owned = new std::function<void()>(std::move(task));
    if (!PostMessageA(dialog_, kPostTaskMessage, 0, reinterpret_cast<LPARAM>(owned))) delete owned;
}
