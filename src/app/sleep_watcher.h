#pragma once

// Tells the main window when the system is about to sleep and when it woke
// up, from logind's PrepareForSleep signal on the system bus. Where there is
// no system bus (containers, build machines) or the program was built without
// sd-bus, nothing is watched and the window simply stays awake.

#include <cstdint>

#include "platform/message_loop.h"
#include "platform/thread.h"
#include "platform/unique_fd.h"

namespace app {

class SleepWatcher {
public:
    SleepWatcher(platform::MessageLoop& loop, platform::WindowHandle window);
    ~SleepWatcher();
    SleepWatcher(const SleepWatcher&) = delete;
    SleepWatcher& operator=(const SleepWatcher&) = delete;

    // The power event PrepareForSleep(start) stands for.
    static uintptr_t PowerEventFor(bool start);
    // Hands the event to the window as the power broadcast message.
    void Deliver(bool start);

private:
    void Watch(platform::Event& stop);

    platform::MessageLoop& m_loop;
    platform::WindowHandle m_window;
    platform::UniqueFd m_wake;
    platform::WorkerThread m_thread;
};

}  // namespace app
