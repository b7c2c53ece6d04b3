#include "app/sleep_watcher.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "app/app_messages.h"
#include "platform/trace.h"

#if QUILLON_HAVE_SDBUS
#include <systemd/sd-bus.h>
#endif

namespace app {

uintptr_t SleepWatcher::PowerEventFor(bool start) {
    return start ? kPowerSuspend : kPowerResumeAutomatic;
}

void SleepWatcher::Deliver(bool start) {
    m_loop.Post(m_window, kMsgPowerBroadcast, PowerEventFor(start), 0);
}

SleepWatcher::SleepWatcher(platform::MessageLoop& loop, platform::WindowHandle window)
    : m_loop(loop), m_window(window), m_wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
#if QUILLON_HAVE_SDBUS
    if (m_wake)
        m_thread.Start("sleep-watch", [this](platform::Event& stop) { Watch(stop); });
#endif
}

SleepWatcher::~SleepWatcher() {
    m_thread.RequestStop();
    if (m_wake) {
        const uint64_t one = 1;
        (void)!::write(m_wake.Get(), &one, sizeof one);
    }
    m_thread.Join();
}

#if QUILLON_HAVE_SDBUS

namespace {

int OnPrepareForSleep(sd_bus_message* message, void* self, sd_bus_error*) {
    int start = 0;
    if (sd_bus_message_read(message, "b", &start) < 0)
        return 0;
    static_cast<SleepWatcher*>(self)->Deliver(start != 0);
    return 0;
}

// Milliseconds until sd-bus wants to run again; -1 for no time limit.
int PollTimeout(sd_bus* bus) {
    uint64_t due = 0;
    if (sd_bus_get_timeout(bus, &due) < 0 || due == UINT64_MAX)
        return -1;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const uint64_t nowUs =
        static_cast<uint64_t>(now.tv_sec) * 1000000u + static_cast<uint64_t>(now.tv_nsec) / 1000u;
    if (due <= nowUs)
        return 0;
    const uint64_t ms = (due - nowUs + 999) / 1000;
    return ms > 60000 ? 60000 : static_cast<int>(ms);
}

}  // namespace

void SleepWatcher::Watch(platform::Event& stop) {
    // sd-bus objects stay on this thread from start to end.
    sd_bus* bus = nullptr;
    if (sd_bus_open_system(&bus) < 0) {
        platform::Trace("sleep watch: no system bus; sleep and wake-up are not followed");
        return;
    }
    sd_bus_slot* slot = nullptr;
    if (sd_bus_match_signal(bus, &slot, "org.freedesktop.login1", "/org/freedesktop/login1",
                            "org.freedesktop.login1.Manager", "PrepareForSleep", &OnPrepareForSleep,
                            this) < 0) {
        platform::Trace("sleep watch: cannot follow logind");
        sd_bus_flush_close_unref(bus);
        return;
    }
    while (!stop.IsSet()) {
        const int processed = sd_bus_process(bus, nullptr);
        if (processed < 0) {
            platform::Trace("sleep watch: the system bus went away");
            break;
        }
        if (processed > 0)
            continue;
        pollfd fds[2] = {{sd_bus_get_fd(bus), static_cast<short>(sd_bus_get_events(bus)), 0},
                         {m_wake.Get(), POLLIN, 0}};
        if (::poll(fds, 2, PollTimeout(bus)) < 0 && errno != EINTR)
            break;
    }
    sd_bus_slot_unref(slot);
    sd_bus_flush_close_unref(bus);
}

#else

void SleepWatcher::Watch(platform::Event&) {}

#endif

}  // namespace app
