#pragma once
// A view that records every control's state as the user would see it, starting
// from the dialog template's states. Like the real one, it carries out other
// threads' changes and reads on its own thread (the one that made it), through
// the same queue and in the same order: they wait until the test pumps them.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/TaskQueue.h"
#include "platform/View.h"

struct Row {
    std::string text;
    int entry = -1;
    bool selected = false;
};

struct ControlState {
    std::string text;
    bool enabled = true;
    bool visible = true;
    bool checked = false;
    std::vector<Row> rows;  // list box rows, sorted by text
    std::vector<std::string> items;  // combo box items
    int progress = 0;
};

class RecordingView : public IView {
public:
    RecordingView();

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

    // For the tests.
    ControlState Control(int id);
    std::vector<std::string> RowTexts(int id);
    void SelectRowAt(int id, size_t row, bool selected);  // as a user's click would
    bool TimerArmed(int timerId);
    int TimerPeriod(int timerId);
    bool Ended();
    int WaitCursorDepth();
    std::vector<std::string> Counters();  // every counter text in order
    void RunPosted();
    // Returns once a task is posted, or after the time given.
    void WaitForPosted(int milliseconds);

    Rect window{100, 50, 100 + 480, 50 + 400};
    std::atomic<bool> failStatusLines{false};  // appending to a control throws, as when memory runs out
    Rect desktop{0, 0, 1024, 768};

private:
    ControlState& At(int id);
    void Enqueue(std::function<void()> task, TaskQueue::Slot slot = 0);
    void Change(std::function<void()> task, TaskQueue::Slot slot = 0);
    // On this view's thread at once; from another thread in the queue's turn.
    template <typename F>
    auto Read(F f) -> decltype(f()) {
        if (std::this_thread::get_id() == uiThread_) return f();
        auto answer = std::make_shared<std::promise<decltype(f())>>();
        auto future = answer->get_future();
        Enqueue([answer, f] { answer->set_value(f()); });
        if (future.wait_for(std::chrono::seconds(20)) != std::future_status::ready)
            throw std::runtime_error("a read from a worker was never answered: the test does not pump");
        return future.get();
    }

    const std::thread::id uiThread_ = std::this_thread::get_id();
    TaskQueue queue_;
    std::mutex signalMutex_;
    bool queued_ = false;
    std::recursive_mutex m_;
    std::map<int, ControlState> controls_;
    std::string title_ = "MERO - OVA";
    std::map<int, int> timers_;
    bool ended_ = false;
    int waitCursor_ = 0;
    std::vector<std::string> counters_;
    std::condition_variable postedSignal_;
};
