// The UI thread's loop sits under every frame of the program: posting a message
// and firing a timer must stay cheap and must not allocate once warmed up.

#include <benchmark/benchmark.h>

#include "platform/message_loop.h"

namespace {

class Sink : public platform::IMessageTarget {
public:
    intptr_t HandleMessage(uint32_t, uintptr_t w, intptr_t) override {
        count += w;
        return 0;
    }
    uint64_t count = 0;
};

void BM_PostAndDispatch(benchmark::State& state) {
    platform::MessageLoop loop;
    Sink sink;
    const platform::WindowHandle h = loop.Register(&sink);
    for (auto _ : state) {
        loop.Post(h, platform::kMsgUser, 1);
        loop.RunPending();
    }
    benchmark::DoNotOptimize(sink.count);
}
BENCHMARK(BM_PostAndDispatch);

// Twenty repeating timers (a busy window) advanced one 50 ms frame at a time.
void BM_TimerFrame(benchmark::State& state) {
    platform::VirtualClock clock;
    platform::TestMessageLoop loop(clock);
    Sink sink;
    const platform::WindowHandle h = loop.Register(&sink);
    for (uintptr_t id = 0; id < 20; ++id) {
        loop.SetTimer(h, id, 50 + static_cast<uint32_t>(id));
    }
    for (auto _ : state) {
        loop.Advance(50);
    }
    benchmark::DoNotOptimize(sink.count);
}
BENCHMARK(BM_TimerFrame);

}  // namespace
