#pragma once

// Time. The program reads time only through the current clock, so tests can
// run everything on a virtual clock they move by hand.
//
// TickCount() is the millisecond counter of the lighting and timer code: it
// advances in whole timer ticks of 15.625 ms (1/64 s), the resolution the
// animation pacing was tuned to, and wraps at 2^32 like a 32-bit counter.

#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/sync.h"

namespace platform {

inline constexpr int64_t kTimerTickUs = 15625;

class IClock {
public:
    virtual ~IClock() = default;
    // Monotonic microseconds since an arbitrary start.
    virtual int64_t NowUs() const = 0;
    // Sleeps until the clock reaches the deadline (true) or the stop event is
    // set (false). A null stop event means no stop.
    virtual bool WaitUntil(int64_t deadlineUs, Event* stop) = 0;
};

class SystemClock final : public IClock {
public:
    int64_t NowUs() const override;
    bool WaitUntil(int64_t deadlineUs, Event* stop) override;
};

// A clock that moves only when told to; threads sleeping on it wake when it
// passes their deadline.
class VirtualClock final : public IClock {
public:
    explicit VirtualClock(int64_t startUs = 0) : m_nowUs(startUs) {}

    int64_t NowUs() const override;
    bool WaitUntil(int64_t deadlineUs, Event* stop) override;

    void SetUs(int64_t nowUs);
    void AdvanceMs(int64_t ms) { AdvanceUs(ms * 1000); }
    void AdvanceUs(int64_t us);

private:
    mutable std::mutex m_mutex;
    int64_t m_nowUs;
    std::vector<Waiter*> m_waiters;
};

// The clock in use; the system clock unless a test installed another.
IClock& CurrentClock();

// Installs a clock for as long as it lives (tests).
class ScopedClock {
public:
    explicit ScopedClock(IClock& clock);
    ~ScopedClock();
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

private:
    IClock* m_previous;
};

int64_t NowUs();
int64_t NowMs();
uint32_t TickCount();
// Microseconds of the start of the timer tick after the given time.
int64_t NextTickUs(int64_t nowUs);

}  // namespace platform
