#include "platform/message_loop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace platform {
namespace {

// Records what reaches it as "msg:wParam@ms".
class Recorder : public IMessageTarget {
public:
    explicit Recorder(IClock& clock) : m_clock(clock) {}
    intptr_t HandleMessage(uint32_t msg, uintptr_t w, intptr_t l) override {
        log.push_back(std::to_string(msg) + ":" + std::to_string(w) + "@" +
                      std::to_string(m_clock.NowUs() / 1000));
        if (onMessage) {
            onMessage(msg, w);
        }
        return l * 2;
    }
    std::vector<std::string> log;
    std::function<void(uint32_t, uintptr_t)> onMessage;

private:
    IClock& m_clock;
};

class LoopTest : public ::testing::Test {
protected:
    VirtualClock clock;
    TestMessageLoop loop{clock};
    Recorder target{clock};
    WindowHandle handle = loop.Register(&target);
};

TEST_F(LoopTest, TimersFireInTimeOrder) {
    loop.SetTimer(handle, 1, 30, TimerMode::Repeating);
    loop.SetTimer(handle, 2, 50, TimerMode::OneShot);
    loop.SetTimer(handle, 3, 20, TimerMode::OneShot);
    loop.Advance(100);
    const std::vector<std::string> expected = {"275:3@20", "275:1@30", "275:2@50", "275:1@60",
                                               "275:1@90"};
    EXPECT_EQ(target.log, expected);
    EXPECT_FALSE(loop.HasTimer(handle, 2));
    EXPECT_TRUE(loop.HasTimer(handle, 1));
}

TEST_F(LoopTest, OneShotFiresOnceAndRestartingATimerResetsIt) {
    loop.SetTimer(handle, 7, 100, TimerMode::OneShot);
    loop.Advance(60);
    loop.SetTimer(handle, 7, 100, TimerMode::OneShot);  // restart at 60
    loop.Advance(500);
    EXPECT_EQ(target.log, std::vector<std::string>{"275:7@160"});
}

TEST_F(LoopTest, KilledTimerAndUnregisteredTargetGetNothing) {
    loop.SetTimer(handle, 1, 10);
    loop.Advance(10);
    loop.KillTimer(handle, 1);
    loop.Advance(50);
    EXPECT_EQ(target.log.size(), 1u);

    loop.SetTimer(handle, 2, 10);
    loop.Post(handle, kMsgUser, 5);
    loop.Unregister(handle);
    loop.Advance(50);
    EXPECT_EQ(target.log.size(), 1u);
    EXPECT_FALSE(loop.Post(handle, kMsgUser));
}

TEST_F(LoopTest, TimerHandlerMayKillItself) {
    loop.SetTimer(handle, 1, 10);
    target.onMessage = [&](uint32_t, uintptr_t id) { loop.KillTimer(handle, id); };
    loop.Advance(100);
    EXPECT_EQ(target.log.size(), 1u);
}

TEST_F(LoopTest, PostedMessagesRunInOrderBeforeLaterTimers) {
    loop.Post(handle, kMsgUser + 1, 1);
    loop.Post(handle, kMsgUser + 2, 2);
    loop.SetTimer(handle, 9, 5, TimerMode::OneShot);
    loop.Advance(5);
    const std::vector<std::string> expected = {"1025:1@0", "1026:2@0", "275:9@5"};
    EXPECT_EQ(target.log, expected);
}

TEST_F(LoopTest, SendOnTheLoopThreadIsDirect) {
    EXPECT_EQ(loop.Send(handle, kMsgUser, 0, 21), 42);
    EXPECT_EQ(target.log.size(), 1u);
}

TEST_F(LoopTest, CrossThreadSendBlocksUntilHandled) {
    std::atomic<intptr_t> result{-1};
    std::thread sender([&] { result = loop.Send(handle, kMsgUser, 0, 5); });
    ASSERT_TRUE(loop.PumpUntil([&] { return !target.log.empty(); }, Millis(5000)));
    sender.join();
    EXPECT_EQ(result.load(), 10);
}

TEST_F(LoopTest, BlockedSendIsReleasedAtShutdown) {
    std::atomic<intptr_t> result{-1};
    std::thread sender([&] { result = loop.Send(handle, kMsgUser, 0, 5); });
    // Nobody pumps the loop; quitting must still let the sender go.
    while (result.load() == -1) {
        loop.Quit(0);
        std::this_thread::sleep_for(Millis(1));
    }
    sender.join();
    EXPECT_EQ(result.load(), 0);
    EXPECT_TRUE(target.log.empty());
    EXPECT_EQ(loop.Send(handle, kMsgUser, 0, 1), 2) << "the loop thread itself still dispatches";
}

TEST_F(LoopTest, BlockedSendIsReleasedByItsCancelEvent) {
    Event cancel;
    std::atomic<intptr_t> result{-1};
    std::thread sender([&] { result = loop.Send(handle, kMsgUser, 0, 5, &cancel); });
    cancel.Set();
    sender.join();
    EXPECT_EQ(result.load(), 0);
    loop.RunPending();  // the abandoned send may still be handled, harmlessly
}

TEST_F(LoopTest, SendsAfterReleaseReturnAtOnce) {
    loop.ReleaseSenders();
    std::atomic<intptr_t> result{-1};
    std::thread sender([&] { result = loop.Send(handle, kMsgUser, 0, 5); });
    sender.join();
    EXPECT_EQ(result.load(), 0);
}

TEST_F(LoopTest, TimersSetFromAnotherThreadFire) {
    std::thread starter([&] { loop.SetTimer(handle, 4, 10, TimerMode::OneShot); });
    starter.join();
    loop.Advance(10);
    EXPECT_EQ(target.log, std::vector<std::string>{"275:4@10"});
}

TEST(RealLoop, RunsUntilQuitFromAnotherThreadAndFiresRealTimers) {
    MessageLoop loop;
    std::atomic<int> ticks{0};
    struct Target : IMessageTarget {
        std::atomic<int>* ticks;
        MessageLoop* loop;
        intptr_t HandleMessage(uint32_t msg, uintptr_t, intptr_t) override {
            if (msg == kMsgTimer && ++*ticks == 3) {
                loop->PostTask([this] { loop->Quit(7); });
            }
            return 0;
        }
    } target;
    target.ticks = &ticks;
    target.loop = &loop;
    const WindowHandle h = loop.Register(&target);
    loop.SetTimer(h, 1, 1);
    EXPECT_EQ(loop.Run(), 7);
    EXPECT_EQ(ticks.load(), 3);
}

TEST(RealLoop, QuitFromAWorkerEndsRun) {
    MessageLoop loop;
    std::thread quitter([&] {
        std::this_thread::sleep_for(Millis(5));
        loop.Quit(3);
    });
    EXPECT_EQ(loop.Run(), 3);
    quitter.join();
}

}  // namespace
}  // namespace platform
