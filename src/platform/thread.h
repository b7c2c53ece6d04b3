#pragma once

// A worker thread with its own manual-reset stop event. Destroying it asks the
// thread to stop and joins it: no thread outlives its owner, none is killed.

#include <functional>
#include <string>
#include <thread>

#include "platform/sync.h"

namespace platform {

class WorkerThread {
public:
    using Body = std::function<void(Event& stop)>;

    WorkerThread() = default;
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Starts the body on a new thread; the body returns when `stop` is set.
    // A thread already running is stopped and joined first.
    void Start(std::string name, Body body);
    void RequestStop() { m_stop.Set(); }
    void Join();
    // RequestStop and Join.
    void Stop();
    bool Running() const { return m_thread.joinable(); }
    Event& StopEvent() { return m_stop; }

private:
    Event m_stop{Event::ResetMode::Manual};
    std::thread m_thread;
};

// Sleeps for the given time unless the stop event is set first; false when stopped.
bool SleepUnlessStopped(Event& stop, Millis duration);

}  // namespace platform
