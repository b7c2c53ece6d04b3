#pragma once

// Runs the program's message loop inside Qt's event loop: posted messages,
// cross-thread sends and timers keep their meaning, and Qt's loop sleeps until
// the next timer is due instead of polling.

#include <QObject>
#include <QTimer>
#include <memory>

#include "platform/message_loop.h"

namespace ui::qt {

class QtLoopDriver : public QObject {
public:
    explicit QtLoopDriver(platform::MessageLoop& loop);
    ~QtLoopDriver() override;
    QtLoopDriver(const QtLoopDriver&) = delete;
    QtLoopDriver& operator=(const QtLoopDriver&) = delete;

private:
    struct Shared;
    void Pump();
    void ArmTimer();

    platform::MessageLoop& m_loop;
    std::shared_ptr<Shared> m_shared;
    QTimer m_timer;
};

}  // namespace ui::qt
