#pragma once
#include <windows.h>

#include <chrono>
#include <functional>
#include <future>
#include <map>
#include <memory>

#include "platform/TaskQueue.h"
#include "platform/View.h"

// The message by which other threads wake the dialog's thread to run their queued work.
constexpr UINT kRunQueueMessage = WM_APP + 1;
// The timer by which the rest of the queue follows input, paint and timers.
constexpr UINT_PTR kResumeQueueTimer = 0x5155;

// The dialog's controls over their HWNDs. Calls from a worker are carried out
// on the user-interface thread, which a window's controls and timers need:
// a change is queued and the worker goes on; a read waits for its turn.
class Win32View : public IView {
public:
    explicit Win32View(HWND dialog) : dialog_(dialog), uiThread_(GetCurrentThreadId()) {}
    // Queued work that never ran is dropped unrun.
    ~Win32View() override = default;
    Win32View(const Win32View&) = delete;
    Win32View& operator=(const Win32View&) = delete;

    void SetText(int id, const std::string& text) override;
    std::string GetText(int id) override;
    void AppendText(int id, const std::string& text) override;
    void Enable(int id, bool enabled) override;
    void Show(int id, bool visible) override;
    void SetCheck(int id, bool checked) override;
    bool IsChecked(int id) override;
    void ListReset(int id) override;
    void ListFill(int id, const std::vector<ListRow>& rows) override;
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

    // On kRunQueueMessage and kResumeQueueTimer: runs what other threads
    // queued, in order, in slices of 10 ms.
    void RunQueued();
    bool WaitCursorShown() const { return waitCursor_ > 0; }

private:
    bool OnUiThread() const { return GetCurrentThreadId() == uiThread_; }
    using Slot = TaskQueue::Slot;
    void Enqueue(std::function<void()> task, Slot slot = 0);
    // A change: at once on the user-interface thread, else queued. The task
    // owns everything it needs.
    void Change(std::function<void()> task, Slot slot = 0);
    // A read: at once on the user-interface thread, else after the calling
    // thread's queued changes, waiting for the answer.
    template <typename F>
    auto Read(F f) -> decltype(f()) {
        using Result = decltype(f());
        if (OnUiThread()) return f();
        auto answer = std::make_shared<std::promise<Result>>();
        std::future<Result> future = answer->get_future();
        Enqueue([answer, f] { answer->set_value(f()); });
        // A window that is gone answers nothing: the default then.
        while (future.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready)
            if (!IsWindow(dialog_)) return Result{};
        return future.get();
    }
    HWND Item(int id) const { return GetDlgItem(dialog_, id); }

    HWND dialog_;
    DWORD uiThread_;
    int waitCursor_ = 0;
    std::map<int, std::vector<int>> rowOfEntry_;  // list box id -> row of each entry; user-interface thread only
    TaskQueue queue_;
};
