#include "platform/TaskQueue.h"

#include <exception>

bool TaskQueue::Push(std::function<void()> task, Slot slot) {
    std::lock_guard<std::mutex> l(m_);
    if (slot != 0) {
        for (auto it = queue_.rbegin(); it != queue_.rend() && it->slot != 0; ++it) {
            if (it->slot != slot) continue;
            queue_.erase(std::next(it).base());
            break;
        }
    }
    queue_.push_back({std::move(task), slot});
    if (awake_) return false;
    awake_ = true;
    return true;
}

bool TaskQueue::Pop(std::function<void()>& task) {
    std::lock_guard<std::mutex> l(m_);
    if (queue_.empty()) {
        awake_ = false;
        return false;
    }
    task = std::move(queue_.front().task);
    queue_.pop_front();
    return true;
}

void TaskQueue::RunSlice(const std::function<bool()>& sliceOver, const std::function<void()>& resumeLater) {
    std::exception_ptr failure;
    std::function<void()> task;
    while (Pop(task)) {
        try {
            task();
        } catch (...) {
            if (!failure) failure = std::current_exception();
        }
        if (sliceOver()) {
            resumeLater();
            break;
        }
    }
    if (failure) std::rethrow_exception(failure);
}
