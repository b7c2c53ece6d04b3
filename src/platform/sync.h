#pragma once

// Events, locks and waits. Every blocking wait in the program can be woken by
// an event, so every worker can be stopped without killing a thread.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <span>
#include <vector>

namespace platform {

// Milliseconds for waits; kInfinite waits until an event is set.
using Millis = std::chrono::milliseconds;
inline constexpr Millis kInfinite{-1};
inline constexpr int kWaitTimeout = -1;

// A lock the same thread may take again, where a locked section calls code that
// takes it too.
using CriticalSection = std::recursive_mutex;

// One waiting thread's wake-up flag. Events (and the virtual clock) set it.
class Waiter {
public:
    void Wake();
    // Waits until woken or the deadline; clears the flag. false on time-out.
    bool WaitUntil(std::chrono::steady_clock::time_point deadline);
    void Wait();

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_woken = false;
};

class Event {
public:
    enum class ResetMode { Manual, Auto };

    explicit Event(ResetMode mode = ResetMode::Manual, bool initiallySet = false);
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    void Reset();
    bool IsSet() const;

    // true when the event was (or became) set within the time-out. An auto-reset
    // event is cleared by the one wait that takes it.
    bool Wait(Millis timeout = kInfinite);

    // Used by the waits: take the event if set (clearing an auto-reset one).
    bool TryTake();
    void AddWaiter(Waiter* waiter);
    void RemoveWaiter(Waiter* waiter);

private:
    mutable std::mutex m_mutex;
    std::vector<Waiter*> m_waiters;
    ResetMode m_mode;
    bool m_set;
};

// Index of the first event that is set (taking it), or kWaitTimeout.
int WaitForAny(std::span<Event* const> events, Millis timeout);
inline int WaitForAny(std::initializer_list<Event*> events, Millis timeout) {
    return WaitForAny(std::span<Event* const>(events.begin(), events.size()), timeout);
}

}  // namespace platform
