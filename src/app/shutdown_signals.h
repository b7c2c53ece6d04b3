#pragma once

// Ends the program in order when it is asked to stop (SIGTERM, SIGINT,
// SIGHUP): the main window gets a close request, as it would when the
// session ends, and the usual tear-down follows.

#include <signal.h>

#include "platform/message_loop.h"
#include "platform/thread.h"
#include "platform/unique_fd.h"

namespace app {

class ShutdownSignals {
public:
    // Blocks the stop signals in the calling thread and in every thread it
    // starts afterwards; call before any thread is started. The old mask comes
    // back when the object goes.
    class Blocked {
    public:
        Blocked();
        ~Blocked();
        Blocked(const Blocked&) = delete;
        Blocked& operator=(const Blocked&) = delete;

    private:
        sigset_t m_old;
    };

    ShutdownSignals(platform::MessageLoop& loop, platform::WindowHandle window);
    ~ShutdownSignals();
    ShutdownSignals(const ShutdownSignals&) = delete;
    ShutdownSignals& operator=(const ShutdownSignals&) = delete;

private:
    void Watch(platform::Event& stop);

    platform::MessageLoop& m_loop;
    platform::WindowHandle m_window;
    platform::UniqueFd m_signals;
    platform::UniqueFd m_wake;
    platform::WorkerThread m_thread;
};

}  // namespace app
