#include "app/worker_slots.h"

#include "platform/trace.h"

namespace app {

bool WorkerSlots::Start(size_t slot, std::string name, platform::WorkerThread::Body body) {
    if (slot >= m_slots.size() || !body)
        return false;
    // A worker still in the slot is stopped and joined first.
    m_slots[slot].Start(std::move(name), std::move(body));
    return true;
}

bool WorkerSlots::Running(size_t slot) const {
    return slot < m_slots.size() && m_slots[slot].Running();
}

platform::Event* WorkerSlots::StopEvent(size_t slot) {
    return slot < m_slots.size() ? &m_slots[slot].StopEvent() : nullptr;
}

void WorkerSlots::StopAll(platform::MessageLoop* loop) {
    bool anyRunning = false;
    for (auto& worker : m_slots) {
        worker.RequestStop();
        anyRunning = anyRunning || worker.Running();
    }
    // Releasing ends cross-thread sends on the loop for good: only when a
    // worker could be waiting in one.
    if (loop != nullptr && anyRunning)
        loop->ReleaseSenders();
    for (size_t i = 0; i < m_slots.size(); ++i) {
        if (!m_slots[i].Running())
            continue;
        m_slots[i].Join();
        platform::TraceF("worker slot %zu stopped", i);
    }
}

}  // namespace app
