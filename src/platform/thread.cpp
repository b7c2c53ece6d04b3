#include "platform/thread.h"

#include <pthread.h>

namespace platform {

WorkerThread::~WorkerThread() {
    Stop();
}

void WorkerThread::Start(std::string name, Body body) {
    Stop();
    m_stop.Reset();
    m_thread = std::thread([this, name = std::move(name), body = std::move(body)] {
        // Linux limits thread names to 15 characters.
        ::pthread_setname_np(::pthread_self(), name.substr(0, 15).c_str());
        body(m_stop);
    });
}

void WorkerThread::Join() {
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) {
        m_thread.join();
    }
}

void WorkerThread::Stop() {
    RequestStop();
    Join();
}

bool SleepUnlessStopped(Event& stop, Millis duration) {
    return !stop.Wait(duration);
}

}  // namespace platform
