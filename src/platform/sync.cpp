#include "platform/sync.h"

#include <algorithm>

namespace platform {

void Waiter::Wake() {
    {
        std::lock_guard lock(m_mutex);
        m_woken = true;
    }
    m_cv.notify_all();
}

bool Waiter::WaitUntil(std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(m_mutex);
    const bool woken = m_cv.wait_until(lock, deadline, [this] { return m_woken; });
    m_woken = false;
    return woken;
}

void Waiter::Wait() {
    std::unique_lock lock(m_mutex);
    m_cv.wait(lock, [this] { return m_woken; });
    m_woken = false;
}

Event::Event(ResetMode mode, bool initiallySet) : m_mode(mode), m_set(initiallySet) {}

void Event::Set() {
    std::lock_guard lock(m_mutex);
    m_set = true;
    for (Waiter* waiter : m_waiters) {
        waiter->Wake();
    }
}

void Event::Reset() {
    std::lock_guard lock(m_mutex);
    m_set = false;
}

bool Event::IsSet() const {
    std::lock_guard lock(m_mutex);
    return m_set;
}

bool Event::TryTake() {
    std::lock_guard lock(m_mutex);
    if (!m_set) {
        return false;
    }
    if (m_mode == ResetMode::Auto) {
        m_set = false;
    }
    return true;
}

void Event::AddWaiter(Waiter* waiter) {
    std::lock_guard lock(m_mutex);
    m_waiters.push_back(waiter);
}

void Event::RemoveWaiter(Waiter* waiter) {
    std::lock_guard lock(m_mutex);
    std::erase(m_waiters, waiter);
}

bool Event::Wait(Millis timeout) {
    Event* self = this;
    return WaitForAny(std::span<Event* const>(&self, 1), timeout) == 0;
}

int WaitForAny(std::span<Event* const> events, Millis timeout) {
    const bool infinite = timeout < Millis::zero();
    const auto deadline = std::chrono::steady_clock::now() + (infinite ? Millis::zero() : timeout);
    Waiter waiter;
    for (Event* e : events) {
        e->AddWaiter(&waiter);
    }
    int result = kWaitTimeout;
    while (true) {
        for (size_t i = 0; i < events.size(); ++i) {
            if (events[i]->TryTake()) {
                result = static_cast<int>(i);
                break;
            }
        }
        if (result != kWaitTimeout) {
            break;
        }
        if (infinite) {
            waiter.Wait();
            continue;
        }
        if (!waiter.WaitUntil(deadline)) {
            // Timed out; an event set at the last moment still counts.
            for (size_t i = 0; i < events.size() && result == kWaitTimeout; ++i) {
                if (events[i]->TryTake()) {
                    result = static_cast<int>(i);
                }
            }
            break;
        }
    }
    for (Event* e : events) {
        e->RemoveWaiter(&waiter);
    }
    return result;
}

}  // namespace platform
