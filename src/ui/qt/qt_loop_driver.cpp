#include "ui/qt/qt_loop_driver.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <atomic>
#include <mutex>

namespace ui::qt {

// What the wake hook (called from any thread) may touch: the driver pointer is
// cleared under the mutex before the driver goes away.
struct QtLoopDriver::Shared {
    std::mutex mutex;
    QtLoopDriver* driver = nullptr;
    std::atomic<bool> scheduled{false};
};

QtLoopDriver::QtLoopDriver(platform::MessageLoop& loop)
    : m_loop(loop), m_shared(std::make_shared<Shared>()) {
    m_shared->driver = this;
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] { Pump(); });
    m_loop.SetWakeHook([shared = m_shared] {
        std::lock_guard lock(shared->mutex);
        if (shared->driver == nullptr || shared->scheduled.exchange(true)) {
            return;
        }
        QtLoopDriver* driver = shared->driver;
        QMetaObject::invokeMethod(
            driver,
            [driver] {
                driver->m_shared->scheduled = false;
                driver->Pump();
            },
            Qt::QueuedConnection);
    });
    // Work queued before the driver existed.
    QMetaObject::invokeMethod(
        this, [this] { Pump(); }, Qt::QueuedConnection);
}

QtLoopDriver::~QtLoopDriver() {
    m_loop.SetWakeHook({});
    std::lock_guard lock(m_shared->mutex);
    m_shared->driver = nullptr;
}

void QtLoopDriver::Pump() {
    m_loop.RunPending();
    if (m_loop.QuitRequested()) {
        m_timer.stop();
        QCoreApplication::exit(m_loop.QuitCode());
        return;
    }
    ArmTimer();
}

void QtLoopDriver::ArmTimer() {
    const std::optional<int64_t> next = m_loop.NextTimerUs();
    if (!next) {
        m_timer.stop();
        return;
    }
    const int64_t waitUs = *next - m_loop.Clock().NowUs();
    const int64_t waitMs = waitUs <= 0 ? 0 : (waitUs + 999) / 1000;
    m_timer.start(static_cast<int>(std::min<int64_t>(waitMs, 24 * 3600 * 1000)));
}

}  // namespace ui::qt
