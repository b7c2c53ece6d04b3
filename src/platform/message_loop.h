#pragma once

// The UI thread's loop: posted and sent messages to registered targets, posted
// tasks, and timers by (target, id). Timers deliver kMsgTimer with the timer id
// as wParam.
//
// The loop runs on its own (Run), or is driven by an outer event loop through
// the wake hook, RunPending and NextTimerUs (the Qt backend does this), or by a
// test on a virtual clock (TestMessageLoop).

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/clock.h"
#include "platform/messages.h"
#include "platform/sync.h"

namespace platform {

enum class TimerMode { Repeating, OneShot };

class MessageLoop {
public:
    // The loop belongs to the thread that creates it (or later calls Run).
    explicit MessageLoop(IClock& clock = CurrentClock());
    virtual ~MessageLoop();
    MessageLoop(const MessageLoop&) = delete;
    MessageLoop& operator=(const MessageLoop&) = delete;

    // Targets are registered and unregistered on the loop's thread. Unregistering
    // kills the target's timers; messages still queued for it are dropped.
    WindowHandle Register(IMessageTarget* target);
    void Unregister(WindowHandle handle);
    bool IsRegistered(WindowHandle handle) const;

    // From any thread. false when the target is unknown or the loop has quit.
    bool Post(WindowHandle target, uint32_t msg, uintptr_t wParam = 0, intptr_t lParam = 0);
    bool PostTask(std::function<void()> task);

    // On the loop's thread the target is called at once. From another thread the
    // caller blocks until the loop has handled the message, until `cancel` is set,
    // or until the loop shuts down; those last two return 0.
    intptr_t Send(WindowHandle target, uint32_t msg, uintptr_t wParam = 0, intptr_t lParam = 0,
                  Event* cancel = nullptr);

    // From any thread. Setting an existing (target, id) restarts it.
    void SetTimer(WindowHandle target, uintptr_t id, uint32_t intervalMs,
                  TimerMode mode = TimerMode::Repeating);
    void KillTimer(WindowHandle target, uintptr_t id);
    bool HasTimer(WindowHandle target, uintptr_t id) const;

    // Ends Run with the code; releases blocked senders and refuses new work.
    void Quit(int code = 0);
    bool QuitRequested() const;
    int QuitCode() const;
    // Releases every blocked sender and makes further cross-thread sends return 0
    // at once; used before joining worker threads that may be sending.
    void ReleaseSenders();

    // Runs the loop on the calling thread until Quit; returns the quit code.
    int Run();
    // Handles what is queued now and fires the timers that are due; returns the
    // number of items handled.
    size_t RunPending();
    // Handles work as it arrives (from other threads too) until `done` holds or
    // the real-time limit passes; true when `done` held.
    bool PumpUntil(const std::function<bool()>& done, Millis limit);
    // Due time of the earliest timer.
    std::optional<int64_t> NextTimerUs() const;

    // Called from any thread whenever new work arrives or timers change.
    void SetWakeHook(std::function<void()> hook);
    bool IsLoopThread() const { return std::this_thread::get_id() == m_thread.load(); }
    IClock& Clock() const { return m_clock; }

private:
    struct Item {
        WindowHandle target = kNoWindow;
        uint32_t msg = 0;
        uintptr_t wParam = 0;
        intptr_t lParam = 0;
        std::function<void()> task;
    };
    struct SendRecord {
        Item item;
        Event done{Event::ResetMode::Manual};
        intptr_t result = 0;
    };
    struct Timer {
        int64_t dueUs = 0;
        uint32_t intervalMs = 0;
        TimerMode mode = TimerMode::Repeating;
        uint64_t seq = 0;
    };
    using TimerKey = std::pair<WindowHandle, uintptr_t>;

    intptr_t Dispatch(const Item& item);
    bool FireOneDueTimer();
    void Wake();

    IClock& m_clock;
    std::atomic<std::thread::id> m_thread;

    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::unordered_map<WindowHandle, IMessageTarget*> m_targets;
    WindowHandle m_nextHandle = 1;
    std::deque<Item> m_posted;
    std::deque<std::shared_ptr<SendRecord>> m_sends;
    std::map<TimerKey, Timer> m_timers;
    uint64_t m_timerSeq = 0;
    bool m_quit = false;
    bool m_sendersReleased = false;
    int m_quitCode = 0;
    uint64_t m_workVersion = 0;
    std::function<void()> m_wakeHook;

    // Reused between rounds so a steady loop does not allocate.
    std::deque<Item> m_scratchPosted;
    std::deque<std::shared_ptr<SendRecord>> m_scratchSends;
};

// A loop on a virtual clock for tests: time moves only through Advance.
class TestMessageLoop : public MessageLoop {
public:
    explicit TestMessageLoop(VirtualClock& clock);
    // Moves the clock forward, firing due timers in time order and handling
    // posted messages on the way.
    void Advance(int64_t ms);

private:
    VirtualClock& m_virtualClock;
};

}  // namespace platform
