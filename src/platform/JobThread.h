#pragma once
// One job at a time on a thread of its own, kept for the jobs that follow:
// starting a thread took over a millisecond under Wine.
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

class JobThread {
public:
    // first runs on the new thread before any job (to set its priority, say).
    explicit JobThread(const std::function<void()>& first);
    // Waits for a job handed over, then ends the thread.
    ~JobThread();
    JobThread(const JobThread&) = delete;
    JobThread& operator=(const JobThread&) = delete;

    // Hands a job over; the one before must have been waited for. Without a
    // thread (none could be had) it runs here and now.
    void Start(std::function<void()> job);
    // Waits until the job handed over last has ended; throws what escaped it.
    void Wait();

private:
    void Run(const std::function<void()>& first);

    std::mutex m_;
    std::condition_variable changed_;
    std::function<void()> job_;
    std::exception_ptr escaped_;
    bool busy_ = false, quit_ = false;
    std::thread thread_;  // last: it starts once the rest is ready
};
