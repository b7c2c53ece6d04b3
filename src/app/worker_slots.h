#pragma once

// The main window's twenty worker slots. Each slot has its own manual-reset
// stop event; a worker checks it on every pass and passes it as the cancel
// event of every cross-thread send, so stopping never waits on a blocked send.

#include <array>
#include <cstddef>
#include <string>

#include "platform/message_loop.h"
#include "platform/thread.h"

namespace app {

inline constexpr size_t kWorkerSlotCount = 20;
inline constexpr size_t kSlotDiscovery = 0;
inline constexpr size_t kSlotRecorderWatchdog = 1;
inline constexpr size_t kSlotSyncLighting = 8;

class WorkerSlots {
public:
    WorkerSlots() = default;
    ~WorkerSlots() { StopAll(nullptr); }
    WorkerSlots(const WorkerSlots&) = delete;
    WorkerSlots& operator=(const WorkerSlots&) = delete;

    // Starts a worker in the slot (stopping the one there); false for a bad slot.
    bool Start(size_t slot, std::string name, platform::WorkerThread::Body body);
    bool Running(size_t slot) const;
    platform::Event* StopEvent(size_t slot);

    // Signals every stop event, releases the loop's blocked senders (a worker
    // that sends without its stop event is freed too) and joins every worker.
    void StopAll(platform::MessageLoop* loop);

private:
    std::array<platform::WorkerThread, kWorkerSlotCount> m_slots;
};

}  // namespace app
