#include "platform/clock.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace platform {

namespace {

SystemClock g_systemClock;
std::atomic<IClock*> g_clock{&g_systemClock};

}  // namespace

int64_t SystemClock::NowUs() const {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool SystemClock::WaitUntil(int64_t deadlineUs, Event* stop) {
    const int64_t remaining = deadlineUs - NowUs();
    if (remaining <= 0) {
        return stop == nullptr || !stop->IsSet();
    }
    // Round up so a wake-up never lands before the deadline.
    const Millis wait((remaining + 999) / 1000);
    if (stop == nullptr) {
        std::this_thread::sleep_for(wait);
        return true;
    }
    return !stop->Wait(wait);
}

int64_t VirtualClock::NowUs() const {
    std::lock_guard lock(m_mutex);
    return m_nowUs;
}

bool VirtualClock::WaitUntil(int64_t deadlineUs, Event* stop) {
    Waiter waiter;
    {
        std::lock_guard lock(m_mutex);
        m_waiters.push_back(&waiter);
    }
    if (stop != nullptr) {
        stop->AddWaiter(&waiter);
    }
    bool reached = false;
    while (true) {
        if (stop != nullptr && stop->IsSet()) {
            break;
        }
        if (NowUs() >= deadlineUs) {
            reached = true;
            break;
        }
        waiter.Wait();
    }
    if (stop != nullptr) {
        stop->RemoveWaiter(&waiter);
    }
    std::lock_guard lock(m_mutex);
    std::erase(m_waiters, &waiter);
    return reached;
}

void VirtualClock::SetUs(int64_t nowUs) {
    std::lock_guard lock(m_mutex);
    m_nowUs = nowUs;
    for (Waiter* waiter : m_waiters) {
        waiter->Wake();
    }
}

void VirtualClock::AdvanceUs(int64_t us) {
    std::lock_guard lock(m_mutex);
    m_nowUs += us;
    for (Waiter* waiter : m_waiters) {
        waiter->Wake();
    }
}

IClock& CurrentClock() {
    return *g_clock.load(std::memory_order_acquire);
}

ScopedClock::ScopedClock(IClock& clock) : m_previous(g_clock.exchange(&clock)) {}
ScopedClock::~ScopedClock() {
    g_clock.store(m_previous);
}

int64_t NowUs() {
    return CurrentClock().NowUs();
}
int64_t NowMs() {
    return NowUs() / 1000;
}

uint32_t TickCount() {
    const int64_t ticks = NowUs() / kTimerTickUs;
    return static_cast<uint32_t>(static_cast<uint64_t>(ticks * kTimerTickUs / 1000));
}

int64_t NextTickUs(int64_t nowUs) {
    return (nowUs / kTimerTickUs + 1) * kTimerTickUs;
}

}  // namespace platform
