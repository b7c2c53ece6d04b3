#include "platform/message_loop.h"

#include <algorithm>

#include "platform/trace.h"

namespace platform {

MessageLoop::MessageLoop(IClock& clock) : m_clock(clock), m_thread(std::this_thread::get_id()) {}

MessageLoop::~MessageLoop() {
    ReleaseSenders();
}

WindowHandle MessageLoop::Register(IMessageTarget* target) {
    std::lock_guard lock(m_mutex);
    const WindowHandle handle = m_nextHandle++;
    m_targets.emplace(handle, target);
    return handle;
}

void MessageLoop::Unregister(WindowHandle handle) {
    std::lock_guard lock(m_mutex);
    m_targets.erase(handle);
    std::erase_if(m_timers, [handle](const auto& entry) { return entry.first.first == handle; });
}

bool MessageLoop::IsRegistered(WindowHandle handle) const {
    std::lock_guard lock(m_mutex);
    return m_targets.contains(handle);
}

bool MessageLoop::Post(WindowHandle target, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
    {
        std::lock_guard lock(m_mutex);
        if (m_quit || !m_targets.contains(target)) {
            return false;
        }
        m_posted.push_back(Item{target, msg, wParam, lParam, {}});
        ++m_workVersion;
    }
    Wake();
    return true;
}

bool MessageLoop::PostTask(std::function<void()> task) {
    {
        std::lock_guard lock(m_mutex);
        if (m_quit) {
            return false;
        }
        m_posted.push_back(Item{kNoWindow, 0, 0, 0, std::move(task)});
        ++m_workVersion;
    }
    Wake();
    return true;
}

intptr_t MessageLoop::Send(WindowHandle target, uint32_t msg, uintptr_t wParam, intptr_t lParam,
                           Event* cancel) {
    if (IsLoopThread()) {
        return Dispatch(Item{target, msg, wParam, lParam, {}});
    }
    auto record = std::make_shared<SendRecord>();
    record->item = Item{target, msg, wParam, lParam, {}};
    {
        std::lock_guard lock(m_mutex);
        if (m_quit || m_sendersReleased || !m_targets.contains(target)) {
            return 0;
        }
        m_sends.push_back(record);
        ++m_workVersion;
    }
    Wake();
    if (cancel != nullptr) {
        WaitForAny({&record->done, cancel}, kInfinite);
    } else {
        record->done.Wait();
    }
    // The loop writes the result before setting `done`; a cancelled send reads 0
    // unless the handler already finished.
    std::lock_guard lock(m_mutex);
    return record->result;
}

void MessageLoop::SetTimer(WindowHandle target, uintptr_t id, uint32_t intervalMs, TimerMode mode) {
    {
        std::lock_guard lock(m_mutex);
        const uint32_t interval = std::max<uint32_t>(intervalMs, 1);
        m_timers[{target, id}] = Timer{m_clock.NowUs() + static_cast<int64_t>(interval) * 1000,
                                       interval, mode, m_timerSeq++};
        ++m_workVersion;
    }
    Wake();
}

void MessageLoop::KillTimer(WindowHandle target, uintptr_t id) {
    std::lock_guard lock(m_mutex);
    m_timers.erase({target, id});
}

bool MessageLoop::HasTimer(WindowHandle target, uintptr_t id) const {
    std::lock_guard lock(m_mutex);
    return m_timers.contains({target, id});
}

void MessageLoop::Quit(int code) {
    {
        std::lock_guard lock(m_mutex);
        if (!m_quit) {
            m_quitCode = code;
        }
        m_quit = true;
        ++m_workVersion;
    }
    ReleaseSenders();
    m_cv.notify_all();
    Wake();
}

bool MessageLoop::QuitRequested() const {
    std::lock_guard lock(m_mutex);
    return m_quit;
}

int MessageLoop::QuitCode() const {
    std::lock_guard lock(m_mutex);
    return m_quitCode;
}

void MessageLoop::ReleaseSenders() {
    std::deque<std::shared_ptr<SendRecord>> pending;
    {
        std::lock_guard lock(m_mutex);
        m_sendersReleased = true;
        pending.swap(m_sends);
    }
    for (auto& record : pending) {
        record->done.Set();
    }
}

void MessageLoop::SetWakeHook(std::function<void()> hook) {
    std::lock_guard lock(m_mutex);
    m_wakeHook = std::move(hook);
}

void MessageLoop::Wake() {
    std::function<void()> hook;
    {
        std::lock_guard lock(m_mutex);
        hook = m_wakeHook;
    }
    m_cv.notify_all();
    if (hook) {
        hook();
    }
}

intptr_t MessageLoop::Dispatch(const Item& item) {
    if (item.task) {
        item.task();
        return 0;
    }
    IMessageTarget* target = nullptr;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_targets.find(item.target);
        if (it == m_targets.end()) {
            return 0;
        }
        target = it->second;
    }
    return target->HandleMessage(item.msg, item.wParam, item.lParam);
}

bool MessageLoop::FireOneDueTimer() {
    TimerKey key{};
    {
        std::lock_guard lock(m_mutex);
        if (m_quit) {
            return false;
        }
        const int64_t now = m_clock.NowUs();
        auto due = m_timers.end();
        for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
            if (it->second.dueUs <= now &&
                (due == m_timers.end() || it->second.dueUs < due->second.dueUs ||
                 (it->second.dueUs == due->second.dueUs && it->second.seq < due->second.seq))) {
                due = it;
            }
        }
        if (due == m_timers.end()) {
            return false;
        }
        key = due->first;
        Timer& timer = due->second;
        if (timer.mode == TimerMode::OneShot) {
            m_timers.erase(due);
        } else {
            timer.dueUs += static_cast<int64_t>(timer.intervalMs) * 1000;
            if (timer.dueUs <= now) {
                // Running late: skip the missed periods instead of firing in a burst.
                timer.dueUs = now + static_cast<int64_t>(timer.intervalMs) * 1000;
            }
            timer.seq = m_timerSeq++;
        }
    }
    Dispatch(Item{key.first, kMsgTimer, key.second, 0, {}});
    return true;
}

size_t MessageLoop::RunPending() {
    size_t handled = 0;
    {
        std::lock_guard lock(m_mutex);
        m_scratchSends.swap(m_sends);
        m_scratchPosted.swap(m_posted);
    }
    for (auto& record : m_scratchSends) {
        const intptr_t result = Dispatch(record->item);
        {
            std::lock_guard lock(m_mutex);
            record->result = result;
        }
        record->done.Set();
        ++handled;
    }
    m_scratchSends.clear();
    for (const Item& item : m_scratchPosted) {
        if (QuitRequested()) {
            break;
        }
        Dispatch(item);
        ++handled;
    }
    m_scratchPosted.clear();
    while (FireOneDueTimer()) {
        ++handled;
    }
    return handled;
}

std::optional<int64_t> MessageLoop::NextTimerUs() const {
    std::lock_guard lock(m_mutex);
    std::optional<int64_t> next;
    for (const auto& [key, timer] : m_timers) {
        if (!next || timer.dueUs < *next) {
            next = timer.dueUs;
        }
    }
    return next;
}

int MessageLoop::Run() {
    m_thread = std::this_thread::get_id();
    while (true) {
        RunPending();
        std::unique_lock lock(m_mutex);
        if (m_quit) {
            return m_quitCode;
        }
        if (!m_posted.empty() || !m_sends.empty()) {
            continue;
        }
        const uint64_t version = m_workVersion;
        std::optional<int64_t> next;
        for (const auto& [key, timer] : m_timers) {
            if (!next || timer.dueUs < *next) {
                next = timer.dueUs;
            }
        }
        auto ready = [&] { return m_workVersion != version || m_quit; };
        if (next) {
            const int64_t waitUs = *next - m_clock.NowUs();
            if (waitUs > 0) {
                m_cv.wait_for(lock, std::chrono::microseconds(waitUs), ready);
            }
        } else {
            m_cv.wait(lock, ready);
        }
    }
}

bool MessageLoop::PumpUntil(const std::function<bool()>& done, Millis limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (true) {
        RunPending();
        if (done()) {
            return true;
        }
        std::unique_lock lock(m_mutex);
        if (!m_posted.empty() || !m_sends.empty()) {
            continue;
        }
        const uint64_t version = m_workVersion;
        // Wake at least every few milliseconds so real-time timers are noticed.
        const auto wakeAt = std::min(deadline, std::chrono::steady_clock::now() + Millis(5));
        m_cv.wait_until(lock, wakeAt, [&] { return m_workVersion != version; });
        if (std::chrono::steady_clock::now() >= deadline) {
            lock.unlock();
            RunPending();
            return done();
        }
    }
}

TestMessageLoop::TestMessageLoop(VirtualClock& clock) : MessageLoop(clock), m_virtualClock(clock) {}

void TestMessageLoop::Advance(int64_t ms) {
    const int64_t target = m_virtualClock.NowUs() + ms * 1000;
    RunPending();
    while (true) {
        std::optional<int64_t> next = NextTimerUs();
        if (!next || *next > target || QuitRequested()) {
            break;
        }
        if (*next > m_virtualClock.NowUs()) {
            m_virtualClock.SetUs(*next);
        }
        RunPending();
    }
    m_virtualClock.SetUs(target);
    RunPending();
}

}  // namespace platform
