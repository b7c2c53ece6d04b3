#include "app/shutdown_signals.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>

#include "platform/trace.h"

namespace app {

namespace {

sigset_t StopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    return set;
}

}  // namespace

ShutdownSignals::Blocked::Blocked() {
    const sigset_t set = StopSignals();
    pthread_sigmask(SIG_BLOCK, &set, &m_old);
}

ShutdownSignals::Blocked::~Blocked() {
    pthread_sigmask(SIG_SETMASK, &m_old, nullptr);
}

ShutdownSignals::ShutdownSignals(platform::MessageLoop& loop, platform::WindowHandle window)
    : m_loop(loop), m_window(window) {
    const sigset_t set = StopSignals();
    m_signals = platform::UniqueFd(::signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK));
    m_wake = platform::UniqueFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!m_signals || !m_wake) {
        platform::Trace("stop signals are not watched");
        return;
    }
    m_thread.Start("stop-signals", [this](platform::Event& stop) { Watch(stop); });
}

ShutdownSignals::~ShutdownSignals() {
    m_thread.RequestStop();
    if (m_wake) {
        const uint64_t one = 1;
        (void)!::write(m_wake.Get(), &one, sizeof one);
    }
    m_thread.Join();
}

void ShutdownSignals::Watch(platform::Event& stop) {
    while (!stop.IsSet()) {
        pollfd fds[2] = {{m_signals.Get(), POLLIN, 0}, {m_wake.Get(), POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if ((fds[0].revents & POLLIN) == 0)
            continue;
        signalfd_siginfo info{};
        if (::read(m_signals.Get(), &info, sizeof info) != static_cast<ssize_t>(sizeof info))
            continue;
        platform::TraceF("asked to stop (signal %u)", info.ssi_signo);
        m_loop.Post(m_window, platform::kMsgClose);
    }
}

}  // namespace app
