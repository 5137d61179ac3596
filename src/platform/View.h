#pragma once
// The dialog as the portable logic sees it: controls addressed by their dialog
// ids. Every operation may be called from any thread and is carried out on the
// user-interface thread. Called from another thread, a change returns at once
// and takes effect in order with that thread's earlier changes and posted
// tasks; a read waits for its answer, so a worker reads what it needs before
// its work starts.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct ListRow {
    std::string text;
    int entryIndex = -1;
};

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const Rect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

class IView {
public:
    virtual ~IView() = default;

    virtual void SetText(int id, const std::string& text) = 0;
    virtual std::string GetText(int id) = 0;
    // Appends at the end of an edit control without rewriting what it holds.
    virtual void AppendText(int id, const std::string& text) = 0;
    virtual void Enable(int id, bool enabled) = 0;
    virtual void Show(int id, bool visible) = 0;
    virtual void SetCheck(int id, bool checked) = 0;
    virtual bool IsChecked(int id) = 0;

    // List box rows carry the index of the entry they show, so a sorted list
    // box still traces every row back to its entry.
    virtual void ListReset(int id) = 0;
    // Empties the list box and fills it with these rows, in one step.
    virtual void ListFill(int id, const std::vector<ListRow>& rows) = 0;
    virtual void ListSelectEntry(int id, int entryIndex, bool selected) = 0;
    // Entry indices of the selected rows, in row order.
    virtual std::vector<int> ListSelectedEntries(int id) = 0;

    virtual void ComboAdd(int id, const std::string& text) = 0;

    virtual void SetProgress(int id, int position) = 0;
    virtual int GetProgress(int id) = 0;

    virtual void SetTitle(const std::string& title) = 0;
    virtual std::string GetTitle() = 0;
    virtual Rect WindowRect() = 0;
    virtual Rect DesktopRect() = 0;
    virtual void MoveWindow(const Rect& r) = 0;

    virtual void SetTimer(int timerId, int milliseconds) = 0;
    virtual void KillTimer(int timerId) = 0;
    // Repaints the whole dialog now; erase also repaints the background.
    virtual void Redraw(bool erase) = 0;
    virtual void SetWaitCursor(bool on) = 0;
    virtual void EndDialog() = 0;

    // Runs the task later on the user-interface thread; returns at once.
    virtual void Post(std::function<void()> task) = 0;
};
