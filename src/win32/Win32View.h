#pragma once
#include <windows.h>

#include <type_traits>

#include "platform/View.h"

// Messages by which other threads hand work to the dialog's thread.
constexpr UINT kRunTaskMessage = WM_APP + 1;   // lParam: std::function<void()>*, owned by the sender, which waits
constexpr UINT kPostTaskMessage = WM_APP + 2;  // lParam: new std::function<void()>, owned by the receiver

// The dialog's controls over their HWNDs. Calls from a worker are carried out
// on the user-interface thread, which a window's controls and timers need.
class Win32View : public IView {
public:
    explicit Win32View(HWND dialog) : dialog_(dialog), uiThread_(GetCurrentThreadId()) {}

    void SetText(int id, const std::string& text) override;
    std::string GetText(int id) override;
    void AppendText(int id, const std::string& text) override;
    void Enable(int id, bool enabled) override;
    void Show(int id, bool visible) override;
    void SetCheck(int id, bool checked) override;
    bool IsChecked(int id) override;
    void ListReset(int id) override;
    void ListAdd(int id, const std::string& text, int entryIndex) override;
    void ListSelectEntry(int id, int entryIndex, bool selected) override;
    std::vector<int> ListSelectedEntries(int id) override;
    void ComboAdd(int id, const std::string& text) override;
    void SetProgress(int id, int position) override;
    int GetProgress(int id) override;
    void SetTitle(const std::string& title) override;
    std::string GetTitle() override;
    Rect WindowRect() override;
    Rect DesktopRect() override;
    void MoveWindow(const Rect& r) override;
    void SetTimer(int timerId, int milliseconds) override;
    void KillTimer(int timerId) override;
    void Redraw(bool erase) override;
    void SetWaitCursor(bool on) override;
    void EndDialog() override;
    void Post(std::function<void()> task) override;

    bool WaitCursorShown() const { return waitCursor_ > 0; }

private:
    template <typename F>
    auto OnUiThread(F f) -> decltype(f()) {
        using Result = decltype(f());
        if (GetCurrentThreadId() == uiThread_) return f();
        if constexpr (std::is_void<Result>::value) {
            std::function<void()> task = f;
            SendMessageA(dialog_, kRunTaskMessage, 0, reinterpret_cast<LPARAM>(&task));
        } else {
            Result result{};
            std::function<void()> task = [&] { result = f(); };
            SendMessageA(dialog_, kRunTaskMessage, 0, reinterpret_cast<LPARAM>(&task));
            return result;
        }
    }
    HWND Item(int id) const { return GetDlgItem(dialog_, id); }

    HWND dialog_;
    DWORD uiThread_;
    int waitCursor_ = 0;
};
