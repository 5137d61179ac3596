#include "platform/JobThread.h"

#include <system_error>
#include <utility>

JobThread::JobThread(const std::function<void()>& first) {
    try {
        thread_ = std::thread([this, first] { Run(first); });
    } catch (const std::system_error&) {
        // No thread to be had: the jobs run on the caller's.
    }
}

JobThread::~JobThread() {
    {
        const std::lock_guard<std::mutex> l(m_);
        quit_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void JobThread::Start(std::function<void()> job) {
    if (!thread_.joinable()) {
        job();
        return;
    }
    {
        const std::lock_guard<std::mutex> l(m_);
        job_ = std::move(job);
        busy_ = true;
    }
    changed_.notify_all();
}

void JobThread::Wait() {
    std::unique_lock<std::mutex> l(m_);
    changed_.wait(l, [this] { return !busy_; });
    if (escaped_) std::rethrow_exception(std::exchange(escaped_, nullptr));
}

void JobThread::Run(const std::function<void()>& first) {
    try {
        first();
    } catch (...) {
        // A priority, say: the jobs run without it.
    }
    std::unique_lock<std::mutex> l(m_);
    for (;;) {
        changed_.wait(l, [this] { return busy_ || quit_; });
        if (!busy_) return;
        const std::function<void()> job = std::move(job_);
        l.unlock();
        std::exception_ptr escaped;
        try {
            job();
        } catch (...) {
            escaped = std::current_exception();  // nothing may leave a thread
        }
        l.lock();
        escaped_ = escaped;
        busy_ = false;
        changed_.notify_all();
    }
}
