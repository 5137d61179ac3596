#pragma once
// Work that other threads hand to the user-interface thread, run there in the
// order it was handed over. A change names the slot it sets (a control's
// text, a row's selection): a later change of the same slot drops an earlier
// one that has not run yet, unless a task that names no slot (a status line,
// a list reset, a read, a posted task) stands between them.
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

class TaskQueue {
public:
    using Slot = std::uint64_t;  // 0: no slot
    // What a change of a control sets.
    enum SlotKind { kTextSlot = 1, kEnabledSlot, kSelectionSlot, kProgressSlot };
    static Slot SlotOf(int kind, int id, int entry = 0) {
        return (Slot(std::uint16_t(kind)) << 48) | (Slot(std::uint16_t(id)) << 32) | std::uint32_t(entry);
    }

    // Any thread. True when the queue was idle: the caller wakes the consumer.
    bool Push(std::function<void()> task, Slot slot = 0);
    // The consumer: the oldest task, or false when none is left; the queue
    // is idle then until the next Push.
    bool Pop(std::function<void()>& task);
    // The consumer: runs tasks in order until none is left, or until
    // sliceOver() answers true after one; then resumeLater() arranges for the
    // rest. A task that throws does not drop the ones behind it (a worker's
    // last task ends its run); the first failure is rethrown at the end.
    void RunSlice(const std::function<bool()>& sliceOver, const std::function<void()>& resumeLater);

private:
    struct Queued {
        std::function<void()> task;
        Slot slot;
    };
    std::mutex m_;
    std::deque<Queued> queue_;
    bool awake_ = false;
};
