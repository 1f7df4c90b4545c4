#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// Runs jobs one after another on a thread of its own, in the order they were posted, so that the
// editor's thread never waits for a disk: what a job writes it owns alone. Destroying the writer
// finishes every job posted before.
class BackgroundWriter {
public:
    BackgroundWriter();
    ~BackgroundWriter();
    BackgroundWriter(const BackgroundWriter&) = delete;
    BackgroundWriter& operator=(const BackgroundWriter&) = delete;

    void post(std::function<void()> job);
    // Returns once every job posted so far is done.
    void finish();

private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::function<void()>> m_jobs;
    bool m_bBusy = false;
    bool m_bStopping = false;
    std::thread m_thread;
};
