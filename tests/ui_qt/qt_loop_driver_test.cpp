#include "ui/qt/qt_loop_driver.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace ui::qt {
namespace {

class Target : public platform::IMessageTarget {
public:
    intptr_t HandleMessage(uint32_t msg, uintptr_t w, intptr_t l) override {
        seen.push_back(msg == platform::kMsgTimer ? static_cast<int>(w) : static_cast<int>(l));
        if (onMessage) {
            onMessage(msg);
        }
        return l + 1;
    }
    std::vector<int> seen;
    std::function<void(uint32_t)> onMessage;
};

int argc = 1;
char arg0[] = "ui_qt_tests";
char* argv[] = {arg0, nullptr};

TEST(QtLoopDriver, QtLoopCarriesPostsSendsAndTimersUntilQuit) {
    QCoreApplication app(argc, argv);
    platform::MessageLoop loop;
    QtLoopDriver driver(loop);
    Target target;
    const platform::WindowHandle h = loop.Register(&target);

    std::atomic<intptr_t> sendResult{-1};
    loop.Post(h, platform::kMsgUser, 0, 10);  // queued before the loop runs
    std::thread worker([&] { sendResult = loop.Send(h, platform::kMsgUser, 0, 20); });
    loop.SetTimer(h, 5, 10, platform::TimerMode::Repeating);
    int timerFires = 0;
    target.onMessage = [&](uint32_t msg) {
        if (msg == platform::kMsgTimer) {
            ++timerFires;
        }
        const bool sendHandled =
            std::find(target.seen.begin(), target.seen.end(), 20) != target.seen.end();
        if (timerFires >= 3 && sendHandled) {
            loop.Quit(4);
        }
    };
    EXPECT_EQ(app.exec(), 4);
    worker.join();
    EXPECT_EQ(sendResult.load(), 21);
    EXPECT_GE(timerFires, 3);
    EXPECT_NE(std::find(target.seen.begin(), target.seen.end(), 10), target.seen.end());
}

}  // namespace
}  // namespace ui::qt
